#!/usr/bin/python3
"""Batches of small drawings: qln-cli against the floor of copying and writing the same files, with one
worker and with several, with and without the run journal; find against grep.

  jobs_bench.py [--qln PATH] [--count N] [--reps N] [--source FILE] [--work DIR] [--jobs 1 2]
  jobs_bench.py --big N [--qln PATH] [--work DIR]      peak memory over N tiny drawings in a tree

Every figure is the median over the repetitions of a whole process (start-up included), page cache
warm, drawings copied afresh and synced before each timed run. CPU is user + system of the process
(less disturbed by other jobs on a shared machine than wall time). The floors, timed the same way:

  cp        cp -r of the folder into a new one (one copy_file_range a file; nothing waits for the disk)
  rw+sync   a small C-like loop in this script: read each file, write its bytes to a new file beside
            it, one fdatasync each, rename over the original, one directory fsync at the end
  grep      grep -c -i PHRASE over the files, its output to a pipe (to /dev/null GNU grep stops at
            the first hit)
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def timed(cmd, stdout=subprocess.DEVNULL, cwd=None):
    """Wall and CPU seconds and peak RSS (MB, from /usr/bin/time: the rusage of a child forked from
    this script keeps the script's own peak) of one process."""
    peak = tempfile.NamedTemporaryFile(prefix="qln-peak-", delete=False)
    peak.close()
    start = time.perf_counter()
    proc = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", peak.name] + cmd, stdout=stdout,
                            stderr=subprocess.DEVNULL, cwd=cwd)
    if stdout == subprocess.PIPE:
        for _ in iter(lambda: proc.stdout.read(1 << 16), b""):
            pass
    _, status, usage = os.wait4(proc.pid, 0)
    wall = time.perf_counter() - start
    with open(peak.name) as f:
        text = f.read().split()
    os.unlink(peak.name)
    rss = float(text[-1]) / 1024.0 if text and text[-1].isdigit() else 0.0
    return wall, usage.ru_utime + usage.ru_stime, rss, os.waitstatus_to_exitcode(status)


def fresh(src_files, folder):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    paths = []
    for i, src in enumerate(src_files):
        dst = os.path.join(folder, "d%05d.dxf" % i)
        shutil.copyfile(src, dst)
        paths.append(dst)
    os.sync()
    return paths


def read_write_sync(paths):
    """The floor of a save: read, write a new file, fdatasync it, rename it over the old one."""
    start = time.perf_counter()
    cpu0 = time.process_time()
    folder = os.path.dirname(paths[0])
    for p in paths:
        fd = os.open(p, os.O_RDONLY)
        data = os.read(fd, 1 << 30)
        os.close(fd)
        tmp = p + ".new"
        fd = os.open(tmp, os.O_WRONLY | os.O_CREAT | os.O_TRUNC, 0o644)
        os.write(fd, data)
        os.fdatasync(fd)
        os.close(fd)
        os.rename(tmp, p)
    dfd = os.open(folder, os.O_RDONLY)
    os.fsync(dfd)
    os.close(dfd)
    return time.perf_counter() - start, time.process_time() - cpu0


def med(values):
    return statistics.median(values)


def batch(args):
    work = args.work or tempfile.mkdtemp(prefix="qln-jobs-")
    src = [args.source] * args.count
    tpl = os.path.join(ROOT, "examples", "templates", "rooms.txt")
    logs = os.path.join(work, "logs")
    os.makedirs(logs, exist_ok=True)
    env_home = os.path.join(work, "home")
    os.environ["XDG_DATA_HOME"] = env_home
    rows = {}

    def add(name, wall, cpu, rss=0.0):
        rows.setdefault(name, []).append((wall, cpu, rss))

    for rep in range(args.reps):
        paths = fresh(src, os.path.join(work, "dwg"))
        shutil.rmtree(os.path.join(work, "copy"), ignore_errors=True)
        w, c, r, _ = timed(["cp", "-r", os.path.join(work, "dwg"), os.path.join(work, "copy")])
        add("cp", w, c, r)
        w, c = read_write_sync(paths)
        add("rw+sync", w, c)
        for jobs in args.jobs:
            for journal in (True, False):
                paths = fresh(src, os.path.join(work, "dwg"))
                shutil.rmtree(env_home, ignore_errors=True)
                cmd = [args.qln, "modify", "--template", tpl, "--log-dir", logs, "--quiet", "--jobs", str(jobs)]
                if not journal:
                    cmd.append("--no-journal")
                w, c, r, rc = timed(cmd + paths)
                if rc not in (0, 1):
                    sys.exit("qln-cli modify failed: %d" % rc)
                add("modify --jobs %d%s" % (jobs, "" if journal else " --no-journal"), w, c, r)
        pattern = os.path.join(work, "dwg", "*.dxf")
        for jobs in args.jobs:
            w, c, r, _ = timed([args.qln, "find", "--quiet", "--jobs", str(jobs), args.phrase, pattern],
                               stdout=subprocess.PIPE)
            add("find --jobs %d" % jobs, w, c, r)
        w, c, r, _ = timed(["grep", "-c", "-i", args.phrase] + paths, stdout=subprocess.PIPE)
        add("grep -c -i", w, c, r)

    cp = med([x[0] for x in rows["cp"]])
    rw = med([x[0] for x in rows["rw+sync"]])
    grep = med([x[0] for x in rows["grep -c -i"]])
    print("%d copies of %s (%d bytes), %d repetitions, medians" %
          (args.count, os.path.basename(args.source), os.path.getsize(args.source), args.reps))
    print("| run | wall s | CPU s | peak MB | ÷ cp | ÷ rw+sync | ÷ grep |")
    print("|---|---|---|---|---|---|---|")
    for name, vals in rows.items():
        w = med([v[0] for v in vals])
        c = med([v[1] for v in vals])
        r = med([v[2] for v in vals])
        vs_grep = "%.2f×" % (w / grep) if name.startswith("find") else ""
        vs = "%.2f×" % (w / cp), "%.2f×" % (w / rw)
        if name.startswith("find") or name == "grep -c -i":
            vs = ("", "")
        print("| %s | %.3f | %.3f | %.1f | %s | %s | %s |" % (name, w, c, r, vs[0], vs[1], vs_grep))
    for jobs in args.jobs[1:]:
        one = med([v[0] for v in rows["modify --jobs %d" % args.jobs[0]]])
        more = med([v[0] for v in rows["modify --jobs %d" % jobs]])
        print("modify --jobs %d is %.2f× faster than --jobs %d" % (jobs, one / more, args.jobs[0]))


