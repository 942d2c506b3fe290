# SPDX-License-Identifier: MIT
# Processor time of a batch run while it polls: poll_cpu.py DIR SECONDS
# COMMAND... starts COMMAND in DIR, measures the processor time of it and
# every process under it over SECONDS once start-up is over (3 s), then ends
# the run through ENDPRM.DAT and prints "seconds cpu status".
import os
import subprocess
import sys
import time


def tree_cpu(root):
    children, cpu = {}, {}
    tick = os.sysconf("SC_CLK_TCK")
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/stat") as stat:
                fields = stat.read().rsplit(")", 1)[1].split()
        except OSError:
            continue
        children.setdefault(int(fields[1]), []).append(int(pid))
        cpu[int(pid)] = (int(fields[11]) + int(fields[12])) / tick
    total, todo = 0.0, [root]
    while todo:
        pid = todo.pop()
        total += cpu.get(pid, 0.0)
        todo += children.get(pid, [])
    return total


folder, seconds = sys.argv[1], float(sys.argv[2])
run = subprocess.Popen(sys.argv[3:], cwd=folder, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
time.sleep(3)
before = tree_cpu(run.pid)
time.sleep(seconds)
during = tree_cpu(run.pid) - before
with open(os.path.join(folder, "ENDPRM.DAT"), "w") as end:
    end.write("2\r\n")
print(f"{seconds:.1f} {during:.2f} {run.wait()}")
