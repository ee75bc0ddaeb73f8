#!/usr/bin/python3
"""The benchmark's modification run written with ezdxf, as a baseline for qln-cli modify.

For every drawing named: load it, and for every block reference in model space and in the paper-space
layouts, run the commands on each TEXT directly inside the referenced block definition, in this order
(the template bench/compare.py gives qln-cli):
  sd,OBSOLETE     delete the text when it contains OBSOLETE (case-sensitive)
  f,colour,color  replace every occurrence of colour, ignoring case, by color
  p               proper case: first letter of each blank-separated word upper, the rest lower
then save the drawing in place.

usage: ezdxf_modify.py DRAWING...
"""
import re
import sys

import ezdxf

FIND = re.compile(re.escape("colour"), re.IGNORECASE)
BLANKS = " \t\n\v\f\r\0"


def proper(text):
    out = []
    start = True
    for c in text:
        out.append(c.upper() if start else c.lower())
        start = c in BLANKS
    return "".join(out)


def modify(path):
    doc = ezdxf.readfile(path)
    layouts = [doc.modelspace()] + [doc.layouts.get(name) for name in doc.layouts.names_in_taborder()
                                    if name != "Model"]
    for layout in layouts:
        for ref in layout.query("INSERT"):
            block = doc.blocks.get(ref.dxf.name)
            if block is None:
                continue
            for e in list(block):
                if e.dxftype() != "TEXT" or not e.is_alive:
                    continue
                t = e.dxf.text
                if "OBSOLETE" in t:
                    block.delete_entity(e)
                    continue
                t = FIND.sub(lambda m: "color", t)
                e.dxf.text = proper(t)
    doc.save()


if __name__ == "__main__":
    for p in sys.argv[1:]:
        modify(p)
