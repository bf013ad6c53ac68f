#!/usr/bin/env python3
"""Merges the tables printed by several runs of ./bench.sh into one.

    bench/median_of_runs.py run1.log run2.log run3.log

For every measurement the row of the run whose ratio (for an absolute target:
whose own median) is the median of all runs is kept whole (figures, spread, verdict), and a column gives the ratio
and verdict of every run, in the order the files were given.
"""
import statistics
import sys


def rows(path):
    table = {}
    order = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            if not line.startswith("| ") or line.startswith("| measurement"):
                continue
            cells = [c.strip() for c in line.strip().strip("|").split("|")]
            if len(cells) != 11:
                continue
            table[cells[0]] = cells
            order.append(cells[0])
    return order, table


UNITS = {"µs": 1e-6, "ms": 1e-3, "s": 1.0, "MiB": 1.0}


def key(cells):
    """What the row is judged by: our median for an absolute target, else the ratio."""
    try:
        if cells[8] and not cells[8].endswith("×"):
            number, unit = cells[2].split()
            return float(number) * UNITS[unit]
        return float(cells[7].rstrip("×"))
    except (ValueError, KeyError):
        return None


def main(paths):
    runs = [rows(p) for p in paths]
    order = runs[0][0]
    print("| measurement | n | ours median | ours p25–p75 | baseline | base median | "
          "base p25–p75 | ratio | target | | note | each run |")
    print("|---|---|---|---|---|---|---|---|---|---|---|---|")
    for what in order:
        found = [table[what] for _, table in runs if what in table]
        ratios = [key(c) for c in found]
        if all(r is not None for r in ratios) and len(found) > 1:
            middle = statistics.median_low(ratios)
            chosen = found[ratios.index(middle)]
            shown = 2 if chosen[8] and not chosen[8].endswith("×") else 7
            each = " / ".join(
                f"{c[shown]}{' ' + c[9] if c[9] else ''}" for c in found)
        else:
            chosen, each = found[0], "-"
        print("| " + " | ".join(chosen + [each]) + " |")


if __name__ == "__main__":
    main(sys.argv[1:])
