#!/usr/bin/env python3
"""Runs QuorlDCW and the independent decoder (decode_table.py) on tables and
compares standard output, standard error and exit status byte for byte.

    compare_with_decoder.py --tool QuorlDCW [--runner PROGRAM] [--crlf]
        [--editions first,2407] (--manifest DIR | TABLE...)
    compare_with_decoder.py --decoder-only --manifest DIR [--editions ...]

The tool runs as `[runner] tool [-e 2407] -l 2147483647 PATH`. With
--manifest, every file listed in DIR/MANIFEST.tsv is checked, and each run
must also give what the manifest's `fields` column says: 6 fields dump in
both editions, 7 or mixed:6/7 are rejected in the first edition and dump
in the later one (-e 2407), and a file that is not a table is rejected in
both. --decoder-only checks the decoder against those expectations alone.

The environment variables QUORL_TOOL, QUORL_TOOL_RUNNER and
QUORL_TOOL_LINE_ENDS=crlf replace --tool, --runner and --crlf, so that a
test can be pointed at another build of the tool (the Windows one under
wine). Exits 0 when everything agrees, 1 on a difference, 77 when the
manifest's folder is missing (the test is skipped), 2 on a usage error.
"""

import argparse
import concurrent.futures
import csv
import os
import subprocess
import sys
import tempfile
import time

# The decoder beside this file, imported without leaving a bytecode cache
# in the source tree.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from decode_table import NOT_A_TABLE, decode_table  # noqa: E402

SKIPPED = 77
EDITIONS = {"first": False, "2407": True}
SHOWN_FAILURES = 10


def read_manifest(folder):
    """(path, expectation) for every file listed: expectation is the set of
    editions in which it must dump, or None for a file that is not a table."""
    entries = []
    with open(os.path.join(folder, "MANIFEST.tsv"), newline="") as f:
        for row in csv.DictReader(f, delimiter="\t"):
            fields = row["fields"]
            if fields == "not-a-table":
                dumps_in = None
            elif fields == "6":
                dumps_in = {"first", "2407"}
            elif fields in ("7", "mixed:6/7"):
                dumps_in = {"2407"}
            else:
                raise SystemExit("%s: unknown fields value %r" % (row["path"], fields))
            entries.append((os.path.join(folder, row["path"]), dumps_in))
    return entries


def take_crlf(text, stream, problems):
    """A Windows build's stream with its CR LF line ends turned back to LF;
    an LF that does not follow a CR is a problem."""
    at = text.find(b"\n")
    while at >= 0:
        if at == 0 or text[at - 1:at] != b"\r":
            problems.append("%s: line feed without carriage return at byte %d" % (stream, at))
            break
        at = text.find(b"\n", at + 1)
    return text.replace(b"\r\n", b"\n")


def run_once(args):
    """One run of the tool: (stdout, stderr, status)."""
    # Files, not pipes: the helper processes wine starts with a program
    # inherit its standard streams and outlive it, so a pipe would not
    # reach its end before they exit.
    with tempfile.TemporaryFile() as out_file, tempfile.TemporaryFile() as err_file:
        status = subprocess.run(args, stdin=subprocess.DEVNULL, stdout=out_file,
                                stderr=err_file).returncode
        out_file.seek(0)
        err_file.seek(0)
        return out_file.read(), err_file.read(), status


def run_tool(command, path, edition, crlf, problems):
    """The tool's (stdout, stderr, status) for one table and edition, and
    whether it had to be run twice.

    The tool writes its banner before anything else, so a failed run that
    wrote nothing at all never got to start; wine does that now and then
    (about once in a few thousand runs). Such a run is tried once more."""
    args = list(command)
    if EDITIONS[edition]:
        args += ["-e", "2407"]
    args += ["-l", "2147483647", path]
    out, err, status = run_once(args)
    retried = status != 0 and not out and not err
    if retried:
        out, err, status = run_once(args)
    if crlf:
        out = take_crlf(out, "tool's stdout", problems)
        err = take_crlf(err, "tool's stderr", problems)
    return (out, err, status), retried


def first_difference(name, mine, theirs):
    """Where two streams first differ: the line number and both lines."""
    a = mine.splitlines(keepends=True)
    b = theirs.splitlines(keepends=True)
    for number in range(max(len(a), len(b))):
        line_a = a[number] if number < len(a) else None
        line_b = b[number] if number < len(b) else None
        if line_a != line_b:
            return "%s differs at line %d:\n      tool:    %s\n      decoder: %s" % (
                name, number + 1, shown_line(line_a), shown_line(line_b))
    return None


def shown_line(line, limit=200):
    """A line for the report, repr'd and cut short; None is the stream's end."""
    if line is None:
        return "(end of stream)"
    text = repr(line)
    return text if len(text) <= limit else text[:limit] + "..."


def expectation_problems(who, result, dumps_in, edition):
    """What is wrong with a run's result against the manifest's expectation."""
    out, err, status = result
    if dumps_in is not None and edition in dumps_in:
        if status != 0 or not err.endswith(b" Records processed\n"):
            return ["%s: expected a dump (status 0), got status %d, stderr ending %r"
                    % (who, status, err[-60:])]
    elif status != 1 or not err.endswith(NOT_A_TABLE):
        return ["%s: expected \"Not a valid VPF table file\" (status 1), got status %d"
                % (who, status)]
    return []


