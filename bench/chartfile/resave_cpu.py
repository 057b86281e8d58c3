#!/usr/bin/env python3
"""CPU time of `lumidex-chart resave` as a whole process, against its start-up.

Usage: resave_cpu.py CHART.xml TOOL [TOOL...] [--runs N]

Runs every TOOL (a lumidex-chart binary, e.g. one built before a change and
one after) in turn, N rounds (default 15): `resave CHART OUT --force`, then
`--help` for the start-up. Prints, per tool, the median CPU time (user +
system) of each and the resave beyond start-up. CPU time, not wall time: the
machine is shared. The CHART is written by `bench_chartfile --write-full`.
"""
import os
import statistics
import subprocess
import sys
import tempfile


def cpu_ms(argv):
    proc = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    if os.waitstatus_to_exitcode(status) not in (0, 1):
        sys.exit(f"{argv} failed with status {status}")
    return (usage.ru_utime + usage.ru_stime) * 1000


def main():
    args = sys.argv[1:]
    runs = 15
    if "--runs" in args:
        at = args.index("--runs")
        runs = int(args[at + 1])
        del args[at:at + 2]
    if len(args) < 2:
        sys.exit(__doc__)
    chart, tools = args[0], args[1:]
    resave = {tool: [] for tool in tools}
    startup = {tool: [] for tool in tools}
    with tempfile.TemporaryDirectory() as folder:
        out = os.path.join(folder, "out.xml")
        for _ in range(runs):
            for tool in tools:
                resave[tool].append(cpu_ms([tool, "resave", chart, out, "--force"]))
                startup[tool].append(cpu_ms([tool, "--help"]))
    print(f"{'tool':40} {'resave ms':>10} {'start-up ms':>12} {'beyond ms':>10}  (CPU, median of {runs})")
    for tool in tools:
        r, s = statistics.median(resave[tool]), statistics.median(startup[tool])
        print(f"{tool:40} {r:10.1f} {s:12.1f} {r - s:10.1f}")


if __name__ == "__main__":
    main()
