#!/usr/bin/python3
"""Generate the benchmark drawings: R2000 ASCII DXF files of chosen sizes.

ezdxf makes the skeleton of an empty R2000 drawing (header, tables, objects); the bulk is written
directly as text, which is far faster than building millions of ezdxf entities. Each "unit" adds:

  - a block definition Un holding four TEXTs (one containing "colour", one "OBSOLETE" in capitals,
    "door dn" and "window wn") and a LINE, with its BLOCK_RECORD, and one INSERT of it in model space;
  - loose model-space entities: six TEXTs (two with "colour"), one MTEXT, four LINEs and a CIRCLE.

A unit is about 3.4 KB, so a drawing of N MB holds about 300*N units. Handles are unique and
$HANDSEED is set past the last one. `--check` reads every written drawing back with ezdxf.

usage: gen_drawings.py [--out DIR] [--check] [--only NAME...]
Writes into DIR (default ./bench-data):
  size-1mb.dxf size-5mb.dxf size-20mb.dxf size-100mb.dxf
  batch-10/ batch-100/ batch-1000/   (drawings of about 60 KB each; --only batch-N for other counts)
  texts-100k.dxf                    (100,000 loose TEXT objects in model space)
"""

import argparse
import io
import os
import re
import sys

import ezdxf

MB = 1 << 20


