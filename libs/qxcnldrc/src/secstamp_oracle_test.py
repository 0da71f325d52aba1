#!/usr/bin/env python3
"""Differential test of the seconds stamps against Python's own calendar.

Generates random dates and times from year 1 to 9999 (and some impossible
ones), and random timestamps, feeds them to the driver in one run, and
compares every answer with what datetime computes.

usage: secstamp_oracle_test.py [--seed N] [--count N] DRIVER [ARG...]
(the driver command may start with an emulator such as wine)
"""
import argparse
import datetime
import random
import subprocess
import sys


def expected_date(year, month, day, hours, minutes, seconds):
    try:
        date = datetime.date(year, month, day)
    except ValueError:
        return "-1 0"
    if hours > 23 or minutes > 59 or seconds > 59:
        return "-1 0"
    days = date.toordinal() - 1  # ordinal 1 is 0001-01-01
    return "0 %d" % (days * 86400 + hours * 3600 + minutes * 60 + seconds)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--seed", type=int, default=20261206)
    parser.add_argument("--count", type=int, default=10000)
    parser.add_argument("driver", nargs=argparse.REMAINDER)
    args = parser.parse_args()
    rng = random.Random(args.seed)

    requests, expected = [], []
    for _ in range(args.count):
        year = rng.randint(1, 9999)
        month = rng.randint(1, 12)
        day = rng.randint(1, 31)          # some impossible days on purpose
        hours, minutes, seconds = rng.randint(0, 23), rng.randint(0, 59), rng.randint(0, 59)
        if rng.random() < 0.02:
            hours = rng.randint(24, 255)
        requests.append("D %d %d %d %d %d %d" % (year, month, day, hours, minutes, seconds))
        expected.append(expected_date(year, month, day, hours, minutes, seconds))
    for _ in range(args.count // 4):
        ticks = rng.getrandbits(64)
        requests.append("T %d" % ticks)
        expected.append("0 %d" % (ticks // 10_000_000))

    run = subprocess.run(args.driver, input="\n".join(requests) + "\n",
                         capture_output=True, text=True, check=False)
    if run.returncode != 0:
        print("driver failed with", run.returncode, run.stderr, file=sys.stderr)
        return 1
    answers = run.stdout.split("\n")
    failures = 0
    for i, (request, want) in enumerate(zip(requests, expected)):
        got = answers[i].strip() if i < len(answers) else "<none>"
        if got != want:
            failures += 1
            if failures <= 10:
                print("%s: expected %s, got %s" % (request, want, got), file=sys.stderr)
    print("%d cases, %d failures (seed %d)" % (len(requests), failures, args.seed))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
