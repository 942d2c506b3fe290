#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Writes the seed inputs of the fuzzing harnesses into fuzz/corpus/<name>/.

The exchanges are the simulated hand-held's side of the line as its traces
show it (list, named upload, upload of every file), the files those of the
test suite. Inputs that once found a fault live beside the seeds under names
of their own ("found-..."); this script never touches them.
"""
import pathlib

ROOT = pathlib.Path(__file__).resolve().parent / "corpus"
SEP = b"\xff\xfe"  # between replies, or between a name and a text
STX, ETX, EOT, ACK, CAN = b"\x02", b"\x03", b"\x04", b"\x06", b"\x18"


def frame(kind, data, seq=0, hht_id=b"001"):
    body = kind.encode() + hht_id + b"%d%04d" % (seq % 10, len(data)) + data + ETX
    bcc = 0
    for byte in body:
        bcc ^= byte
    return STX + body + bytes([bcc])


def built(*frames):
    """A reply the harness builds: kind, sequence, length byte, data."""
    out = b"!"
    for kind, seq, data in frames:
        out += kind.encode() + bytes([seq, len(data)]) + data
    return out


def entry(name, size):
    return name.ljust(12).encode("cp932") + b"%07d" % size


def write(harness, name, data):
    folder = ROOT / harness
    folder.mkdir(parents=True, exist_ok=True)
    (folder / ("seed-" + name)).write_bytes(data)


def frame_receive():
    # Line byte: speed code 2, instant line, read time-out 200 ms, text receive.
    line = bytes([2 | 0x40])
    seeds = {
        "ack": frame("A", ACK),
        "list-header": frame("D", b"003" + b"0012345"),
        "block": frame("D", bytes(range(256)), seq=3),
        "stx-etx-inside": frame("D", STX + b"D00100005" + ETX + b"x"),
        "noise-then-frame": b"\x00\xff\x02Z\x02" + frame("A", ACK),
        "bad-check": frame("A", ACK)[:-1] + b"\x00",
        "wrong-id": frame("A", ACK, hht_id=b"002"),
        "truncated": frame("D", b"HELLO")[:-3],
        "header-not-digits": STX + b"D001x0005" + frame("E", CAN),
        "no-etx": frame("D", b"AB")[:-2] + b"X?" + frame("A", ACK),
        "two-frames": frame("D", b"x" * 19, seq=1) + frame("E", b""),
        "long-announced": STX + b"D00109999abc",
    }
    for name, stream in seeds.items():
        write("frame_receive", name, line + stream)
    write("frame_receive", "slow-line", bytes([2 | (1 << 3) | 0x40]) + frame("D", b"y" * 300))
    write("frame_receive", "binary-receive", bytes([5 | 0x20 | (3 << 3)]) + frame("D", b"\x00\x01\x02", seq=9))
    write("frame_receive", "unknown-speed", bytes([6 | 0xC0]) + b"\x02" + frame("A", ACK))


def hht_list():
    header = frame("D", b"003" + b"0012345")
    files = frame("D", entry("A.DAT", 5) + entry("PROG.HEX", 1200) + entry("LONGNAME.TXT", 7), seq=1)
    write("hht_list", "three-files", header + SEP + files + SEP + frame("E", b""))
    write("hht_list", "repeated-block", header + SEP + files + SEP + files + SEP + frame("E", b""))
    write("hht_list", "refused", frame("R", b"M"))
    write("hht_list", "silence-then-header", SEP * 3 + header + SEP + frame("E", b""))
    write("hht_list", "short-entry", header + SEP + frame("D", entry("B.DAT", 1)[:12], seq=1) + SEP + frame("E", b""))
    write("hht_list", "space-first", header + SEP + frame("D", entry(" X.DAT", 1) + entry("Y.DAT", 2), seq=2)
          + SEP + frame("E", b""))
    many = b"".join(entry("F%03d.DAT" % i, i) for i in range(40))
    blocks = [built(("D", 1 + k % 9, many[19 * 10 * k:19 * 10 * (k + 1)])) for k in range(4)]
    write("hht_list", "built-many", built(("D", 0, b"040" + b"0099999")) + SEP + SEP.join(blocks * 4)
          + SEP + built(("E", 0, b"")))
    write("hht_list", "other-kind-ignored", header + SEP + frame("X", b"?") + frame("D", entry("C.DAT", 3), seq=1)
          + SEP + frame("E", b""))


def upload():
    # Named upload: choice byte (engine, mode, directory, name), size byte.
    data = b"HELLO"
    named = frame("D", data) + SEP + frame("E", b"")
    write("upload", "named-new", bytes([0x10, 5]) + named)
    write("upload", "named-append", bytes([0x02, 5]) + named)
    write("upload", "named-keep", bytes([0x04, 5]) + named)
    write("upload", "named-too-much", bytes([0x10, 3]) + named)
    write("upload", "named-refused", bytes([0x10, 5]) + frame("R", b"M"))
    write("upload", "named-program-file", bytes([0x28, 5]) + named)
    write("upload", "named-two-blocks", bytes([0x50, 2]) + built(("D", 0, b"x" * 200)) + SEP
          + built(("D", 1, b"y" * 200)) + SEP + built(("D", 1, b"y" * 200)) + SEP + built(("E", 2, b"")))

    def all_files(files, first=b""):
        # The count, and each file's header right after the PC's word to go on.
        replies = []
        pending = first + frame("D", b"%03d" % len(files))
        for name, body in files:
            replies.append(pending + frame("D", entry(name, len(body))))
            pending = b""
            for k in range(0, len(body), 100):
                replies.append(frame("D", body[k:k + 100], seq=(k // 100) % 10))
            replies.append(frame("E", b""))
        replies[-1] += frame("D", EOT)
        return SEP.join(replies)

    write("upload", "all-two", bytes([0x01, 0]) + all_files([("A.DAT", b"new"), ("B.TXT", b"b" * 250)]))
    write("upload", "all-into-work", bytes([0x09, 0]) + all_files([("RSPRM.DAT", b"x"), ("C.DAT", b"c")]))
    write("upload", "all-keep", bytes([0x05, 0]) + all_files([("A.DAT", b"new")]))
    write("upload", "all-append", bytes([0x03, 0]) + all_files([("A.DAT", b"1"), ("A.DAT", b"2")]))
    write("upload", "all-bad-names", bytes([0x01, 0]) + all_files([("../X.DAT", b"1"), ("CON.TXT", b"2"),
                                                                    ("A:B", b"3"), ("UPTMP.00", b"4")]))
    write("upload", "all-stop", bytes([0x01, 0]) + frame("D", b"001") + frame("D", entry("D.DAT", 9)) + SEP
          + frame("D", b"abc") + SEP + frame("E", CAN))
    write("upload", "all-built", bytes([0x01, 0]) + built(("D", 0, b"001"), ("D", 0, entry("E.DAT", 4)))
          + SEP + built(("D", 0, b"abcd")) + SEP + built(("E", 1, b""), ("D", 0, EOT)))


def param_files():
    rs = [b"2201005008000\r\n", b"520130999050003", b"9201005008000", b"22010\xef\xbc\x95\x30800003", b"22", b"",
          b"2201  5008000", b"22010 1e20800 0"]
    for k, text in enumerate(rs):
        write("param_files", "rsprm-%d" % k, b"\x00" + text)
    hht = [b"1,3\r\n5,10\r\n", b"\"1\",\"128\"\r\n", b"1,3\r\n5,10\r\n20,20\r\n30,31\r\n40,41\r\n50,51\r\n",
           b"0,3\r\n", b"10,5\r\n", b"1e2,1.5e2\r\n", b" 7 , 9 \r\n,\r\n", b"x,y\r\n"]
    for k, text in enumerate(hht):
        write("param_files", "hhtprm-manual-%d" % k, b"\x82" + text)
        write("param_files", "hhtprm-auto-%d" % k, b"\x01" + text)
    for k, text in enumerate([
        b"C:\\APP\\PROG.HEX\r\nC:\\DOWN\\\r\nC:\\UP\\\r\nOVER\r\nNEWHISTORY\r\n3\r\n",
        "/srv/アプリ/A.HEX\r\n/srv/下り/\r\n/srv/上り/\r\nadd\r\naddhistory\r\n-1\r\n".encode("cp932"),
        b"a\rb\nc\r\nNON\r\nNONHISTORY\r\n1e9\r\n",
        b"\x81\r\n\x82\xa0\r\n\xff\r\n",
    ]):
        write("param_files", "dirprm-%d" % k, b"\x02" + text)


def run_files():
    for k, text in enumerate([b"1\r\n", b"2", b"0", b"", b"12", b"\xef\xbb\xbf1"]):
        for mode in (0, 1, 3):
            write("run_files", "endprm-%d-mode%d" % (k, mode), bytes([mode]) + text)
    for k, text in enumerate([b"001\r\n/home/op/data/\r\n", b"128", "005\r\n/データ/\r\n".encode("cp932"),
                              b"\r\n\r\n", b"7\n\x81\n", b"001\r\n/a/\r\nextra\r\n"]):
        write("run_files", "tavinf-%d" % k, b"\xff" + text)


def codepage():
    seeds = {
        "ascii": b"HELLO.DAT",
        "cp932-japanese": "ダウンロード中 ﾊﾝﾃﾞｨ ①髙".encode("cp932"),
        "cp932-bad": b"\x81\xff\x81\x20\x80\xa0\xfd\xfe\xff\x81",
        "cp932-signs": b"\x81\x60\x81\x5c\x81\x61\x81\x7c\x81\x91\x81\x92\x81\xca\x5c\x7e\xed\x40\xfa\x5c",
        "utf8-japanese": "データ.DAT".encode(),
        "utf8-unmappable": "é😀\u2028\x85".encode(),
        "utf8-bad": b"\xc0\xaf\xed\xa0\x80\xf4\x90\x80\x80\xe3\x81",
        "name-ok": b"PROG.HEX",
        "name-yen-overline": "¥‾.DAT".encode(),
        "name-control": b"A\r\nB.DAT",
    }
    for name, data in seeds.items():
        write("codepage", name, data)


def history():
    seeds = {
        "plain": b"\x00" + b"A.DAT" + SEP + "正常終了".encode(),
        "line-breaks": b"\x15" + b"X\r\nY.DAT" + SEP + b"text\x85\xe2\x80\xa8",
        "japanese": b"\x24" + "データ.DAT".encode() + SEP + "異常終了".encode(),
        "bad-utf8": b"\x38" + b"\xff\xc0\x81" + SEP + b"\xed\xa0\x80",
        "full-list": b"\x80" + b"B.DAT" + SEP + b"ok",
        "no-history-file": b"\x08" + b"C.DAT",
    }
    for name, data in seeds.items():
        write("history", name, data)


def trace_line():
    seeds = {
        "poll": b"        12 ms sent P 007 3 0000 ok",
        "bad-check-crlf": b"        15 ms recv A 007 3 0001 bad check character | 06 | .\r",
        "time-out": b"      1500 ms recv time-out after 1012 ms",
        "short": b"      1500 ms sent (short) ok",
        "long-ms": b"12345678901 ms recv A 007 4 0001 resynchronised | 41 | A",
        "port-open": b"         0 ms port open",
        "leading-zero-ms": b"        07 ms recv A 007 3 0001 bad check character | 06 | .\r",
    }
    for name, data in seeds.items():
        write("trace_line", name, data)


if __name__ == "__main__":
    for old in ROOT.glob("*/seed-*"):
        old.unlink()
    for make in (frame_receive, hht_list, upload, param_files, run_files, codepage, history, trace_line):
        make()
