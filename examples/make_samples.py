#!/usr/bin/python3
"""Make the sample drawings of examples/drawings/ with ezdxf.

    /usr/bin/python3 examples/make_samples.py [OUTPUT-FOLDER]

The drawings are the sheets of a small, made-up project (a library building): two floor plans and a
details sheet in the top folder, and structural sheets in structure/ and structure/details/, so that a
wildcard task of a drawing list file has folders to search. Between them they hold single-line text
(TEXT) and multiple-line text (MTEXT) lying directly in model space and in paper space and inside
blocks (a title block in paper space on every sheet, symbols referenced several times in model space,
a north arrow referenced from both spaces), on the layers ROOMS, NOTES, DIMS and TITLE. The texts
are what the templates of examples/templates/ work on: room names in mixed case, notes in lower case
that say "colour", notes marked OBSOLETE, a title block with a date and a revision. The floor plans
(A-101, A-102) also carry a sheet information block in paper space whose sheet number, revision and
date are block attributes, as title blocks keep them in real drawing sets.

The output is the same byte for byte on every run: the entities are made in a fixed order (so the
handles are too), ezdxf writes fixed dates and identifiers instead of the time of the run, and the
script runs itself again with a fixed hash seed (ezdxf keeps some objects in sets, whose order follows
Python's per-process string hashes). Without an argument the drawings are written to examples/drawings/ beside this script.
"""

import os
import sys

import ezdxf

# Fixed creation and update dates, fixed GUIDs and a fixed "written by" marker instead of the clock.
ezdxf.options.write_fixed_meta_data_for_testing = True

HERE = os.path.dirname(os.path.abspath(__file__))

PROJECT = "HARBOUR VIEW LIBRARY"

LAYERS = [
    # name, colour number
    ("WALLS", 7),
    ("ROOMS", 3),
    ("NOTES", 2),
    ("DIMS", 1),
    ("TITLE", 4),
    ("BORDER", 8),
]


def add_layers(doc):
    for name, color in LAYERS:
        doc.layers.add(name, color=color)


def text(space, content, x, y, layer, height=250.0, rotation=0.0):
    space.add_text(content, dxfattribs={"layer": layer, "height": height, "rotation": rotation,
                                        "insert": (x, y)})


def mtext(space, content, x, y, layer, height=2.5, width=120.0):
    space.add_mtext(content, dxfattribs={"layer": layer, "char_height": height, "width": width,
                                         "insert": (x, y), "attachment_point": 1})


def rectangle(space, x0, y0, x1, y1, layer):
    space.add_lwpolyline([(x0, y0), (x1, y0), (x1, y1), (x0, y1)], close=True, dxfattribs={"layer": layer})


def define_title_block(doc, scale):
    """The title block (block TITLE), inserted in paper space at the sheet's lower right corner. Its
    texts are the same on every sheet of the project; the sheet's own title and number lie in paper
    space beside it."""
    block = doc.blocks.new("TITLE")
    rectangle(block, 0, 0, 180, 50, "BORDER")
    block.add_line((0, 25), (180, 25), dxfattribs={"layer": "BORDER"})
    block.add_line((90, 0), (90, 25), dxfattribs={"layer": "BORDER"})
    text(block, "PROJECT: " + PROJECT, 4, 40, "TITLE", height=4)
    text(block, "CLIENT: PORTSIDE BOROUGH COUNCIL", 4, 31, "TITLE", height=3)
    text(block, "DRAWN BY: J. SMITH", 4, 16, "TITLE", height=2.5)
    text(block, "CHECKED BY: A. PATEL", 4, 8, "TITLE", height=2.5)
    text(block, "DATE: 2023-03-14", 94, 16, "TITLE", height=2.5)
    text(block, "REV: A", 94, 8, "TITLE", height=2.5)
    text(block, "SCALE: " + scale, 140, 8, "TITLE", height=2.5)


def add_sheet_info(doc, paper, number):
    """The sheet information block (SHEET-INFO) in paper space above the title block: its sheet number,
    revision and date are attributes of the reference, on layer TITLE. Made after everything else, so
    that the handles of the other entities stay as they were before the block was added."""
    block = doc.blocks.new("SHEET-INFO")
    rectangle(block, 0, 0, 180, 12, "BORDER")
    text(block, "SHEET / REV / DATE", 4, 7, "TITLE", height=2.5)
    for tag, x in (("SHEET", 4), ("REV", 60), ("DATE", 100)):
        block.add_attdef(tag, (x, 2), dxfattribs={"layer": "TITLE", "height": 3})
    ref = paper.add_blockref("SHEET-INFO", (225, 70))
    for tag, value, x in (("SHEET", number, 4), ("REV", "A", 60), ("DATE", "2023-03-14", 100)):
        ref.add_attrib(tag, value, (225 + x, 72), dxfattribs={"layer": "TITLE", "height": 3})


def define_symbol(doc, name, label, radius):
    """A symbol block: a circle with a short label inside, on layer NOTES."""
    block = doc.blocks.new(name)
    block.add_circle((0, 0), radius, dxfattribs={"layer": "NOTES"})
    text(block, label, -radius * 0.6, -radius * 0.4, "NOTES", height=radius * 0.8)


