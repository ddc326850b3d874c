#!/usr/bin/env python3
"""Python's plistlib on the files the C++ benchmark wrote: CPU time per parse, median of runs."""
import json
import pathlib
import plistlib
import statistics
import sys
import timeit
import time


def per_parse(data: bytes, repeats: int) -> float:
    timer = timeit.Timer(lambda: plistlib.loads(data), timer=time.process_time)
    number, _ = timer.autorange()
    runs = timer.repeat(repeat=repeats, number=number)
    return statistics.median(runs) / number


def main() -> None:
    folder = pathlib.Path(sys.argv[1])
    repeats = int(sys.argv[2]) if len(sys.argv) > 2 else 9
    results = {}
    for name in ("defaults", "settings300", "keys100", "keys1000", "keys10000", "keys100000"):
        for suffix, form in ((".plist", "xml"), (".bplist", "binary")):
            path = folder / (name + suffix)
            if path.exists():
                count = 3 if name == "keys100000" else repeats
                results[f"read/{form}/{name}/plistlib"] = per_parse(path.read_bytes(), count)
    json.dump({"python": sys.version.split()[0], "seconds": results}, sys.stdout, indent=1)


if __name__ == "__main__":
    main()