def check_run(job, command, crlf):
    """Runs one table in one edition; returns (job, decoder status, problems,
    whether the tool was run twice)."""
    path, edition, dumps_in, has_expectation = job
    problems = []
    retried = False
    decoded = decode_table(path, EDITIONS[edition])
    if has_expectation:
        problems += expectation_problems("decoder", decoded, dumps_in, edition)
    if command is not None:
        tool, retried = run_tool(command, path, edition, crlf, problems)
        for name, index in (("stdout", 0), ("stderr", 1)):
            difference = first_difference(name, tool[index], decoded[index])
            if difference:
                problems.append(difference)
        if tool[2] != decoded[2]:
            problems.append("status: tool %d, decoder %d" % (tool[2], decoded[2]))
        if has_expectation:
            problems += expectation_problems("tool", tool, dumps_in, edition)
    return job, decoded[2], problems, retried


def parse_arguments():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--tool", help="the QuorlDCW binary (QUORL_TOOL replaces it)")
    parser.add_argument("--runner", help="an emulator to run the tool with (QUORL_TOOL_RUNNER)")
    parser.add_argument("--crlf", action="store_true",
                        help="the tool writes CR LF line ends (QUORL_TOOL_LINE_ENDS=crlf)")
    parser.add_argument("--manifest", metavar="DIR", help="check every file in DIR/MANIFEST.tsv")
    parser.add_argument("--editions", default="first",
                        help="first, 2407 or first,2407 (default first)")
    parser.add_argument("--decoder-only", action="store_true",
                        help="check the decoder against the manifest, without the tool")
    parser.add_argument("tables", nargs="*", help="table paths to check")
    args = parser.parse_args()
    args.editions = args.editions.split(",")
    if not args.editions or any(e not in EDITIONS for e in args.editions):
        parser.error("--editions takes first, 2407 or first,2407")
    if bool(args.manifest) == bool(args.tables):
        parser.error("give either --manifest DIR or table paths")
    if args.decoder_only and not args.manifest:
        parser.error("--decoder-only checks the manifest's expectations: give --manifest")
    args.tool = os.environ.get("QUORL_TOOL", args.tool)
    args.runner = os.environ.get("QUORL_TOOL_RUNNER", args.runner)
    args.crlf = args.crlf or os.environ.get("QUORL_TOOL_LINE_ENDS") == "crlf"
    if not args.decoder_only and not args.tool:
        parser.error("--tool is required (or QUORL_TOOL)")
    return args


def main():
    args = parse_arguments()
    if args.manifest:
        if not os.path.isdir(args.manifest):
            print("real tables not found at %s: skipped (they sit beside the project's root "
                  "in ../shared/realdata)" % args.manifest)
            return SKIPPED
        entries = [(path, dumps_in, True) for path, dumps_in in read_manifest(args.manifest)]
    else:
        entries = [(path, None, False) for path in args.tables]
    command = None
    if not args.decoder_only:
        command = ([args.runner] if args.runner else []) + [args.tool]
    jobs = [(path, edition, dumps_in, has_expectation)
            for path, dumps_in, has_expectation in entries for edition in args.editions]

    started = time.monotonic()
    failures = []
    statuses = {}
    retries = 0
    with concurrent.futures.ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        for job, status, problems, retried in pool.map(
                lambda j: check_run(j, command, args.crlf), jobs):
            retries += retried
            not_a_table = job[3] and job[2] is None
            key = ("other file" if not_a_table else "table", status)
            statuses[key] = statuses.get(key, 0) + 1
            if problems:
                failures.append((job, problems))
    seconds = time.monotonic() - started

    for (path, edition, _, _), problems in failures[:SHOWN_FAILURES]:
        print("FAIL %s (edition %s)" % (path, edition))
        for problem in problems:
            print("    " + problem)
    if len(failures) > SHOWN_FAILURES:
        print("... and %d more failing runs" % (len(failures) - SHOWN_FAILURES))
    if retries:
        print("%d run%s of the tool wrote nothing and failed: tried again"
              % (retries, "s" if retries > 1 else ""))
    print(summary(entries, args, statuses, failures, len(jobs), seconds))
    return 1 if failures else 0


def counted(n, word):
    return "%d %s%s" % (n, word, "" if n == 1 else "s")


def summary(entries, args, statuses, failures, runs, seconds):
    """One line: how many tables and runs, how many dumped and rejected
    (by the decoder's status), how long it took."""
    tables = sum(1 for _, dumps_in, listed in entries if not (listed and dumps_in is None))
    others = len(entries) - tables
    table_runs = sum(n for (kind, _), n in statuses.items() if kind == "table")
    verb = "meet%s the manifest (decoder only)" if args.decoder_only else "agree%s with the decoder"
    verb %= "s" if table_runs == 1 else ""
    if failures:
        verb = "checked, %d FAILED" % len(failures)
    dumped = statuses.get(("table", 0), 0)
    rejected = statuses.get(("table", 1), 0)
    other = table_runs - dumped - rejected
    line = "%s, editions %s: %s %s (%d dumped, %d rejected%s)" % (
        counted(tables, "table"), "+".join(args.editions), counted(table_runs, "run"), verb,
        dumped, rejected, ", %d other status" % other if other else "")
    if others:
        line += "; %s not a table: rejected in %d of %s" % (
            counted(others, "file"), statuses.get(("other file", 1), 0),
            counted(runs - table_runs, "run"))
    return line + "; %.1f s" % seconds


if __name__ == "__main__":
    sys.exit(main())
