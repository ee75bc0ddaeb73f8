"""Fixtures and checks for the tests on the DXF host, made with ezdxf (an independent DXF reader and writer).

    dxf_fixtures.py make FOLDER       write the fixture drawings into FOLDER
    dxf_fixtures.py props FILE        print, as JSON, what ezdxf reads for each TEXT, MTEXT and INSERT
    dxf_fixtures.py readable FILE...  print, as JSON, whether ezdxf reads each file without recovering it
    dxf_fixtures.py check             read [{"original", "saved"}] as JSON from standard input; print for
                                      each whether ezdxf loads the saved drawing, the audit error codes of
                                      both, the texts of the saved one and the number of texts of the original
    dxf_fixtures.py engines FOLDER    write the drawings of the engine tests (engines.dxf, words.dxf)
    dxf_fixtures.py texts FILE...     print, as JSON, every TEXT and MTEXT of each file by where it lies
                                      ("Model", a layout name or a block name): type, layer, handle, text
    dxf_fixtures.py csv DELIMITER     read delimited rows from standard input; print them as JSON lists
    dxf_fixtures.py many FILE COUNT   write a drawing with COUNT single-line texts in model space
    dxf_fixtures.py attributes FOLDER write title-block drawings with attributes in R12, R2000, R2007
                                      and R2018 (attribs_R12.dxf, ...)
    dxf_fixtures.py attribs FILE...   print, as JSON, for each file its audit error count and, for every
                                      model-space block reference, its block and its attributes (tag,
                                      text, layer; the embedded MTEXT's text for a multi-line one)
"""
import csv
import io
import json
import math
import os
import re
import sys

import ezdxf
from ezdxf.math import OCS, Vec3

ESCAPE = re.compile(r"\\U\+([0-9A-Fa-f]{4})")


def caret_decode(s):
    # ^@ .. ^_ are control characters, "^ " is a caret; anything else stays as written
    out, i = [], 0
    while i < len(s):
        c = s[i]
        if c == "^" and i + 1 < len(s):
            n = s[i + 1]
            if n == " ":
                out.append("^")
                i += 2
                continue
            if 0x40 <= ord(n) <= 0x5F:
                out.append(chr(ord(n) - 0x40))
                i += 2
                continue
        out.append(c)
        i += 1
    return "".join(out)


def shown_text(doc, s):
    if doc.dxfversion < "AC1021":
        s = ESCAPE.sub(lambda m: chr(int(m.group(1), 16)), s)
    return caret_decode(s)


