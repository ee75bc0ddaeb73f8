#!/usr/bin/python3
"""The main window's runs against qln-cli on the same drawings: "3) Modify Text" over every drawing of a
folder, and "File" with a drawing list file naming the folder, each against `qln-cli modify` of the same
drawings with the same template. The window's time runs from the click until it has handled what the run
left behind (see window_bench.cpp); qln-cli's is the whole process.

usage: window_vs_cli.py [--build DIR] [--data DIR] [--batches 300 3000] [--reps N] [--out FILE]

  --build   the build holding qln-cli and bench/qln_window_bench (default: build)
  --data    the drawings of gen_drawings.py (default: build/bench-data; make them with
            gen_drawings.py --out DIR --only batch-300 batch-3000)
Drawings are copied afresh and synced before each timed run; medians over the repetitions.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
TEMPLATE = "*INPUT\r\n*COMMANDS\r\nsd,OBSOLETE\r\nf,colour,color\r\np\r\n"


def fresh(src, work):
    dst = os.path.join(work, "dwg")
    shutil.rmtree(dst, ignore_errors=True)
    shutil.copytree(src, dst)
    subprocess.run(["sync"], check=True)
    return dst


def time_cli(build, src, work, tpl):
    dwg = fresh(src, work)
    files = sorted(os.path.join(dwg, f) for f in os.listdir(dwg) if f.endswith(".dxf"))
    logs = os.path.join(work, "logs-cli")
    os.makedirs(logs, exist_ok=True)
    start = time.monotonic()
    p = subprocess.run([os.path.join(build, "qln-cli"), "modify", "--quiet", "--template", tpl, "--log-dir", logs]
                       + files, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    seconds = time.monotonic() - start
    if p.returncode != 0:
        sys.exit("qln-cli failed: %s" % p.stderr)
    return seconds


def time_window(build, src, work, tpl, use_list):
    dwg = fresh(src, work)
    logs = os.path.join(work, "logs-window")
    os.makedirs(logs, exist_ok=True)
    cmd = [os.path.join(build, "bench", "qln_window_bench"), "--drawings", dwg, "--template", tpl, "--logs", logs]
    if use_list:
        dlf = os.path.join(work, "list.dlf")
        with open(dlf, "w", newline="") as f:
            f.write(os.path.join(dwg, "*.dxf") + "," + tpl + "\r\n")
        cmd += ["--list", dlf]
    p = subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    if p.returncode != 0 or not p.stdout.startswith("seconds "):
        sys.exit("qln_window_bench failed: %s %s" % (p.stdout, p.stderr))
    words = p.stdout.split()
    return float(words[1]), p.stdout.split(" status ", 1)[1].strip()


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--build", default=os.path.join(ROOT, "build"))
    ap.add_argument("--data", default=os.path.join(ROOT, "build", "bench-data"))
    ap.add_argument("--batches", nargs="*", type=int, default=[300, 3000])
    ap.add_argument("--reps", type=int, default=3)
    ap.add_argument("--out")
    args = ap.parse_args()
    work = tempfile.mkdtemp(prefix="qln-window-bench-")
    tpl = os.path.join(work, "modify.txt")
    with open(tpl, "w", newline="") as f:
        f.write(TEMPLATE)
    rows = ["| drawings | qln-cli modify s | window Modify Text s | ratio (≤1.3) | window File (list) s | ratio |",
            "|---:|---:|---:|---:|---:|---:|"]
    try:
        for n in args.batches:
            src = os.path.join(args.data, "batch-%d" % n)
            if not os.path.isdir(src):
                sys.exit("no %s: make it with gen_drawings.py --out %s --only batch-%d" % (src, args.data, n))
            cli, win, lst = [], [], []
            status = ""
            for _ in range(args.reps):
                cli.append(time_cli(args.build, src, work, tpl))
                t, status = time_window(args.build, src, work, tpl, False)
                win.append(t)
                t, _ = time_window(args.build, src, work, tpl, True)
                lst.append(t)
            c, w, l = statistics.median(cli), statistics.median(win), statistics.median(lst)
            rows.append("| %d | %.2f | %.2f | %.2f | %.2f | %.2f |" % (n, c, w, w / c, l, l / c))
            print(rows[-1], "  (window status: %s)" % status, flush=True)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    text = "\n".join(rows) + "\n"
    print(text)
    if args.out:
        with open(args.out, "w") as f:
            f.write(text)


if __name__ == "__main__":
    main()
