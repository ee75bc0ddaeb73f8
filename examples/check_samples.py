#!/usr/bin/python3
"""Checks of the sample drawings, with ezdxf as an independent DXF reader.

    /usr/bin/python3 examples/check_samples.py
        make_samples.py makes the same bytes on two runs, and they are the drawings in
        examples/drawings/; every one of them loads and audits clean; the versions and the texts
        beyond ASCII are there.

    /usr/bin/python3 examples/check_samples.py --after-demo WORK-FOLDER
        the drawings the demo modified (WORK-FOLDER/drawings) still load and audit clean, and hold
        what the sample templates were meant to make of them; everything else is as it was.

Exit status 0 when every check passes, 1 when one fails, 2 on bad usage.
"""

import filecmp
import os
import subprocess
import sys
import tempfile

import ezdxf

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLES = os.path.join(HERE, "drawings")

failures = []


def check(condition, message):
    if not condition:
        failures.append(message)
    return condition


def drawings_under(folder):
    """Relative paths of the .dxf files under folder, sorted."""
    found = []
    for root, dirs, files in os.walk(folder):
        dirs.sort()
        for name in sorted(files):
            if name.lower().endswith(".dxf"):
                found.append(os.path.relpath(os.path.join(root, name), folder))
    return found


def load_clean(path):
    """The drawing at path, after checking that it loads and that ezdxf's audit finds nothing."""
    try:
        doc = ezdxf.readfile(path)
    except Exception as error:  # any failure to read is a failed check
        check(False, f"{path}: ezdxf cannot read it: {error}")
        return None
    auditor = doc.audit()
    check(not auditor.has_errors and not auditor.has_fixes,
          f"{path}: ezdxf's audit found {len(auditor.errors)} error(s) and made {len(auditor.fixes)} fix(es)")
    return doc


def texts(doc):
    """Every TEXT and MTEXT of the drawing as (where, layer, type, text), where being "model",
    "paper" or "block NAME"; in file order."""
    rows = []

    def add(where, entity):
        if entity.dxftype() == "TEXT":
            rows.append((where, entity.dxf.layer, "TEXT", entity.dxf.text))
        elif entity.dxftype() == "MTEXT":
            rows.append((where, entity.dxf.layer, "MTEXT", entity.text))

    for entity in doc.modelspace():
        add("model", entity)
    for layout in doc.layouts:
        if layout.name != "Model":
            for entity in layout:
                add("paper", entity)
    for block in doc.blocks:
        if not block.name.startswith("*"):
            for entity in block:
                add("block " + block.name, entity)
    return rows


def check_samples():
    with tempfile.TemporaryDirectory() as temp:
        runs = []
        for run in ("1", "2"):
            out = os.path.join(temp, run)
            result = subprocess.run([sys.executable, os.path.join(HERE, "make_samples.py"), out],
                                    stdout=subprocess.DEVNULL)
            if not check(result.returncode == 0, f"make_samples.py failed (exit status {result.returncode})"):
                return
            runs.append(out)
        made = drawings_under(runs[0])
        check(made == drawings_under(runs[1]), "two runs of make_samples.py made different files")
        for name in made:
            check(filecmp.cmp(os.path.join(runs[0], name), os.path.join(runs[1], name), shallow=False),
                  f"{name}: two runs of make_samples.py wrote different bytes")
        check(made == drawings_under(SAMPLES),
              f"examples/drawings holds {drawings_under(SAMPLES)}, make_samples.py makes {made}")
        for name in made:
            committed = os.path.join(SAMPLES, name)
            check(os.path.exists(committed) and filecmp.cmp(os.path.join(runs[0], name), committed, shallow=False),
                  f"examples/drawings/{name} is not what make_samples.py makes: run it again and commit")

    versions = set()
    kinds = set()
    for name in drawings_under(SAMPLES):
        doc = load_clean(os.path.join(SAMPLES, name))
        if doc is None:
            continue
        versions.add(doc.dxfversion)
        rows = texts(doc)
        # Every sheet has notes in model space, a sheet title in paper space and a title block.
        for where, layer in (("model", "NOTES"), ("paper", "TITLE"), ("block TITLE", "TITLE")):
            check(any(r[:3] == (where, layer, "TEXT") for r in rows), f"{name}: no TEXT on {layer} in {where}")
        kinds |= {(r[0] if not r[0].startswith("block") else "block", r[2]) for r in rows}
    for where in ("model", "paper", "block"):
        for kind in ("TEXT", "MTEXT"):
            check((where, kind) in kinds, f"no sample drawing has {kind} in {where}")
    check({"AC1015", "AC1032"} <= versions, f"the samples' versions {sorted(versions)} lack AC1015 or AC1032")

    doc = ezdxf.readfile(os.path.join(SAMPLES, "A-102.dxf"))
    values = [r[3] for r in texts(doc)]
    check(doc.dxfversion == "AC1015", "A-102.dxf is not an AutoCAD 2000 drawing")
    for expected in ("Ø 25 sleeve", "3. deliveries from Hafenstraße, gate 2."):
        check(expected in values, f"A-102.dxf lacks the text {expected!r}")
    # ezdxf leaves \U+XXXX escapes in TEXT as they are in the file.
    check("4. clear height \\U+2265 2400 under beams." in values, "A-102.dxf lacks the escaped ≥")