class Writer:
    def __init__(self):
        doc = ezdxf.new("R2000")
        buf = io.StringIO()
        doc.write(buf)
        self.skeleton = buf.getvalue()
        self.next_handle = int(doc.header["$HANDSEED"], 16) + 0x100
        self.block_table = doc.block_records.head.dxf.handle
        self.model_record = doc.block_records.get("*Model_Space").dxf.handle

    def handle(self):
        h = self.next_handle
        self.next_handle += 1
        return "%X" % h

    # ---- entities -------------------------------------------------------------------------------------
    def text(self, owner, layer, x, y, s):
        return ("  0\nTEXT\n  5\n%s\n330\n%s\n100\nAcDbEntity\n  8\n%s\n100\nAcDbText\n"
                " 10\n%.3f\n 20\n%.3f\n 30\n0.0\n 40\n2.5\n  1\n%s\n100\nAcDbText\n"
                % (self.handle(), owner, layer, x, y, s))

    def mtext(self, owner, layer, x, y, s):
        return ("  0\nMTEXT\n  5\n%s\n330\n%s\n100\nAcDbEntity\n  8\n%s\n100\nAcDbMText\n"
                " 10\n%.3f\n 20\n%.3f\n 30\n0.0\n 40\n2.5\n 41\n80.0\n 71\n1\n  1\n%s\n"
                % (self.handle(), owner, layer, x, y, s))

    def line(self, owner, layer, x, y):
        return ("  0\nLINE\n  5\n%s\n330\n%s\n100\nAcDbEntity\n  8\n%s\n100\nAcDbLine\n"
                " 10\n%.3f\n 20\n%.3f\n 30\n0.0\n 11\n%.3f\n 21\n%.3f\n 31\n0.0\n"
                % (self.handle(), owner, layer, x, y, x + 10, y + 5))

    def circle(self, owner, layer, x, y):
        return ("  0\nCIRCLE\n  5\n%s\n330\n%s\n100\nAcDbEntity\n  8\n%s\n100\nAcDbCircle\n"
                " 10\n%.3f\n 20\n%.3f\n 30\n0.0\n 40\n1.5\n"
                % (self.handle(), owner, layer, x, y))

    # ---- one unit -------------------------------------------------------------------------------------
    def unit(self, n, records, blocks, entities):
        name = "U%d" % n
        rec = self.handle()
        records.append("  0\nBLOCK_RECORD\n  5\n%s\n330\n%s\n100\nAcDbSymbolTableRecord\n"
                       "100\nAcDbBlockTableRecord\n  2\n%s\n340\n0\n" % (rec, self.block_table, name))
        b = ["  0\nBLOCK\n  5\n%s\n330\n%s\n100\nAcDbEntity\n  8\n0\n100\nAcDbBlockBegin\n  2\n%s\n"
             " 70\n0\n 10\n0.0\n 20\n0.0\n 30\n0.0\n  3\n%s\n  1\n\n" % (self.handle(), rec, name, name)]
        b.append(self.text(rec, "ROOMS", 0, 0, "room %d painted colour white" % n))
        b.append(self.text(rec, "NOTES", 0, 5, "note %d OBSOLETE remove" % n))
        b.append(self.text(rec, "DOORS", 0, 10, "door d%d" % n))
        b.append(self.text(rec, "DOORS", 0, 15, "window w%d see schedule" % n))
        b.append(self.line(rec, "0", 0, 0))
        b.append("  0\nENDBLK\n  5\n%s\n330\n%s\n100\nAcDbEntity\n  8\n0\n100\nAcDbBlockEnd\n"
                 % (self.handle(), rec))
        blocks.append("".join(b))
        x, y = (n % 500) * 20.0, (n // 500) * 20.0
        m = self.model_record
        e = ["  0\nINSERT\n  5\n%s\n330\n%s\n100\nAcDbEntity\n  8\n0\n100\nAcDbBlockReference\n"
             "  2\n%s\n 10\n%.3f\n 20\n%.3f\n 30\n0.0\n" % (self.handle(), m, name, x, y)]
        e.append(self.text(m, "NOTES", x, y + 1, "general note %d: match existing colour" % n))
        e.append(self.text(m, "NOTES", x, y + 2, "see detail %d on sheet A-%03d" % (n, n % 1000)))
        e.append(self.text(m, "TITLE", x, y + 3, "Colour scheme %d" % n))
        e.append(self.text(m, "ROOMS", x, y + 4, "office %d" % n))
        e.append(self.text(m, "ROOMS", x, y + 5, "corridor %d" % n))
        e.append(self.text(m, "DIMS", x, y + 6, "%d mm" % (n * 7 % 9000)))
        e.append(self.mtext(m, "NOTES", x, y + 7, "Notes %d\\Pcheck all dimensions on site" % n))
        for k in range(4):
            e.append(self.line(m, "WALLS", x + k, y))
        e.append(self.circle(m, "0", x, y))
        entities.append("".join(e))

    # ---- a whole drawing ------------------------------------------------------------------------------
    def assemble(self, records, blocks, entities):
        t = self.skeleton
        # New block records go at the end of the BLOCK_RECORD table, definitions at the end of BLOCKS,
        # entities at the end of ENTITIES.
        m = re.search(r"  2\nBLOCK_RECORD\n.*?(  0\nENDTAB\n)", t, re.S)
        t = t[:m.start(1)] + "".join(records) + t[m.start(1):]
        m = re.search(r"  2\nBLOCKS\n.*?(  0\nENDSEC\n)", t, re.S)
        t = t[:m.start(1)] + "".join(blocks) + t[m.start(1):]
        m = re.search(r"  2\nENTITIES\n.*?(  0\nENDSEC\n)", t, re.S)
        t = t[:m.start(1)] + "".join(entities) + t[m.start(1):]
        t = re.sub(r"(  9\n\$HANDSEED\n  5\n)[0-9A-Fa-f]+\n", lambda mm: mm.group(1) + "%X\n" % self.next_handle, t, 1)
        return t


def write_units(path, target_bytes):
    w = Writer()
    records, blocks, entities = [], [], []
    size = len(w.skeleton)
    n = 0
    while size < target_bytes:
        w.unit(n, records, blocks, entities)
        size += len(records[-1]) + len(blocks[-1]) + len(entities[-1])
        n += 1
    with open(path, "w", newline="\n", encoding="cp1252") as f:
        f.write(w.assemble(records, blocks, entities))
    return n


def write_texts(path, count):
    w = Writer()
    m = w.model_record
    entities = [w.text(m, "TEXT%d" % (i % 8), (i % 1000) * 10.0, (i // 1000) * 5.0,
                       "text %d colour %s" % (i, "ABCDEFGHIJ"[i % 10] * (1 + i % 7))) for i in range(count)]
    with open(path, "w", newline="\n", encoding="cp1252") as f:
        f.write(w.assemble([], [], entities))


def check(path):
    doc = ezdxf.readfile(path)
    auditor = doc.audit()
    if auditor.has_errors:
        sys.exit("%s: ezdxf reports errors: %s" % (path, [str(e.message) for e in auditor.errors[:5]]))
    return len(doc.modelspace())


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--out", default="bench-data")
    ap.add_argument("--check", action="store_true", help="read each drawing back with ezdxf (slow for 100 MB)")
    ap.add_argument("--only", nargs="*", help="names to make (default: all)")
    args = ap.parse_args()
    os.makedirs(args.out, exist_ok=True)
    jobs = [("size-1mb.dxf", 1), ("size-5mb.dxf", 5), ("size-20mb.dxf", 20), ("size-100mb.dxf", 100),
            ("batch-10", 10), ("batch-100", 100), ("batch-1000", 1000), ("texts-100k.dxf", None)]
    # Batches of other sizes by name: --only batch-300 batch-3000
    for name in args.only or []:
        if name.startswith("batch-") and name[6:].isdigit() and name not in dict(jobs):
            jobs.append((name, int(name[6:])))
    written = []
    for name, arg in jobs:
        if args.only and name not in args.only:
            continue
        path = os.path.join(args.out, name)
        if name.startswith("size-"):
            units = write_units(path, arg * MB)
            print("%s: %d units, %d bytes" % (path, units, os.path.getsize(path)))
            written.append(path)
        elif name.startswith("batch-"):
            os.makedirs(path, exist_ok=True)
            for f in os.listdir(path):
                os.remove(os.path.join(path, f))
            for i in range(arg):
                p = os.path.join(path, "d%04d.dxf" % i)
                write_units(p, 60 * 1024)
            print("%s: %d drawings" % (path, arg))
            written.append(os.path.join(path, "d0000.dxf"))
        else:
            write_texts(path, 100000)
            print("%s: 100000 texts, %d bytes" % (path, os.path.getsize(path)))
            written.append(path)
    if args.check:
        for p in written:
            print("ezdxf read %s: %d model-space entities" % (p, check(p)))


if __name__ == "__main__":
    main()