def make(folder):
    os.makedirs(folder, exist_ok=True)
    words = ["Grüße € café", "Ωμέγα 漢字 ĳ", "tab^here", "plain"]

    # Non-ASCII text in a code-page drawing (R2000, ANSI_1252) and in a UTF-8 drawing (R2018).
    for name, version in (("r2000_text.dxf", "R2000"), ("r2018_text.dxf", "R2018")):
        doc = ezdxf.new(version)
        msp = doc.modelspace()
        for w in words:
            msp.add_text(w, dxfattribs={"layer": "Schrift"})
        msp.add_mtext("Zeile eins\\PÄÖÜ ≈ 漢", dxfattribs={"layer": "Schrift"})
        doc.saveas(os.path.join(folder, name))

    # A Central European code page.
    doc = ezdxf.new("R2000")
    doc.header["$DWGCODEPAGE"] = "ANSI_1250"
    doc.encoding = "cp1250"
    doc.modelspace().add_text("Łódź žluťoučký")
    doc.saveas(os.path.join(folder, "r2000_1250.dxf"), encoding="cp1250")

    # Points and angles in the entities' own coordinate systems.
    doc = ezdxf.new("R2010")
    msp = doc.modelspace()
    doc.blocks.new("MARK").add_line((0, 0), (1, 0))
    extrusions = [(0, 0, 1), (0, 0, -1), (1, 0, 0), (0, 1, 0), (0.3, -0.5, 0.8), (0.001, 0.002, 1)]
    for i, ext in enumerate(extrusions):
        t = msp.add_text(f"T{i}", dxfattribs={"insert": (10 + i, -3.5 * i, 0.25 * i), "rotation": 30 * i - 45,
                                              "extrusion": ext})
        ins = msp.add_blockref("MARK", (i, 2 * i, -i), dxfattribs={"rotation": 400 - 70 * i, "extrusion": ext})
    msp.add_mtext("M0", dxfattribs={"insert": (1, 2, 3), "rotation": 123.5})
    m = msp.add_mtext("M1", dxfattribs={"insert": (4, 5, 6)})
    m.dxf.text_direction = (-1, -1, 0)
    m = msp.add_mtext("M2", dxfattribs={"insert": (7, 8, 9), "rotation": 10})
    m.dxf.text_direction = (0, 2, 0)
    doc.saveas(os.path.join(folder, "geometry.dxf"))

    # Model space, two paper-space layouts, block definitions and an external reference.
    doc = ezdxf.new("R2000")
    msp = doc.modelspace()
    msp.add_text("model text", dxfattribs={"layer": "A"})
    msp.add_mtext("model mtext", dxfattribs={"layer": "B"})
    blk = doc.blocks.new("Title")
    blk.add_text("in title", dxfattribs={"layer": "T"})
    blk.add_attdef("NUM", (0, 0), dxfattribs={"text": "1"})
    blk.add_mtext("title mtext")
    blk.add_line((0, 0), (1, 1))
    other = doc.blocks.new("Other")
    other.add_text("in other")
    msp.add_blockref("Title", (0, 0)).add_auto_attribs({"NUM": "7"})
    msp.add_blockref("Other", (5, 0))
    doc.add_xref_def("parts.dxf", "PARTS")
    msp.add_blockref("PARTS", (9, 9))
    lay1 = doc.layouts.get("Layout1")
    lay1.add_text("paper one")
    lay1.add_blockref("Title", (1, 1))
    lay2 = doc.layouts.new("Second")
    lay2.add_text("paper two")
    lay2.add_mtext("paper two mtext")
    doc.saveas(os.path.join(folder, "layouts.dxf"))

    # Things that name an entity: an extension dictionary, a group, the draw order, attributes.
    doc = ezdxf.new("R2013")
    msp = doc.modelspace()
    keep = msp.add_text("keep")
    gone = msp.add_text("gone")
    xdict = gone.new_extension_dict()
    xdict.add_xrecord("QLN_DATA").reset([(1, "payload"), (40, 1.5)])
    group = doc.groups.new("PAIR")
    group.extend([keep, gone])
    msp.set_redraw_order([(gone.dxf.handle, "A0"), (keep.dxf.handle, "A1")])
    blk = doc.blocks.new("TAG")
    blk.add_attdef("ID", (0, 0))
    ref = msp.add_blockref("TAG", (3, 3))
    ref.add_auto_attribs({"ID": "42"})
    msp.add_mtext("gone too")
    doc.saveas(os.path.join(folder, "references.dxf"))

    # Binary DXF: one-byte group codes (Release 12) and two-byte ones (2018), numbers as binary values.
    for name, version in (("bin_r12.dxf", "R12"), ("bin_r2018.dxf", "R2018")):
        doc = ezdxf.new(version)
        msp = doc.modelspace()
        msp.add_text("Grüße tab\there", dxfattribs={"layer": "Schrift", "insert": (1.5, -2.25), "rotation": 30})
        blk = doc.blocks.new("Title")
        blk.add_text("in title")
        blk.add_line((0, 0), (1, 1))
        msp.add_blockref("Title", (4, 5))
        msp.add_text("gone", dxfattribs={"layer": "0"}).set_xdata("QLN", [(1000, "x"), (1070, 7), (1040, 2.5)])
        doc.layouts.get("Layout1").add_text("paper", dxfattribs={"layer": "P"})
        if version != "R12":
            msp.add_mtext("m" * 300 + "\\Pend", dxfattribs={"layer": "M"})
        doc.saveas(os.path.join(folder, name), fmt="bin")


