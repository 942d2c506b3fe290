# SPDX-License-Identifier: MIT
"""What Explorer and Windows read from tavelin.exe without running it: the
version resource, the icon group, the manifest, the message table of its
Application log entries; and what the program says of its version when it
runs.

    /usr/bin/python3 exe_resources_test.py TAVELIN_EXE VERSION WINE_RUN

Needs pefile (python3-pefile); WINE_RUN is scripts/wine-run.sh.
"""
import os
import struct
import subprocess
import sys
import xml.etree.ElementTree as ET

try:
    import pefile
except ImportError:
    print("skipped: no pefile for this python (apt-get install python3-pefile)")
    sys.exit(77)

RT_ICON, RT_MESSAGETABLE, RT_GROUP_ICON, RT_VERSION, RT_MANIFEST = 3, 11, 14, 16, 24
WINDOWS_10 = "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"
PNG = b"\x89PNG\r\n\x1a\n"

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
        print("FAIL:", what, file=sys.stderr)


def resources(pe, kind):
    """{id: bytes} of the first language of each resource of a kind."""
    found = {}
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return found
    for entry in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if entry.id != kind:
            continue
        for named in entry.directory.entries:
            data = named.directory.entries[0].data.struct
            found[named.id] = pe.get_data(data.OffsetToData, data.Size)
    return found


def strings(pe):
    table = {}
    for info in getattr(pe, "FileInfo", []):
        for block in info:
            for string_table in getattr(block, "StringTable", []):
                table.update({k.decode(): v.decode() for k, v in string_table.entries.items()})
    return table


def check_version(pe, version):
    table = strings(pe)
    for key in ("FileVersion", "ProductVersion"):
        check(table.get(key) == version, f"{key} is {table.get(key)!r}, not {version!r}")
    check(table.get("ProductName") == "Tavelin", f"ProductName is {table.get('ProductName')!r}")
    check(table.get("OriginalFilename") == "tavelin.exe", f"OriginalFilename is {table.get('OriginalFilename')!r}")
    for key in ("FileDescription", "CompanyName"):
        check(bool(table.get(key)), f"no {key}")
    check(table.get("LegalCopyright", "").startswith("Copyright"), f"LegalCopyright is {table.get('LegalCopyright')!r}")
    # The numbers Explorer shows when it reads no strings.
    fixed = pe.VS_FIXEDFILEINFO[0] if hasattr(pe, "VS_FIXEDFILEINFO") else None
    major, minor = (int(part) for part in version.split(".")[:2])
    check(fixed is not None and fixed.FileVersionMS == (major << 16 | minor),
          "fixed FileVersion differs from the strings")


def icon_sizes(pe):
    """The sizes of the first icon group, each checked to name an image
    that is there: a PNG, or a bitmap of the size it claims."""
    groups = resources(pe, RT_GROUP_ICON)
    check(bool(groups), "no icon group")
    if not groups:
        return set()
    images = resources(pe, RT_ICON)
    group = groups[min(groups)]
    reserved, kind, count = struct.unpack_from("<HHH", group)
    check(reserved == 0 and kind == 1 and len(group) == 6 + 14 * count, "icon group header is broken")
    sizes = set()
    for i in range(count):
        width, height, _, _, _, _, length, image_id = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
        width, height = width or 256, height or 256
        image = images.get(image_id, b"")
        check(len(image) == length, f"{width}-pixel image {image_id} is missing or cut short")
        if image.startswith(PNG):
            png_width, png_height = struct.unpack_from(">II", image, 16)
            check((png_width, png_height) == (width, height), f"{width}-pixel PNG is {png_width}x{png_height}")
        elif len(image) >= 12:
            # BITMAPINFOHEADER: the height counts the colour and the mask rows.
            bmp_width, bmp_height = struct.unpack_from("<ii", image, 4)
            check((bmp_width, bmp_height) == (width, 2 * height), f"{width}-pixel bitmap is {bmp_width}x{bmp_height // 2}")
        sizes.add(width)
    return sizes


def check_manifest(pe):
    manifests = resources(pe, RT_MANIFEST)
    # Id 1 is the one Windows reads when it starts a program.
    check(list(manifests) == [1], f"manifest ids are {sorted(manifests)}, not [1]")
    if 1 not in manifests:
        return
    try:
        root = ET.fromstring(manifests[1])
    except ET.ParseError as error:
        check(False, f"manifest is not XML: {error}")
        return
    local = lambda element: element.tag.rsplit("}", 1)[-1]
    by_name = {}
    for element in root.iter():
        by_name.setdefault(local(element), []).append(element)
    text = lambda name: [(e.text or "").strip() for e in by_name.get(name, [])]
    check(text("dpiAwareness") == ["PerMonitorV2"], f"dpiAwareness is {text('dpiAwareness')}")
    check(text("dpiAware") == ["true/pm"], f"dpiAware is {text('dpiAware')}")
    check(WINDOWS_10 in [e.get("Id") for e in by_name.get("supportedOS", [])], "Windows 10/11 not a supported OS")
    check([e.get("level") for e in by_name.get("requestedExecutionLevel", [])] == ["asInvoker"],
          "the program does not run as its invoker")
    check(any(e.get("name") == "Microsoft.Windows.Common-Controls" and e.get("version", "").startswith("6.")
              for e in by_name.get("assemblyIdentity", [])), "no common controls 6 dependency")


def check_message_table(pe):
    """Message 1, the one every entry names, shows the entry's own text."""
    tables = resources(pe, RT_MESSAGETABLE)
    check(list(tables) == [1], f"message table ids are {sorted(tables)}, not [1]")
    table = tables.get(1, b"\0\0\0\0")
    text = None
    for block in range(struct.unpack_from("<I", table)[0]):
        low, high, offset = struct.unpack_from("<III", table, 4 + 12 * block)
        if low <= 1 <= high:
            length, flags = struct.unpack_from("<HH", table, offset)
            raw = table[offset + 4:offset + length]
            text = raw.decode("utf-16-le" if flags & 1 else "ascii").rstrip("\0")
    check(text is not None and text.startswith("%1%0"), f"message 1 is {text!r}, not the entry's text alone")


def check_running(exe, version, wine_run):
    # Wine hands WINEQT_* to the program as QT_*.
    env = dict(os.environ, WINEQT_QPA_PLATFORM="offscreen", WINEDEBUG="-all")
    run = subprocess.run(["bash", wine_run, exe, "--version"], env=env, capture_output=True, timeout=120)
    output = run.stdout.decode(errors="replace").replace("\r", "")
    check(run.returncode == 0, f"--version ended with {run.returncode}")
    check(version in output.split("\n", 1)[0], f"--version says {output!r}")


def main():
    exe, version, wine_run = sys.argv[1:4]
    pe = pefile.PE(exe, fast_load=False)
    check_version(pe, version)
    sizes = icon_sizes(pe)
    for size in (16, 24, 32, 48, 64, 128, 256):
        check(size in sizes, f"no {size}-pixel icon (has {sorted(sizes)})")
    check_manifest(pe)
    check_message_table(pe)
    check_running(exe, version, wine_run)
    if failures:
        sys.exit(1)
    print(f"{os.path.basename(exe)}: version {version}, icons {sorted(sizes)}, manifest PerMonitorV2, message table")


main()