def define_north_arrow(doc):
    block = doc.blocks.new("NORTH")
    block.add_lwpolyline([(-4, -6), (0, 6), (4, -6), (0, -3)], close=True, dxfattribs={"layer": "NOTES"})
    text(block, "N", -1.5, 8, "NOTES", height=4)


def sheet(doc, number, title):
    """Paper space of the one layout, named after the sheet: border, title block, sheet title."""
    doc.layouts.rename("Layout1", number)
    paper = doc.layout(number)
    rectangle(paper, 10, 10, 410, 287, "BORDER")
    paper.add_blockref("TITLE", (225, 15))
    text(paper, title, 230, 57, "TITLE", height=5)
    text(paper, number, 380, 57, "TITLE", height=5)
    return paper


def new_drawing(version, number, title, scale):
    doc = ezdxf.new(version)
    doc.header["$INSUNITS"] = 4  # millimetres
    add_layers(doc)
    define_title_block(doc, scale)
    define_symbol(doc, "FIRE-EXT", "FE", 300)
    define_north_arrow(doc)
    paper = sheet(doc, number, title)
    return doc, doc.modelspace(), paper


# --- the drawings ---------------------------------------------------------------------------------------

def a101():
    """Ground floor plan, AutoCAD 2018 DXF (AC1032): room names in mixed case, a room label in
    multiple-line text, lower-case notes, fire extinguisher symbols referenced three times, a north
    arrow in model and in paper space, a key plan note in multiple-line text in paper space."""
    doc, msp, paper = new_drawing("R2018", "A-101", "GROUND FLOOR PLAN", "1:100")
    rectangle(msp, 0, 0, 24000, 15000, "WALLS")
    msp.add_line((12000, 0), (12000, 15000), dxfattribs={"layer": "WALLS"})
    msp.add_line((0, 7500), (24000, 7500), dxfattribs={"layer": "WALLS"})
    text(msp, "ENTRANCE HALL", 1500, 3500, "ROOMS")
    text(msp, "reading room", 13500, 3500, "ROOMS")
    text(msp, "children's library", 1500, 11000, "ROOMS")
    text(msp, "COLOUR PRINT ROOM", 13500, 11000, "ROOMS")
    text(msp, "staff kitchen", 19000, 11000, "ROOMS")
    text(msp, "corridor", 11500, 9000, "ROOMS", rotation=90)
    text(msp, "1. all dimensions are in millimetres unless noted otherwise.", 0, -1500, "NOTES", height=200)
    text(msp, "2. paint colour to match existing, see finishes schedule.", 0, -1900, "NOTES", height=200)
    text(msp, "3. OBSOLETE: door d04 relocated to grid c.", 0, -2300, "NOTES", height=200)
    text(msp, "4. remove obsolete ductwork before fit-out.", 0, -2700, "NOTES", height=200)
    text(msp, "24000", 11500, 15400, "DIMS", height=200)
    text(msp, "15000", 24400, 7000, "DIMS", height=200, rotation=90)
    text(msp, "Ø 100 duct", 20000, 6000, "DIMS", height=200)
    for x, y in ((2000, 6800), (14000, 6800), (22500, 14200)):
        msp.add_blockref("FIRE-EXT", (x, y))
    mtext(msp, "READING ROOM\\PArea 86 m²", 13500, 3000, "ROOMS", height=150, width=3000)
    msp.add_blockref("NORTH", (26000, 13000), dxfattribs={"xscale": 100, "yscale": 100})
    paper.add_blockref("NORTH", (390, 260))
    mtext(paper, "KEY PLAN\\PGround floor, east and west wings.", 330, 120, "NOTES")
    add_sheet_info(doc, paper, "A-101")
    return doc


def a102():
    """First floor plan, AutoCAD 2000 DXF (AC1015, code page ANSI_1252): texts with characters beyond
    ASCII ("Ø 25", "Straße", and "≥", which the code page lacks and the file holds as \\U+2265)."""
    doc, msp, paper = new_drawing("R2000", "A-102", "FIRST FLOOR PLAN", "1:100")
    rectangle(msp, 0, 0, 24000, 15000, "WALLS")
    msp.add_line((8000, 0), (8000, 15000), dxfattribs={"layer": "WALLS"})
    msp.add_line((16000, 0), (16000, 15000), dxfattribs={"layer": "WALLS"})
    text(msp, "STUDY ROOM 1", 1500, 7000, "ROOMS")
    text(msp, "study room 2", 9500, 7000, "ROOMS")
    text(msp, "LOCAL HISTORY ARCHIVE", 17000, 7000, "ROOMS")
    text(msp, "1. all dimensions are in millimetres.", 0, -1500, "NOTES", height=200)
    text(msp, "2. floor finish colour: light grey.", 0, -1900, "NOTES", height=200)
    text(msp, "3. deliveries from Hafenstraße, gate 2.", 0, -2300, "NOTES", height=200)
    text(msp, "4. clear height ≥ 2400 under beams.", 0, -2700, "NOTES", height=200)
    text(msp, "5. OBSOLETE: lift shaft option b.", 0, -3100, "NOTES", height=200)
    text(msp, "Ø 25 sleeve", 7000, 12000, "DIMS", height=200)
    text(msp, "2400", 500, 14000, "DIMS", height=200)
    for x, y in ((2000, 13500), (18000, 13500)):
        msp.add_blockref("FIRE-EXT", (x, y))
    add_sheet_info(doc, paper, "A-102")
    return doc


