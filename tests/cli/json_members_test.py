#!/usr/bin/env python3
"""The members of every command's JSON document on success and on each kind of failure against docs/json.md's
member tables. Usage: json_members_test.py PROGRAM CORPUS_DIR"""
import os
import re
import sys
import tempfile
import unittest

from cli_run import corpus, document, obj


def documented_members():
    """docs/json.md's member tables: for each command, and for a `files`
    entry and a report's file section, the members a document may hold and
    those it always holds (all but the rows marked "(optional)")."""
    with open(os.path.join(os.path.dirname(__file__), "..", "..", "docs", "json.md")) as f:
        text = f.read()
    # What parentheses add is said of a member, not named as one.
    names = lambda cell: set(re.findall(r"`([a-z_]+)`", re.sub(r"\([^()]*\)", "", cell)))
    tables, only = {}, {}
    for section in re.split(r"\n## ", text):
        title = section.split("\n", 1)[0]
        for part, part_text in enumerate(section.split("`pair` adds:")):
            for first, rest in re.findall(r"^\| (`[^|]*)\|([^\n]*)\|$", part_text, re.M):
                head, _, owner = first.partition(" of ")
                key = "files" if "`files`" in owner else "section" if owner else (title, part)
                also = dict((m, c) for c, m in re.findall(r"\(`(\w+)` also `(\w+)`\)", head))  # one command's own
                only.update(also)
                may, always = tables.setdefault(key, (set(), set()))
                may |= names(head) | set(also)
                always |= set() if "(optional)" in head else names(head) | set(also)
                if head.strip() == "`files`" or (title == "report" and "`original`" in head):
                    lists = tables.setdefault("files" if "`files`" in head else "section", (set(), set()))
                    lists[0].update(names(rest)), lists[1].update(names(rest))
    union = lambda *keys: tuple(set().union(*(tables[k][i] for k in keys)) for i in (0, 1))
    common, convert = ("# The command line's JSON", 0), ("convert and pair", 0)
    documented = {"convert": union(common, convert), "pair": union(common, convert, ("convert and pair", 1)),
                  "report": union(common, ("report", 0)), "shapes": union(common, ("shapes and batch", 0)),
                  "batch": union(common, ("shapes and batch", 0)), "files": tables["files"],
                  "section": tables["section"]}
    for member, command in only.items():
        for other in set(documented) - {command}:
            documented[other] = tuple(m - {member} for m in documented[other])
    return documented