def engines(folder):
    os.makedirs(folder, exist_ok=True)
    # Loose text in both spaces, blocks referenced once, three times and from both spaces, layer
    # names that a name list can trip over, and texts holding a delimiter and quotes.
    doc = ezdxf.new("R2000")
    for name in ("A", "Exact", "Layer", "Other", "Quote", "Empty", "Maße", "MASSE"):
        doc.layers.add(name)
    msp = doc.modelspace()
    msp.add_text("model item", dxfattribs={"layer": "A"})
    msp.add_mtext("model mtext item", dxfattribs={"layer": "A"})
    msp.add_text("ABC", dxfattribs={"layer": "Exact"})
    msp.add_text("ABC ", dxfattribs={"layer": "Exact"})
    msp.add_text("on layer item", dxfattribs={"layer": "Layer"})
    msp.add_text("other layer item", dxfattribs={"layer": "Other"})
    msp.add_text('say "hi", then; go', dxfattribs={"layer": "Quote"})
    msp.add_mtext('mtext "hi", too', dxfattribs={"layer": "Quote"})
    msp.add_text("maße item", dxfattribs={"layer": "Maße"})
    msp.add_text("masse item", dxfattribs={"layer": "MASSE"})
    paper = doc.layouts.get("Layout1")
    paper.add_text("paper item", dxfattribs={"layer": "A"})
    paper.add_mtext("paper mtext item", dxfattribs={"layer": "A"})
    notes = doc.blocks.new("NOTES")
    notes.add_text("notes item", dxfattribs={"layer": "A"})
    notes.add_mtext("notes mtext item", dxfattribs={"layer": "A"})
    doc.blocks.new("NOTES2").add_text("notes2 item", dxfattribs={"layer": "A"})
    doc.blocks.new("TITLE").add_text("title item", dxfattribs={"layer": "A"})
    for x in range(3):
        msp.add_blockref("NOTES", (10 * x, 0))
    msp.add_blockref("NOTES2", (0, 10))
    msp.add_blockref("TITLE", (0, 20))
    paper.add_blockref("TITLE", (0, 0))
    doc.saveas(os.path.join(folder, "engines.dxf"))

    # One single-line and one multiple-line text to change, and texts for the empty find texts.
    doc = ezdxf.new("R2000")
    msp = doc.modelspace()
    msp.add_text("abc def", dxfattribs={"layer": "P"})
    msp.add_mtext("abc def", dxfattribs={"layer": "P"})
    msp.add_text("keep", dxfattribs={"layer": "E"})
    msp.add_text("", dxfattribs={"layer": "E"})
    doc.saveas(os.path.join(folder, "words.dxf"))


ATTRIBUTE_VERSIONS = ("R12", "R2000", "R2007", "R2018")


def attributes(folder):
    # A title block TB referenced three times (REV and DATE on layer TITLE, SHEET on SHEETS, and a text
    # of its own), a block ONE referenced once with a single attribute, and a block ML whose attribute
    # is multi-line where the version has them (R2018; a single-line "first" before).
    os.makedirs(folder, exist_ok=True)
    for version in ATTRIBUTE_VERSIONS:
        doc = ezdxf.new(version)
        for name in ("TITLE", "SHEETS"):
            doc.layers.add(name)
        tb = doc.blocks.new("TB")
        tb.add_text("title text", dxfattribs={"layer": "TITLE"})
        tb.add_attdef("REV", (0, 0), "A", dxfattribs={"layer": "TITLE"})
        doc.blocks.new("ONE").add_attdef("NOTE", (0, 0), "")
        doc.blocks.new("ML").add_attdef("BODY", (0, 0), "")
        msp = doc.modelspace()
        for i in range(3):
            ref = msp.add_blockref("TB", (100 * i, 0))
            ref.add_attrib("REV", "ABC"[i], (100 * i, 1), dxfattribs={"layer": "TITLE"})
            ref.add_attrib("DATE", "jan %d" % (i + 1), (100 * i, 2), dxfattribs={"layer": "TITLE"})
            ref.add_attrib("SHEET", "A-10%d" % (i + 1), (100 * i, 3), dxfattribs={"layer": "SHEETS"})
        msp.add_blockref("ONE", (0, 50)).add_attrib("NOTE", "only note", (0, 50))
        body = msp.add_blockref("ML", (0, 80)).add_attrib("BODY", "first", (0, 80))
        if version == "R2018":
            body.embed_mtext(msp.add_mtext("first\\Psecond"))
        doc.saveas(os.path.join(folder, "attribs_%s.dxf" % version))


def attribs(paths):
    out = {}
    for p in paths:
        doc = ezdxf.readfile(p)
        refs = []
        for ref in doc.modelspace().query("INSERT"):
            items = []
            for a in ref.attribs:
                text = a.virtual_mtext_entity().text if a.has_embedded_mtext_entity else a.dxf.text
                items.append([a.dxf.tag, shown_text(doc, text), a.dxf.layer])
            refs.append({"block": ref.dxf.name, "attribs": items})
        out[p] = {"errors": len(doc.audit().errors), "references": refs}
    print(json.dumps(out))