TINY = ("0\r\nSECTION\r\n2\r\nENTITIES\r\n0\r\nTEXT\r\n5\r\n1A\r\n8\r\n0\r\n10\r\n1.5\r\n20\r\n2.5\r\n30\r\n0\r\n"
        "40\r\n1\r\n1\r\ncolour note %d\r\n0\r\nENDSEC\r\n0\r\nEOF\r\n")


def big(args):
    """Peak memory of runs over many tiny drawings in one folder tree (100 folders)."""
    work = args.work or tempfile.mkdtemp(prefix="qln-big-")
    tree = os.path.join(work, "tree")
    if not os.path.isdir(tree):
        for i in range(args.big):
            folder = os.path.join(tree, "f%03d" % (i % 100))
            os.makedirs(folder, exist_ok=True)
            with open(os.path.join(folder, "d%06d.dxf" % i), "w", newline="") as f:
                f.write(TINY % i)
    logs = os.path.join(work, "logs")
    os.makedirs(logs, exist_ok=True)
    os.environ["XDG_DATA_HOME"] = os.path.join(work, "home")
    nothing = os.path.join(work, "nothing.txt")
    with open(nothing, "w") as f:
        f.write("*INPUT\r\nSPACE: MODEL\r\nBLOCK: *MODEL_SPACE\r\n*COMMANDS\r\nf,nowhere,never\r\n")
    change = os.path.join(work, "change.txt")
    with open(change, "w") as f:
        f.write("*INPUT\r\nSPACE: MODEL\r\nBLOCK: *MODEL_SPACE\r\n*COMMANDS\r\nf,colour,color\r\n")
    print("| run over %d drawings | wall s | CPU s | peak MB |" % args.big)
    print("|---|---|---|---|")
    for label, tpl, flags in (("run, nothing to change", nothing, []),
                              ("run, every drawing changed and saved", change, ["--no-journal"])):
        lst = os.path.join(work, "list.dlf")
        with open(lst, "w") as f:
            f.write(os.path.join(tree, "*") + "," + tpl + "\r\n")
        w, c, r, rc = timed([args.qln, "run", "--quiet", "--no-audit", "--log-dir", logs] + flags + [lst])
        print("| %s | %.2f | %.2f | %.1f |" % (label, w, c, r))
    pattern = os.path.join(tree, "f000", "*.dxf")
    out = os.path.join(work, "rows.csv")
    for folder in ("f000",):
        w, c, r, rc = timed([args.qln, "find", "--quiet", "--output", out, "colour", pattern])
        print("| find in one folder (%d drawings) | %.2f | %.2f | %.1f |" % (args.big // 100, w, c, r))


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--qln", default=os.path.join(ROOT, "build-rel", "qln-cli"))
    ap.add_argument("--count", type=int, default=1000)
    ap.add_argument("--reps", type=int, default=3)
    ap.add_argument("--source", default=os.path.join(ROOT, "examples", "drawings", "A-101.dxf"))
    ap.add_argument("--phrase", default="room")
    ap.add_argument("--work")
    ap.add_argument("--jobs", type=int, nargs="+", default=[1, 2])
    ap.add_argument("--big", type=int, help="peak memory over this many tiny drawings instead")
    args = ap.parse_args()
    if args.big:
        big(args)
    else:
        batch(args)


if __name__ == "__main__":
    main()
