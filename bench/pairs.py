#!/usr/bin/env python3
"""Times two commands as whole processes, in turn (A B A B ...), and prints
one row: for wall time and for CPU time (user + system) the median of each
and the median of the pairwise ratios A/B, the goal, and each command's peak
resident memory. On a shared, busy machine the wall time mostly measures
waiting for a processor; the CPU time is the steadier figure.

  pairs.py RUNS TASK GOAL DIR 'COMMAND A' 'COMMAND B'

Each command runs in DIR, emptied before every run, with its output thrown
away, timed by the small launcher bench/spawn.c ($VOK32_SPAWN); one warm-up
pair runs first and is not counted. A goal of '-' means none; a COMMAND B
of '-' times A alone."""
import os
import shlex
import shutil
import statistics
import subprocess
import sys

SPAWN = os.environ.get("VOK32_SPAWN", "spawn")


def run(argv, cwd):
    for name in os.listdir(cwd):
        path = os.path.join(cwd, name)
        shutil.rmtree(path) if os.path.isdir(path) else os.unlink(path)
    out = subprocess.run([SPAWN, cwd] + argv, check=True, capture_output=True, text=True).stdout
    wall, cpu, kb, code = out.split()
    if code != "0":
        sys.exit(f"{argv[0]} failed in {cwd}: exit {code}")
    return float(wall), float(cpu), int(kb)


def main():
    runs, task, goal, cwd, a, b = sys.argv[1:7]
    runs = int(runs)
    a = shlex.split(a)
    b = None if b == "-" else shlex.split(b)
    os.makedirs(cwd, exist_ok=True)
    ra, rb = [], []
    for i in range(runs + 1):
        x = run(a, cwd)
        y = run(b, cwd) if b else None
        if i > 0:
            ra.append(x)
            rb.append(y)
    med = statistics.median
    cols = []
    for k in (0, 1):  # wall, cpu
        cols.append(f"{med(r[k] for r in ra):8.1f}")
        if b:
            cols.append(f"{med(r[k] for r in rb):8.1f}")
            cols.append(f"{med(x[k] / y[k] for x, y in zip(ra, rb)):5.2f}")
        else:
            cols += ["       -", "    -"]
    verdict = ""
    if b and goal != "-":
        cpu_ratio = med(x[1] / y[1] for x, y in zip(ra, rb))
        verdict = "met" if cpu_ratio <= float(goal) else "NOT met"
    kb = f"{max(r[2] for r in ra):8d} {max(r[2] for r in rb) if b else 0:8d}"
    print(f"{task:<27} {' '.join(cols)}  {goal:>4}  {kb}  {verdict}", flush=True)


if __name__ == "__main__":
    main()
