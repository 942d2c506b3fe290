# SPDX-License-Identifier: MIT
# Processor time of a batch run while it polls: poll_cpu.py DIR SECONDS
# COMMAND... starts COMMAND in DIR, measures the processor time of it and
# every process under it over SECONDS once start-up is over (3 s), then ends
# the run through ENDPRM.DAT and prints "seconds cpu status sleeps": sleeps
# counts how often their threads went to sleep, which wakes them as often.
import os
import subprocess
import sys
import time


def task_figures(pid):
    """Processor seconds (the scheduler's nanoseconds, not clock ticks) and
    voluntary context switches (sleeps) of every thread of a process."""
    cpu, sleeps = 0.0, 0
    for task in os.listdir(f"/proc/{pid}/task"):
        with open(f"/proc/{pid}/task/{task}/schedstat") as stat:
            cpu += int(stat.read().split()[0]) / 1e9
        with open(f"/proc/{pid}/task/{task}/status") as status:
            for line in status:
                if line.startswith("voluntary_ctxt_switches:"):
                    sleeps += int(line.split()[1])
    return cpu, sleeps


def tree_figures(root):
    children = {}
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{pid}/stat") as stat:
                parent = int(stat.read().rsplit(")", 1)[1].split()[1])
        except OSError:
            continue
        children.setdefault(parent, []).append(int(pid))
    cpu, sleeps, todo = 0.0, 0, [root]
    while todo:
        pid = todo.pop()
        try:
            task_cpu, task_sleeps = task_figures(pid)
        except OSError:
            task_cpu, task_sleeps = 0.0, 0
        cpu += task_cpu
        sleeps += task_sleeps
        todo += children.get(pid, [])
    return cpu, sleeps


folder, seconds = sys.argv[1], float(sys.argv[2])
run = subprocess.Popen(sys.argv[3:], cwd=folder, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
time.sleep(3)
cpu_before, sleeps_before = tree_figures(run.pid)
time.sleep(seconds)
cpu_after, sleeps_after = tree_figures(run.pid)
with open(os.path.join(folder, "ENDPRM.DAT"), "w") as end:
    end.write("2\r\n")
print(f"{seconds:.1f} {cpu_after - cpu_before:.4f} {run.wait()} {sleeps_after - sleeps_before}")
