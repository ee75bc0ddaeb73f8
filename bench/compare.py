#!/usr/bin/python3
"""Whole-program comparison: qln-cli against cp, a python3-ezdxf script and grep, side by side in one run.

usage: compare.py [--qln PATH] [--data DIR] [--work DIR] [--reps N] [--quick] [--out FILE]

  --qln   the qln-cli to time (default: build-rel/qln-cli)
  --data  the drawings of bench/gen_drawings.py (default: build-rel/bench-data)
  --work  scratch folder for copies, logs and outputs (default: a temporary folder)
  --reps  repetitions per measurement (default 5; 3 for the 100 MB drawing; the ezdxf baseline runs
          3 times up to 5 MB and once above, and over 1,000 drawings on a sample of 100, scaled by 10)
  --quick 1, 5 MB and the batches of 10 and 100 only, 3 repetitions (a smoke run)

Every timing is wall time of a whole process (start-up included), the median over the repetitions;
CPU time (user + system) is given beside it. Peak memory is the program's maximum resident set, from
/usr/bin/time in one more, untimed run (the ezdxf script's from wait4). Drawings are copied afresh before
each run that changes them, and the copies are flushed to disk (sync) before the timed run starts; the
copy is not timed. The file cache is warm: each measurement follows an untimed read of the same files.
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
PY = "/usr/bin/python3"  # Debian's python with python3-ezdxf

MODIFY_TEMPLATE = "*INPUT\r\n*COMMANDS\r\nsd,OBSOLETE\r\nf,colour,color\r\np\r\n"
# One text in one drawing: the block U0's "door d0" (the generator puts it in every drawing).
ONE_TEXT_TEMPLATE = "*INPUT\r\nBLOCK: U0\r\n*COMMANDS\r\nsa,door d0,door D0\r\n"
PHRASE = "colour"


def run(cmd, stdout):
    """Run `cmd` with its output to the file `stdout`; return (seconds, CPU seconds, peak RSS in bytes).

    The output goes to a real file, not /dev/null: GNU grep stops at the first match when it sees its
    output is /dev/null, which would time nothing."""
    t0 = time.perf_counter()
    p = subprocess.Popen(cmd, stdout=stdout, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(p.pid, 0)
    elapsed = time.perf_counter() - t0
    p.returncode = os.waitstatus_to_exitcode(status)
    err = p.stderr.read().decode(errors="replace")
    p.stderr.close()
    # 1 is "no hit" for qln-cli find and grep; cp and qln-cli modify must succeed.
    if p.returncode not in (0, 1) or (p.returncode == 1 and os.path.basename(cmd[0]) in ("cp", "qln-cli")
                                          and "find" not in cmd[1:2]):
        sys.exit("failed (%d): %s\n%s" % (p.returncode, " ".join(cmd[:6]), err))
    return elapsed, usage.ru_utime + usage.ru_stime, usage.ru_maxrss * 1024


def warm(paths):
    for p in paths:
        with open(p, "rb") as f:
            while f.read(1 << 24):
                pass


class Bench:
    def __init__(self, args):
        self.qln = os.path.abspath(args.qln)
        self.data = os.path.abspath(args.data)
        self.work = args.work or tempfile.mkdtemp(prefix="qln-bench-")
        os.makedirs(self.work, exist_ok=True)
        self.reps = args.reps
        self.cpu = {}
        self.modify_t = self.write("modify.txt", MODIFY_TEMPLATE)
        self.one_t = self.write("one-text.txt", ONE_TEXT_TEMPLATE)
        self.logs = os.path.join(self.work, "logs")
        os.makedirs(self.logs, exist_ok=True)

    def write(self, name, text):
        path = os.path.join(self.work, name)
        with open(path, "w", newline="") as f:
            f.write(text)
        return path

    def fresh(self, sources, tag):
        """Copies of `sources` in a clean folder; returns their paths."""
        d = os.path.join(self.work, tag)
        shutil.rmtree(d, ignore_errors=True)
        os.makedirs(d)
        out = []
        for s in sources:
            t = os.path.join(d, os.path.basename(s))
            shutil.copyfile(s, t)
            out.append(t)
        return d, out

    def timed(self, reps, make_cmd, sources=None, tag="run", measure_memory=False):
        """Median seconds and the largest peak RSS over `reps` runs of make_cmd(copies or sources); the
        median CPU seconds (user + system) go to self.cpu[tag]."""
        times, cpus, peak = [], [], 0
        for _ in range(reps):
            if sources is not None:
                folder, copies = self.fresh(sources, tag)
                warm(copies)
                cmd = make_cmd(folder, copies)
            else:
                cmd = make_cmd(None, None)
            # Earlier runs' files go to disk now, not while this run is timed.
            os.sync()
            with open(os.path.join(self.work, "stdout.txt"), "wb") as out:
                t, cpu, rss = run(cmd, out)
            times.append(t)
            cpus.append(cpu)
            peak = max(peak, rss)
        self.cpu[tag] = statistics.median(cpus)
        if measure_memory:
            # The peak of a process forked from this script counts this script's own pages until it
            # execs; /usr/bin/time reports the program's alone. One more run, not timed.
            if sources is not None:
                folder, copies = self.fresh(sources, tag)
                cmd = make_cmd(folder, copies)
            report = os.path.join(self.work, "time.txt")
            with open(os.path.join(self.work, "stdout.txt"), "wb") as out:
                run(["/usr/bin/time", "-f", "%M", "-o", report] + cmd, out)
            with open(report) as f:
                peak = int(f.read().split()[-1]) * 1024
        return statistics.median(times), peak

    # ---- the measurements ------------------------------------------------------------------------------
    def case(self, label, sources, reps, ezdxf_reps, ezdxf_sample=None):
        size = sum(os.path.getsize(s) for s in sources)
        largest = max(os.path.getsize(s) for s in sources)
        warm(sources)
        r = {"label": label, "size": size, "largest": largest, "files": len(sources)}
        # open-change-save of one text vs cp of the same bytes
        # cp makes new files, as a save does: into an empty folder each time, not over the last copies.
        def cp_command(folder, copies):
            cp_out = os.path.join(self.work, "cp-out")
            shutil.rmtree(cp_out, ignore_errors=True)
            os.makedirs(cp_out)
            return ["cp"] + list(sources) + [cp_out]
        r["cp"], _ = self.timed(reps, cp_command, None, "cp")
        r["one"], r["one_rss"] = self.timed(
            reps, lambda f, c: [self.qln, "modify", "--quiet", "--template", self.one_t, "--log-dir", self.logs] + c,
            sources, "one", True)
        r["one_cpu"] = self.cpu["one"]
        # the modification run vs the ezdxf script
        r["mod"], r["mod_rss"] = self.timed(
            reps, lambda f, c: [self.qln, "modify", "--quiet", "--template", self.modify_t, "--log-dir", self.logs] + c,
            sources, "mod", True)
        r["mod_cpu"] = self.cpu["mod"]
        sample = sources if ezdxf_sample is None else sources[:ezdxf_sample]
        t, r["ez_rss"] = self.timed(ezdxf_reps, lambda f, c: [PY, os.path.join(HERE, "ezdxf_modify.py")] + c,
                                    sample, "ez")
        r["ez"] = t * len(sources) / len(sample)
        r["ez_note"] = "" if len(sample) == len(sources) else " (sampled %d, scaled)" % len(sample)
        # search vs grep
        if len(sources) == 1:
            pattern = sources[0]
        else:
            pattern = os.path.join(os.path.dirname(sources[0]), "*.dxf")
        r["find"], r["find_rss"] = self.timed(
            reps, lambda f, c: [self.qln, "find", "--quiet", "--output", os.path.join(self.work, "find.txt"),
                                PHRASE, pattern], None, "find", True)
        r["find_cpu"] = self.cpu["find"]
        r["grep"], _ = self.timed(reps, lambda f, c: ["grep", "-c", "-i", PHRASE] + list(sources), None)
        return r

    def report(self, reps):
        src = os.path.join(self.data, "texts-100k.dxf")
        warm([src])
        page = os.path.join(self.work, "attr.htm")
        t, rss = self.timed(reps, lambda f, c: [self.qln, "report", "--quiet", "--output", page, src], None, "report",
                            True)
        return {"size": os.path.getsize(src), "time": t, "rss": rss, "page": os.path.getsize(page)}


def mb(n):
    return n / (1 << 20)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--qln", default=os.path.join(ROOT, "build-rel", "qln-cli"))
    ap.add_argument("--data", default=os.path.join(ROOT, "build-rel", "bench-data"))
    ap.add_argument("--work")
    ap.add_argument("--reps", type=int, default=5)
    ap.add_argument("--quick", action="store_true")
    ap.add_argument("--out", help="also write the tables to FILE")
    args = ap.parse_args()
    if args.quick:
        args.reps = 3
    b = Bench(args)
    base_t, base_rss = b.timed(args.reps, lambda f, c: [b.qln, "--version"], None, "version", True)

    sizes = [1, 5] if args.quick else [1, 5, 20, 100]
    batches = [10, 100] if args.quick else [10, 100, 1000]
    rows = []
    for s in sizes:
        src = [os.path.join(b.data, "size-%dmb.dxf" % s)]
        reps = args.reps if s < 100 else min(args.reps, 3)
        rows.append(b.case("%d MB" % s, src, reps, 3 if s <= 5 else 1))
        print("done %d MB" % s, file=sys.stderr)
    for n in batches:
        folder = os.path.join(b.data, "batch-%d" % n)
        src = sorted(os.path.join(folder, f) for f in os.listdir(folder) if f.endswith(".dxf"))
        reps = args.reps if n < 1000 else min(args.reps, 3)
        rows.append(b.case("%d drawings" % n, src, reps, 1 if n >= 100 else 3, 100 if n >= 1000 else None))
        print("done %d drawings" % n, file=sys.stderr)
    rep = b.report(min(args.reps, 3))

    out = []
    out.append("Run of %s on %s (%d cores), %d repetitions, medians; qln-cli start-up (--version): %.1f ms, %.1f MB RSS"
               % (time.strftime("%Y-%m-%d %H:%M UTC", time.gmtime()), os.uname().nodename, os.cpu_count(), args.reps,
                  base_t * 1000, mb(base_rss)))
    out.append("")
    out.append("| drawings | size MB | cp s | qln one-text s | ratio (≤5) | ezdxf s | qln modify s | ezdxf÷qln (≥50) "
               "| grep s | qln find s | ratio (≤8) |")
    out.append("|---|---|---|---|---|---|---|---|---|---|---|")
    for r in rows:
        out.append("| %s | %.1f | %.4f | %.4f | %.1f× | %.2f%s | %.4f | %.0f× | %.4f | %.4f | %.1f× |" % (
            r["label"], mb(r["size"]), r["cp"], r["one"], r["one"] / r["cp"], r["ez"], r["ez_note"], r["mod"],
            r["ez"] / r["mod"], r["grep"], r["find"], r["find"] / r["grep"]))
    out.append("")
    out.append("CPU time of the qln-cli runs (user + system, median; less disturbed by other load than wall time, "
               "and without the waits for fsync):")
    out.append("")
    out.append("| drawings | one-text CPU s | modify CPU s | find CPU s |")
    out.append("|---|---|---|---|")
    for r in rows:
        out.append("| %s | %.4f | %.4f | %.4f |" % (r["label"], r["one_cpu"], r["mod_cpu"], r["find_cpu"]))
    out.append("")
    out.append("Peak memory (max RSS) against the largest drawing of the run; \"net\" takes off the %.1f MB a bare "
               "start-up holds (target ≤3×):" % mb(base_rss))
    out.append("")
    out.append("| drawings | largest MB | one-text MB | ×size (net) | modify MB | ×size (net) | find MB | ×size (net) "
               "| ezdxf MB |")
    out.append("|---|---|---|---|---|---|---|---|---|")
    for r in rows:
        L = r["largest"]
        cells = []
        for k in ("one_rss", "mod_rss", "find_rss"):
            cells.append("%.1f | %.1f× (%.1f×)" % (mb(r[k]), r[k] / L, max(0, r[k] - base_rss) / L))
        out.append("| %s | %.2f | %s | %.1f |" % (r["label"], mb(L), " | ".join(cells), mb(r["ez_rss"])))
    out.append("")
    out.append("Report of %.1f MB with 100,000 texts: %.3f s, peak %.1f MB = %.1f× the drawing (net %.1f×), page %.1f MB"
               % (mb(rep["size"]), rep["time"], mb(rep["rss"]), rep["rss"] / rep["size"],
                  max(0, rep["rss"] - base_rss) / rep["size"], mb(rep["page"])))
    out.append("")

    def growth(a, b, key):
        return b[key] / a[key]
    size_rows = [r for r in rows if r["label"].endswith("MB")]
    batch_rows = [r for r in rows if r["label"].endswith("drawings")]
    out.append("Growth (time ratio; linear = the size ratio):")
    out.append("")
    for group in (size_rows, batch_rows):
        if len(group) < 2:
            continue
        a, z = group[0], group[-1]
        scale = z["size"] / a["size"]
        out.append("- %s → %s (×%.0f bytes): one-text ×%.1f, modify ×%.1f, find ×%.1f; cp ×%.1f, grep ×%.1f, ezdxf ×%.1f"
                   % (a["label"], z["label"], scale, growth(a, z, "one"), growth(a, z, "mod"), growth(a, z, "find"),
                      growth(a, z, "cp"), growth(a, z, "grep"), growth(a, z, "ez")))
        for r in group:
            out.append("  - %s: modify %.1f ms/MB, one-text %.1f ms/MB, find %.1f ms/MB"
                       % (r["label"], 1000 * r["mod"] / mb(r["size"]), 1000 * r["one"] / mb(r["size"]),
                          1000 * r["find"] / mb(r["size"])))
    text = "\n".join(out)
    print(text)
    if args.out:
        with open(args.out, "w") as f:
            f.write(text + "\n")
    if not args.work:
        shutil.rmtree(b.work, ignore_errors=True)


if __name__ == "__main__":
    main()
