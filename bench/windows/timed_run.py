# SPDX-License-Identifier: MIT
# Runs a command with its output thrown away and prints its wall time, the
# processor time of it and its children (user and system), and its status.
import resource
import subprocess
import sys
import time

start = time.monotonic()
status = subprocess.call(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
wall = time.monotonic() - start
usage = resource.getrusage(resource.RUSAGE_CHILDREN)
print(f"{wall:.3f} {usage.ru_utime + usage.ru_stime:.3f} {status}")
