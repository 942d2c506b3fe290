# SPDX-License-Identifier: MIT
# Reads a frame trace of a transfer: block_rhythm.py TRACE down|up BAUD.
# The data blocks are the long frames the PC sends (down) or receives (up);
# prints the mean time from one block to the next in ms, then in words that
# rhythm, the share of the line's byte rate the blocks' data make, and the
# time from each block to the next frame the other way (its answer, or the
# answer the block answers): fewest, median, most.
import statistics
import sys

trace, direction, baud = sys.argv[1], sys.argv[2], int(sys.argv[3])
block_way = "sent" if direction == "down" else "recv"
frames = []
with open(trace, encoding="utf-8", errors="replace") as lines:
    for line in lines:
        fields = line.split()
        if len(fields) >= 8 and fields[1] == "ms" and fields[2] in ("sent", "recv") and fields[3] != "(short)":
            frames.append((float(fields[0]), fields[2], int(fields[6])))
blocks = [i for i, (_, way, length) in enumerate(frames) if way == block_way and length >= 128]
if len(blocks) < 2:
    print(f"0 no blocks in {trace}")
    sys.exit(0)
first, last = frames[blocks[0]][0], frames[blocks[-1]][0]
rhythm = (last - first) / (len(blocks) - 1)
data = statistics.mean(frames[i][2] for i in blocks[1:])
share = data / (rhythm / 1000 * baud / 10)
# Down, the PC's share is reading the answer to its block; up, reading the
# block that answers its acknowledgement.
answers = []
for i in blocks:
    if direction == "down":
        other = next((t for t, way, _ in frames[i + 1:] if way != block_way), None)
        gap = None if other is None else other - frames[i][0]
    else:
        other = next((t for t, way, _ in reversed(frames[:i]) if way != block_way), None)
        gap = None if other is None else frames[i][0] - other
    if gap is not None:
        answers.append(gap)
print(f"{rhythm:.3f} {len(blocks)} blocks, one every {rhythm:.2f} ms, {share:.4f} of the line; "
      f"{'block to answer' if direction == 'down' else 'answer to block'} {min(answers):.0f}/{statistics.median(answers):.0f}/{max(answers):.0f} ms")
