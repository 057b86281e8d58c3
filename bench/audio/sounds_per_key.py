#!/usr/bin/env python3
"""What `lumidex-chart sounds` costs per key sound, for each decoder.

Usage: sounds_per_key.py TOOL [--keys 250,1000,2000] [--runs 3]

Writes a chart with N key sounds, each its own 0.3 s WAV file (and 1 s of music), into
a temporary folder, then runs `TOOL sounds CHART --decoder D` for each
decoder and each N. Prints, per run, the CPU time (user + system) and the
peak resident memory (medians of the runs), and per decoder the CPU time and
memory per key between the smallest and the largest N, so the start-up of
the process drops out.
"""
import math
import os
import shutil
import statistics
import struct
import subprocess
import sys
import tempfile
import wave

RATE = 44100


def write_tone(path, seconds, hz):
    frames = int(RATE * seconds)
    samples = (int(12000 * math.sin(2 * math.pi * hz * i / RATE)) for i in range(frames))
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<h", s) for s in samples))


def write_chart(folder, keys):
    write_tone(os.path.join(folder, "m.wav"), 1.0, 220)
    # Each key its own file (the same 0.3 s tone: the decoders' cost does
    # not depend on the pitch).
    key = os.path.join(folder, "key.wav")
    if not os.path.exists(key):
        write_tone(key, 0.3, 440)
    effects = []
    for k in range(1, keys + 1):
        name = f"k{k}.wav"
        path = os.path.join(folder, name)
        if not os.path.exists(path):
            shutil.copyfile(key, path)
        effects.append(f'<EFFECT Snd="{name}" Volume="1"></EFFECT>')
    chart = os.path.join(folder, f"keys{keys}.xml")
    with open(chart, "w", encoding="ascii", newline="") as f:
        f.write('<TITLE Name="Song">\r\n<BGM Name="m.wav" Volume="1"></BGM>\r\n'
                '<BPM Frame="0" BPM="120"></BPM>\r\n<DELAY Value="0"></DELAY>\r\n')
        f.write("\r\n".join(effects))
        f.write('\r\n<AREA Coord="0" Kind="20" FxSndIndex="1"></AREA>\r\n</TITLE>\r\n')
    return chart


def run(argv):
    proc = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(proc.pid, 0)
    if os.waitstatus_to_exitcode(status) != 0:
        sys.exit(f"{' '.join(argv)} failed with status {status}")
    return (usage.ru_utime + usage.ru_stime) * 1000, usage.ru_maxrss / 1024


def main():
    args = sys.argv[1:]
    options = {"--keys": "250,1000,2000", "--runs": "3"}
    for name in options:
        if name in args:
            at = args.index(name)
            options[name] = args[at + 1]
            del args[at:at + 2]
    if len(args) != 1:
        sys.exit(__doc__)
    tool = args[0]
    counts = [int(n) for n in options["--keys"].split(",")]
    runs = int(options["--runs"])
    with tempfile.TemporaryDirectory() as folder:
        charts = {n: write_chart(folder, n) for n in counts}
        print(f"{'decoder':8} {'keys':>6} {'CPU ms':>9} {'peak MB':>9}  (median of {runs})")
        for decoder in ("bass", "miles", "dshow"):
            figures = {}
            for n in counts:
                samples = [run([tool, "sounds", charts[n], "--decoder", decoder,
                                "--music-path", folder + "/"])
                           for _ in range(runs)]
                cpu = statistics.median(s[0] for s in samples)
                peak = statistics.median(s[1] for s in samples)
                figures[n] = (cpu, peak)
                print(f"{decoder:8} {n:6} {cpu:9.1f} {peak:9.1f}")
            low, high = counts[0], counts[-1]
            per_key_us = (figures[high][0] - figures[low][0]) * 1000 / (high - low)
            per_key_kb = (figures[high][1] - figures[low][1]) * 1024 / (high - low)
            print(f"{decoder:8} per key: {per_key_us:.0f} us CPU, {per_key_kb:.1f} KB kept")


if __name__ == "__main__":
    main()
