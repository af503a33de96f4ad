#!/usr/bin/env python3
"""Runs a command and prints its wall time in seconds and its peak resident
memory in KiB: measure.py CMD [ARG...]"""
import os
import resource
import subprocess
import sys
import time

start = time.perf_counter()
status = subprocess.call(sys.argv[1:], stdin=subprocess.DEVNULL)
wall = time.perf_counter() - start
peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
print(f"{wall:.4f} {peak}")
sys.exit(status)