def check_after_demo(work):
    folder = os.path.join(work, "drawings")
    names = drawings_under(folder)
    check(names == drawings_under(SAMPLES), f"{folder} holds {names}, not the sample drawings")
    for name in names:
        doc = load_clean(os.path.join(folder, name))
        if doc is None:
            continue
        before = texts(ezdxf.readfile(os.path.join(SAMPLES, name)))
        after = texts(doc)

        # Notes of model space: the OBSOLETE ones gone, the rest in capitals and spelt "color".
        notes = [r[3] for r in after if r[0] == "model" and r[1] == "NOTES" and r[2] == "TEXT"]
        kept = [r[3] for r in before if r[0] == "model" and r[1] == "NOTES" and r[2] == "TEXT"
                and "OBSOLETE" not in r[3]]
        check(len(notes) == len(kept), f"{name}: {len(notes)} notes in model space, expected {len(kept)}")
        for note in notes:
            check(note == note.upper() and "COLOUR" not in note, f"{name}: note {note!r} not changed")

        # Room names of the floor plans: proper case, "color".
        plan = name in ("A-101.dxf", "A-102.dxf")
        for where, layer, kind, value in after:
            if plan and where == "model" and layer == "ROOMS" and kind == "TEXT":
                check(value == value.title().replace("'S ", "'s ") and "colour" not in value.lower(),
                      f"{name}: room name {value!r} not changed")

        # The title block: new date, revision and drafter.
        title = [r[3] for r in after if r[0] == "block TITLE"]
        for expected in ("DATE: 2024-06-03", "REV: B", "DRAWN BY: K. JONES"):
            check(expected in title, f"{name}: title block lacks {expected!r}")

        # The floor plans' sheet information: attributes renumbered, new revision and date.
        if plan:
            refs = [r for r in doc.layout(name[:-4]).query("INSERT")
                    if r.dxf.name == "SHEET-INFO"]
            values = [{a.dxf.tag: a.dxf.text for a in r.attribs} for r in refs]
            number = "A-2" + name[3:5]
            check(values == [{"SHEET": number, "REV": "B", "DATE": "2024-06-03"}],
                  f"{name}: sheet information {values} is not {number}, B, 2024-06-03")

        # Multiple-line notes in paper space: capitals, paragraph codes kept.
        for where, layer, kind, value in after:
            if where == "paper" and layer == "NOTES" and kind == "MTEXT" and name == "A-501.dxf":
                check(value == value.upper() and "\\P" in value and "COLOR" in value,
                      f"{name}: multiple-line notes {value!r} not changed as expected")

        # What no template selects is as it was: other layers, the symbols' text, the sheet titles.
        untouched = lambda rows: [r for r in rows if r[1] in ("DIMS", "WALLS") or (r[1] == "ROOMS" and not plan) or
                                  r[0] in ("block FIRE-EXT", "block NORTH") or
                                  (r[0] == "paper" and r[1] == "TITLE") or
                                  (r[2] == "MTEXT" and not (name == "A-501.dxf" and r[0] == "paper"))]
        check(untouched(after) == untouched(before), f"{name}: text that no template selects has changed")


def main(argv):
    if len(argv) == 1:
        check_samples()
        what = "sample drawings"
    elif len(argv) == 3 and argv[1] == "--after-demo":
        check_after_demo(argv[2])
        what = "modified drawings"
    else:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    for failure in failures:
        print("FAILED: " + failure, file=sys.stderr)
    if failures:
        return 1
    print(f"check_samples.py: the {what} load and audit clean in ezdxf {ezdxf.__version__}, and hold what they should.")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