class Documented(unittest.TestCase):
    def test_every_document_holds_its_documented_members_and_no_other(self):
        """Every command's document on success and on each kind of failure
        (the exit status of each run in the table)."""
        members = documented_members()
        o, moved, welded = corpus("original.obj"), corpus("rotated.obj"), corpus("welded.obj")
        reordered = corpus("reordered.obj")
        m, d, s, b, mo = "missing.obj", "--out-dir", "s", "b", "--tolerance=1"  # mo: ambiguous vertices
        runs = [(0, "convert", o, reordered, "n.obj"), (8, "convert", o, moved, "n.obj"), (6, "convert", o, welded, "n.obj"),
                (3, "convert", m, o, "n.obj"), (4, "convert", o, m, "n.obj"), (2, "convert", o, "", "n.obj"),
                (0, "convert", o, o, "n.obj", "--by", "topology"), (2, "convert", o, welded, o),
                (5, "convert", o, reordered, "none/n.obj"), (9, "convert", "t.obj", "t2.obj", "n.obj"),
                (8, "convert", "t.obj", "t3.obj", "n.obj", "--by", "topology"),
                (8, "convert", o, reordered, "n.obj", mo, "--strict"),
                (0, "pair", o, reordered), (8, "pair", o, moved), (3, "pair", m, o), (4, "pair", o, m), (2, "pair", o, ""),
                (6, "pair", o, welded), (8, "pair", "t.obj", "t3.obj", "--by", "topology"),
                (0, "report", o, welded, "--details"), (0, "report", o, welded), (2, "report", o, welded, "--output", "x/r"),
                (3, "report", m, o), (4, "report", o, m), (3, "report", m, "none.obj"),
                (0, "shapes", o, o, moved, d, s), (3, "shapes", m, o, moved, d, s), (4, "shapes", o, m, moved, d, s),
                (4, "shapes", o, o, m, d, s), (6, "shapes", o, welded, moved, d, s), (8, "shapes", o, moved, moved, d, s),
                (8, "shapes", "t.obj", "t3.obj", d, s, "--by", "topology"), (2, "shapes", o, o, o, d, "n.obj"),
                (3, "shapes", m, o, d, s, "--by", "topology"), (0, "shapes", o, o, moved, d, s, "--gltf", "f.glb"),
                (2, "shapes", o, o, moved, d, s, "--gltf", "none/f.gltf"),
                (0, "batch", o, reordered, d, b), (8, "batch", o, moved, welded, d, b), (3, "batch", m, o, d, b),
                (2, "batch", o, o, d, "n.obj"), (4, "batch", o, m, d, b), (6, "batch", o, welded, d, b),
                (8, "batch", o, reordered, d, b, mo, "--strict"),
                (9, "batch", "t.obj", "t2.obj", "--out-dir", "b")]
        square = [(0.0, 0.0, 0.0), (1.0, 0.0, 0.0), (1.0, 1.0, 0.0), (0.0, 1.0, 0.0)]
        made = {"n.obj": "v 0 0 0\n", "t.obj": obj(square, [(0, 1, 2), (0, 2, 3)]),
                "t2.obj": obj(square, [(0, 1, 2), (0, 2, 3), (0, 1, 3)]), "t3.obj": obj(square, [(0, 1, 3), (1, 2, 3)])}
        for status, *args in runs:
            with tempfile.TemporaryDirectory() as folder:
                for name, text in made.items():
                    with open(os.path.join(folder, name), "w") as f:
                        f.write(text)
                doc, _ = document(*args, *(["--json"] if args[0] != "pair" else []), cwd=folder)
                for entry in doc["files"] if args[0] == "batch" else ():  # a file's diagnosis is convert's
                    alone, _ = document("convert", args[1], entry["file"], "c.obj", *args[args.index("--out-dir") + 2:],
                                        "--json", cwd=folder)
                    self.assertEqual(entry["diagnosis"], alone["diagnosis"], args)
            may, always = members[args[0]]
            if "" in args:  # an empty argument: the short document
                always &= {"version", "command", "status", "success", "message", "original", "matching", "new",
                           "declined"} | members["pair"][0] - members["convert"][0]
            self.assertEqual(doc["status"], status, args)
            self.assertLessEqual(set(doc), may, args)
            self.assertLessEqual(always, set(doc), args)
            for entry in doc.get("files", []):
                self.assertEqual(set(entry), members["files"][0], args)
                self.assertEqual(entry["diagnosis"] is None, entry["success"], args)
            for key in ("original", "matching") if args[0] == "report" else ():
                self.assertEqual(set(doc[key]), members["section"][0], args)
            # shapes and batch say a reason only when they ended before their files
            self.assertEqual("reason" in doc, args[0] == "report" or doc.get("files") == [], args)
            # A file that didn't load says why, wherever the document says it.
            said = ([doc["reason"]] if doc.get("files") == [] else
                    [e["diagnosis"]["reason"] for e in doc["files"] if e["status"] == 4] if "files" in doc else
                    [doc[k]["reason"] for k in ("original", "matching") if not doc[k]["loaded"]] if "output" in doc else
                    [doc["diagnosis"]["reason"]] if status in (3, 4) else [])
            self.assertTrue(status not in (3, 4) or said and all(said), (args, said))



if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1] + sys.argv[3:])
