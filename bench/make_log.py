#!/usr/bin/python3
"""Writes a logbook of N made-up contacts (the same ones every time): make_log.py FILE N"""
import random
import sys

random.seed(7)
bands, modes = ["80m", "40m", "20m", "6m", "2m", "70cm"], ["FM", "SSB", "CW"]
with open(sys.argv[1], "wb") as f:
    for i in range(1, int(sys.argv[2]) + 1):
        mode = random.choice(modes)
        call = "VK%d%s" % (random.randint(1, 8), "".join(random.choice("ABCDEFGHIJKLMNOPQRSTUVWXYZ") for _ in range(3)))
        rst = "599" if mode == "CW" else "59"
        f.write(('"08-%02d-2026","%02d:%02d","%s","%s","%s","%s%03d","%s%03d",%d,"%s"\r\n' % (
            15 + i // 1440, (i // 60) % 24, i % 60, random.choice(bands), mode, call,
            rst, i % 1000, rst, random.randint(1, 999), 2 if mode == "CW" else 1,
            random.choice(["Peter", "Margaret", "Jo", "Alexandra"]))).encode("latin-1"))
