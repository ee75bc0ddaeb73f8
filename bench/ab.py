#!/usr/bin/python3
"""Two builds of qln-cli against each other, runs interleaved (A, B, A, B, ...) so that load from other
work on the machine falls on both alike. For measuring a change: A is the build before it, B after.

usage: ab.py A_QLN B_QLN [--data DIR] [--reps N] [--sizes 5 20 100]

Prints, per case, the median wall time, CPU time (user + system) and peak memory of each build and
B's change against A. Cases: one-text (open-change-save), modify (the template of compare.py), find,
on the generated drawings of the sizes asked for, and the report of the 100,000-text drawing.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)

import sys  # noqa: E402

sys.path.insert(0, HERE)
from compare import MODIFY_TEMPLATE, ONE_TEXT_TEMPLATE, PHRASE  # noqa: E402


def timed(cmd, work):
    report = os.path.join(work, "time.txt")
    with open(os.path.join(work, "stdout.txt"), "wb") as out:
        t0 = time.perf_counter()
        p = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", report] + cmd, stdout=out, stderr=subprocess.PIPE)
        _, status, usage = os.wait4(p.pid, 0)
        elapsed = time.perf_counter() - t0
        p.stderr.close()
    if os.waitstatus_to_exitcode(status) not in (0, 1):
        sys.exit("failed: " + " ".join(cmd))
    with open(report) as f:
        rss = int(f.read().split()[-1]) * 1024
    return elapsed, usage.ru_utime + usage.ru_stime, rss


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("a")
    ap.add_argument("b")
    ap.add_argument("--data", default=os.path.join(ROOT, "build-rel", "bench-data"))
    ap.add_argument("--reps", type=int, default=7)
    ap.add_argument("--sizes", nargs="*", default=["5", "20", "100"])
    args = ap.parse_args()
    work = tempfile.mkdtemp(prefix="qln-ab-")
    templates = {}
    for name, text in (("one", ONE_TEXT_TEMPLATE), ("mod", MODIFY_TEMPLATE)):
        templates[name] = os.path.join(work, name + ".txt")
        with open(templates[name], "w", newline="") as f:
            f.write(text)
    builds = {"A": os.path.abspath(args.a), "B": os.path.abspath(args.b)}

    cases = []
    for size in args.sizes:
        src = os.path.join(args.data, "size-%smb.dxf" % size)
        for kind in ("one", "mod"):
            cases.append(("%s %s MB" % ({"one": "one-text", "mod": "modify"}[kind], size), src,
                          lambda q, path, kind=kind: [q, "modify", "--quiet", "--template", templates[kind],
                                                      "--log-dir", work, path]))
        cases.append(("find %s MB" % size, None,
                      lambda q, path, src=src: [q, "find", "--quiet", "--output", os.path.join(work, "f.txt"),
                                                PHRASE, src]))
    texts = os.path.join(args.data, "texts-100k.dxf")
    cases.append(("report 100k texts", None,
                  lambda q, path: [q, "report", "--quiet", "--output", os.path.join(work, "attr.htm"), texts]))

    print("| case | A wall s | B wall s | B/A | A CPU s | B CPU s | A peak MB | B peak MB |")
    print("|---|---|---|---|---|---|---|---|")
    for label, src, make in cases:
        got = {"A": [], "B": []}
        for _ in range(args.reps):
            for key in ("A", "B"):
                path = None
                if src:
                    path = os.path.join(work, "d.dxf")
                    shutil.copyfile(src, path)
                    for leftover in (path + ".bak",):
                        if os.path.exists(leftover):
                            os.remove(leftover)
                os.sync()
                got[key].append(timed(make(builds[key], path), work))
        med = {k: [statistics.median(x[i] for x in v) for i in range(2)] + [max(x[2] for x in v)]
               for k, v in got.items()}
        print("| %s | %.4f | %.4f | %.2f | %.4f | %.4f | %.1f | %.1f |" % (
            label, med["A"][0], med["B"][0], med["B"][0] / med["A"][0], med["A"][1], med["B"][1],
            med["A"][2] / (1 << 20), med["B"][2] / (1 << 20)))
        sys.stdout.flush()
    shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
