#!/usr/bin/env python3
"""The one summary of a test run, from CTest's JUnit reports (ctest --output-junit).

    scripts/test-summary.py REPORT.xml... [--gtest DIR] [--builds FILE] [--unavailable FILE]

Prints the tests of each label (native, asan, fuzz, wine64, wine32, package, e2e) with
their counts, every skipped test with the reason its output gave ("skipped: ..." or the
last line), every test run once more after a hang ("retried: ..."), every failed test with its log, the GoogleTest cases the Windows tests ran
(their XML reports in DIR), the time of each build (FILE: the "... in N s" lines of
scripts/build.sh) and their sum, the packages that could not be installed with apt's
reason (FILE: scripts/deps.sh's "PACKAGE: reason" lines), and last the plain line "N passed, N failed, N skipped".
Exit code 1 when a test failed or none ran.
"""
import collections
import glob
import os
import re
import sys
import xml.etree.ElementTree as ET


def label_of(name):
    first = name.split(".", 1)[0]
    if first in ("asan", "fuzz", "wine64", "wine32", "package", "e2e"):
        return first
    return "native"


def reason_of(case):
    out = (case.findtext("system-out") or "").strip().splitlines()
    for line in out:
        if line.startswith("skipped: "):
            return line[len("skipped: "):]
    return out[-1] if out else "(no output)"


def hung_case_of(log):
    """The GoogleTest case a program that ran past its time limit was in, from its log."""
    if not log.endswith(".log") or not os.path.exists(log):
        return ""
    case, ended = "", False
    with open(log, errors="replace") as f:
        for line in f:
            line = line.rstrip("\r\n")
            if line.startswith("[ RUN      ]"):
                case = line.split()[-1]
            elif line.startswith("[       OK ]") or line.startswith("[  FAILED  ]"):
                case = ""
            elif "ended after its time limit" in line:
                ended = True
    return case if ended and case else ""


def failed_cases_of(bits, gtest_dir, max_lines=6):
    """(name, first lines of the failure message) of each failed GoogleTest case."""
    out = []
    for path in sorted(glob.glob(os.path.join(gtest_dir, bits + ".*.xml"))):
        try:
            root = ET.parse(path).getroot()
        except ET.ParseError:
            continue
        for case in root.iter("testcase"):
            problems = case.findall("failure") + case.findall("error")
            if not problems:
                continue
            lines = []
            for problem in problems:
                text = problem.get("message") or problem.text or ""
                lines.extend(l for l in text.splitlines() if l.strip())
            out.append(("%s %s.%s" % (bits, case.get("classname"), case.get("name")), lines[:max_lines]))
    return out


def main(argv):
    reports, gtest_dir, builds, unavailable = [], None, None, None
    it = iter(argv)
    for arg in it:
        if arg == "--gtest":
            gtest_dir = next(it)
        elif arg == "--builds":
            builds = next(it)
        elif arg == "--unavailable":
            unavailable = next(it)
        else:
            reports.append(arg)

    counts = collections.OrderedDict()
    failed_cases = []
    skipped, failed, retried = [], [], []
    for report in reports:
        if not os.path.exists(report):
            failed.append((os.path.basename(report), "no report: the run did not finish"))
            continue
        for case in ET.parse(report).getroot().iter("testcase"):
            name = case.get("name")
            c = counts.setdefault(label_of(name), [0, 0, 0])
            status = case.get("status")
            for line in (case.findtext("system-out") or "").splitlines():
                if line.startswith("retried: "):
                    retried.append((name, line[len("retried: "):]))
            if status == "run":
                c[0] += 1
            elif status == "disabled" or (status == "notrun" and case.find("skipped") is not None
                                          and "SKIP_" in case.find("skipped").get("message", "")):
                c[2] += 1
                skipped.append((name, reason_of(case)))
            else:
                c[1] += 1
                failed.append((name, "build/logs/%s.log" % name if label_of(name).startswith("wine") else "its output in the JUnit report"))

    print("== summary")
    for label, (p, f, s) in counts.items():
        print("  %-8s %d passed, %d failed, %d skipped" % (label, p, f, s))
    if gtest_dir:
        for bits in ("wine64", "wine32"):
            cases = fails = 0
            for path in glob.glob(os.path.join(gtest_dir, bits + ".*.xml")):
                try:
                    root = ET.parse(path).getroot()
                except ET.ParseError:
                    continue
                cases += int(root.get("tests", 0)) - int(root.get("disabled", 0))
                fails += int(root.get("failures", 0)) + int(root.get("errors", 0))
            if cases:
                print("  %s: %d GoogleTest cases run, %d failed" % (bits, cases, fails))
            failed_cases.extend(failed_cases_of(bits, gtest_dir))
    if builds and os.path.exists(builds):
        total = 0
        with open(builds) as f:
            for line in f:
                line = line.strip()
                match = re.search(r" in (\d+) s$", line)
                if match:
                    total += int(match.group(1))
                    print("  build: %s" % line)
        print("  build: %d s in all" % total)
    if unavailable and os.path.exists(unavailable):
        with open(unavailable) as f:
            for line in f:
                if line.strip():
                    print("  not installed: %s" % line.strip())
    for name, reason in retried:
        print("  retried: %s: %s" % (name, reason))
    for name, reason in skipped:
        print("  skipped: %s: %s" % (name, reason))
    for name, where in failed:
        print("  FAILED: %s (%s)" % (name, where))
        hung = hung_case_of(where)
        if hung:
            print("    | hung in %s" % hung)
    # CI shows little more than this summary: the first lines of each failed case's
    # message are often all there is to go on.
    for name, lines in failed_cases[:20]:
        print("  failed case: %s" % name)
        for line in lines:
            print("    | %s" % line)
    passed = sum(c[0] for c in counts.values())
    nfailed = sum(c[1] for c in counts.values()) + sum(1 for _, w in failed if w.startswith("no report"))
    nskipped = sum(c[2] for c in counts.values())
    print("%d passed, %d failed, %d skipped" % (passed, nfailed, nskipped))
    return 1 if nfailed or not passed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