def a501():
    """Details, AutoCAD 2010 DXF (AC1024): general notes as multiple-line text in paper space, short
    single-line notes and a detail label in model space, section markers (a block holding
    multiple-line text) referenced twice."""
    doc, msp, paper = new_drawing("R2010", "A-501", "DETAILS", "1:5")
    rectangle(msp, 0, 0, 600, 400, "WALLS")
    text(msp, "1. all fixings stainless steel.", 0, -60, "NOTES", height=10)
    text(msp, "2. sealant colour to match frame.", 0, -80, "NOTES", height=10)
    text(msp, "Ø 12 anchor at 600 centres", 620, 200, "DIMS", height=10)
    text(msp, "window head detail", 0, 420, "ROOMS", height=15)
    # A section marker, a block with multiple-line text, referenced twice.
    marker = doc.blocks.new("SECTION")
    marker.add_circle((0, 0), 12, dxfattribs={"layer": "DIMS"})
    mtext(marker, "1\\PA-501", -5, 8, "DIMS", height=5, width=10)
    msp.add_blockref("SECTION", (650, 350))
    msp.add_blockref("SECTION", (650, 50))
    mtext(paper, "General notes:\\P"
                 "1. Read with the structural drawings.\\P"
                 "2. Window frame colour: anthracite grey (RAL 7016).\\P"
                 "3. Do not scale from this drawing.", 20, 270, "NOTES")
    return doc


def s101():
    """Foundation plan, AutoCAD 2004 DXF (AC1018)."""
    doc, msp, paper = new_drawing("R2004", "S-101", "FOUNDATION PLAN", "1:100")
    rectangle(msp, 0, 0, 24000, 15000, "WALLS")
    text(msp, "1. concrete grade c32/40.", 0, -1500, "NOTES", height=200)
    text(msp, "2. OBSOLETE: pad foundation pf3.", 0, -1900, "NOTES", height=200)
    text(msp, "3. cover to reinforcement 50 mm.", 0, -2300, "NOTES", height=200)
    text(msp, "PF1", 300, 300, "DIMS", height=200)
    return doc


def s102():
    """First floor steelwork, AutoCAD 2013 DXF (AC1027)."""
    doc, msp, paper = new_drawing("R2013", "S-102", "FIRST FLOOR STEELWORK", "1:100")
    rectangle(msp, 0, 0, 24000, 15000, "WALLS")
    text(msp, "1. all steel grade s355.", 0, -1500, "NOTES", height=200)
    text(msp, "2. primer colour: red oxide.", 0, -1900, "NOTES", height=200)
    text(msp, "3. connections designed by the fabricator.", 0, -2300, "NOTES", height=200)
    text(msp, "UB 457x191x67", 6000, 7600, "DIMS", height=200)
    return doc


def s501():
    """Steel details, AutoCAD 2007 DXF (AC1021), one folder further down."""
    doc, msp, paper = new_drawing("R2007", "S-501", "STEEL DETAILS", "1:10")
    rectangle(msp, 0, 0, 1200, 800, "WALLS")
    text(msp, "1. bolts m20 grade 8.8.", 0, -100, "NOTES", height=20)
    text(msp, "2. OBSOLETE: base plate bp2 superseded.", 0, -140, "NOTES", height=20)
    text(msp, "Ø 22 holes", 1250, 400, "DIMS", height=20)
    return doc


DRAWINGS = [
    ("A-101.dxf", a101),
    ("A-102.dxf", a102),
    ("A-501.dxf", a501),
    (os.path.join("structure", "S-101.dxf"), s101),
    (os.path.join("structure", "S-102.dxf"), s102),
    (os.path.join("structure", "details", "S-501.dxf"), s501),
]


def make(folder):
    """Write every sample drawing under folder; returns their paths."""
    paths = []
    for name, build in DRAWINGS:
        path = os.path.join(folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        build().saveas(path)
        paths.append(path)
    return paths


def fix_hash_seed():
    """Run this script again with PYTHONHASHSEED=0 unless it already has that seed."""
    if os.environ.get("PYTHONHASHSEED") == "0":
        return
    env = dict(os.environ, PYTHONHASHSEED="0")
    os.execve(sys.executable, [sys.executable, os.path.abspath(__file__)] + sys.argv[1:], env)


def main(argv):
    fix_hash_seed()
    if len(argv) > 2 or (len(argv) == 2 and argv[1].startswith("-")):
        print("usage: make_samples.py [OUTPUT-FOLDER]", file=sys.stderr)
        return 2
    folder = argv[1] if len(argv) == 2 else os.path.join(HERE, "drawings")
    for path in make(folder):
        print(path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
