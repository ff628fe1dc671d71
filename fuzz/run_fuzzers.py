#!/usr/bin/env python3
"""Runs every libFuzzer program of a fuzz build for a fixed time and reports executions.

    python3 fuzz/run_fuzzers.py BUILD_FOLDER SECONDS [TARGET...]

Each fuzz_<target> in BUILD_FOLDER/fuzz starts from its checked-in corpus (fuzz/corpus/<target>,
read only) and keeps what it learns in BUILD_FOLDER/fuzz-work/<target>. A crash, a hang
(over 10 seconds on one input) or a broken invariant is written to
BUILD_FOLDER/fuzz-work/<target>-crash-...; copy it into fuzz/corpus/<target>/found-<what>
once fixed, so the replay test keeps it fixed. Prints one line per target and exits 1 when
any target found something.
"""
import os
import re
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
HANG_SECONDS = 10
# Inputs longer than libFuzzer's default of 4 KiB, for targets that read whole files.
MAX_LENGTH = {"plist_read": 16384, "strings_table": 16384, "pane_entry": 16384,
              "signing_readers": 16384}
MEMORY_LIMIT_MB = 4096


def targets_in(corpus_root):
    return sorted(name for name in os.listdir(corpus_root)
                  if os.path.isdir(os.path.join(corpus_root, name)))


def stat(output, name):
    match = re.search(r"^stat::%s:\s*(\d+)" % name, output, re.MULTILINE)
    return int(match.group(1)) if match else None


def run_one(build, target, seconds):
    program = os.path.join(build, "fuzz", "fuzz_" + target)
    if not os.access(program, os.X_OK):
        return {"target": target, "error": "not built: " + program}
    work = os.path.join(build, "fuzz-work", target)
    os.makedirs(work, exist_ok=True)
    seeds = os.path.join(HERE, "corpus", target)
    command = [program, "-max_total_time=%d" % seconds, "-print_final_stats=1",
               "-timeout=%d" % HANG_SECONDS, "-rss_limit_mb=%d" % MEMORY_LIMIT_MB,
               "-max_len=%d" % MAX_LENGTH.get(target, 4096), "-artifact_prefix=%s-" % work,
               work, seeds]
    started = time.monotonic()
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            text=True, errors="replace", check=False)
    elapsed = time.monotonic() - started
    with open(work + ".log", "w") as log:
        log.write(result.stdout)
    return {
        "target": target,
        "executions": stat(result.stdout, "number_of_executed_units"),
        "seconds": elapsed,
        "corpus": len(os.listdir(work)),
        "failed": result.returncode != 0,
        "log": work + ".log",
    }


def report(outcome):
    if "error" in outcome:
        return "%-16s %s" % (outcome["target"], outcome["error"])
    executions = outcome["executions"] or 0
    line = "%-16s %10d executions in %5.1f s (%8.0f/s), corpus %d" % (
        outcome["target"], executions, outcome["seconds"],
        executions / max(outcome["seconds"], 0.001), outcome["corpus"])
    if outcome["failed"]:
        line += "  FOUND A FAULT, see " + outcome["log"]
    return line


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    build = os.path.abspath(sys.argv[1])
    seconds = int(sys.argv[2])
    targets = sys.argv[3:] or targets_in(os.path.join(HERE, "corpus"))
    outcomes = []
    for target in targets:
        outcome = run_one(build, target, seconds)
        print(report(outcome), flush=True)
        outcomes.append(outcome)
    total = sum(o.get("executions") or 0 for o in outcomes)
    faults = sum(1 for o in outcomes if o.get("failed") or "error" in o)
    print("fuzz: %d targets, %d executions, %d with faults" % (len(outcomes), total, faults))
    sys.exit(1 if faults else 0)


if __name__ == "__main__":
    main()
