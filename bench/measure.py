#!/usr/bin/env python3
"""Runs a command and prints its wall time in seconds and its peak resident
memory in KiB: measure.py CMD [ARG...]

The command's own standard output goes to standard error, so that the one
line printed here is all a caller reads.

The memory is read by GNU time (Debian package "time") when it is there: a
child forked from this script would count this script's own memory as its
peak. Without it the figure is an upper bound that includes that copy."""
import os
import resource
import subprocess
import sys
import tempfile
import time

GNU_TIME = "/usr/bin/time"

start = time.perf_counter()
if os.access(GNU_TIME, os.X_OK):
    with tempfile.NamedTemporaryFile(mode="r") as report:
        status = subprocess.call([GNU_TIME, "-o", report.name, "-f", "%M"] + sys.argv[1:],
                                 stdin=subprocess.DEVNULL, stdout=sys.stderr)
        wall = time.perf_counter() - start
        peak = int(report.read().split()[-1])
else:
    status = subprocess.call(sys.argv[1:], stdin=subprocess.DEVNULL, stdout=sys.stderr)
    wall = time.perf_counter() - start
    peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
print(f"{wall:.4f} {peak}")
sys.exit(status)