def texts_by_place(paths):
    out = {}
    for p in paths:
        doc = ezdxf.readfile(p)
        places = {}
        for block in doc.blocks:
            if block.block_record.is_any_layout:
                place = "Model" if block.block_record.is_modelspace else "Paper"
            else:
                place = block.name
            for e in block:
                if e.dxftype() in ("TEXT", "MTEXT"):
                    text = e.text if e.dxftype() == "MTEXT" else e.dxf.text
                    places.setdefault(place, []).append({"type": e.dxftype(), "layer": e.dxf.layer,
                                                         "handle": e.dxf.handle, "text": shown_text(doc, text)})
        out[p] = places
    print(json.dumps(out))


def parse_rows(delimiter):
    data = sys.stdin.buffer.read().decode("utf-8")
    print(json.dumps(list(csv.reader(io.StringIO(data, newline=""), delimiter=delimiter))))


def many(path, count):
    doc = ezdxf.new("R2000")
    msp = doc.modelspace()
    for i in range(count):
        msp.add_text(f"text number {i} on sheet", dxfattribs={"layer": f"L{i % 10}", "insert": (i % 500, i // 500)})
    doc.saveas(path)


def wcs_point(e):
    if e.dxftype() == "MTEXT":
        return list(e.dxf.insert)
    return list(e.ocs().to_wcs(e.dxf.insert))


def rotation(e):
    if e.dxftype() == "MTEXT":
        deg = e.get_rotation()
    else:
        deg = e.dxf.get("rotation", 0.0)
    return math.radians(deg) % (2 * math.pi)


def props(path):
    doc = ezdxf.readfile(path)
    out = []
    layouts = [doc.modelspace()] + [doc.layouts.get(n) for n in doc.layouts.names() if n != "Model"]
    for layout in layouts:
        for e in layout:
            t = e.dxftype()
            if t not in ("TEXT", "MTEXT", "INSERT"):
                continue
            item = {"handle": e.dxf.handle, "type": t, "layer": e.dxf.layer, "point": wcs_point(e),
                    "rotation": rotation(e), "paper": layout.name != "Model"}
            if t == "TEXT":
                item["text"] = shown_text(doc, e.dxf.text)
            elif t == "MTEXT":
                item["text"] = shown_text(doc, e.text)
            else:
                item["name"] = e.dxf.name
            out.append(item)
    print(json.dumps(out))


def readable(paths):
    out = {}
    for p in paths:
        try:
            ezdxf.readfile(p)
            out[p] = True
        except Exception:
            out[p] = False
    print(json.dumps(out))


def audit_codes(doc):
    return sorted(e.code for e in doc.audit().errors)


def texts(doc):
    out = []
    for e in doc.entitydb.values():
        if e.is_alive and e.dxftype() in ("TEXT", "MTEXT"):
            out.append(shown_text(doc, e.text if e.dxftype() == "MTEXT" else e.dxf.text))
    return out


def check():
    jobs = json.load(sys.stdin)
    results = []
    for job in jobs:
        r = {"saved": job["saved"]}
        try:
            original = ezdxf.readfile(job["original"])
            r["original_codes"] = audit_codes(original)
        except Exception as ex:
            r["original_error"] = f"{type(ex).__name__}: {ex}"
        try:
            saved = ezdxf.readfile(job["saved"])
            r["loaded"] = True
            r["saved_codes"] = audit_codes(saved)
            # Handles are not a safe key (ezdxf renumbers duplicates and drawings without them):
            # compare the texts of both drawings instead.
            r["texts"] = texts(saved)
            r["original_text_count"] = len(texts(original))
        except Exception as ex:
            r["loaded"] = False
            r["error"] = f"{type(ex).__name__}: {ex}"
        results.append(r)
    print(json.dumps(results))


if __name__ == "__main__":
    command = sys.argv[1]
    if command == "make":
        make(sys.argv[2])
    elif command == "props":
        props(sys.argv[2])
    elif command == "readable":
        readable(sys.argv[2:])
    elif command == "check":
        check()
    elif command == "engines":
        engines(sys.argv[2])
    elif command == "texts":
        texts_by_place(sys.argv[2:])
    elif command == "csv":
        parse_rows(sys.argv[2])
    elif command == "attributes":
        attributes(sys.argv[2])
    elif command == "attribs":
        attribs(sys.argv[2:])
    elif command == "many":
        many(sys.argv[2], int(sys.argv[3]))
    else:
        sys.exit(f"unknown command {command}")
