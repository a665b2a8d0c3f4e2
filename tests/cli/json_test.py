#!/usr/bin/env python3
"""The command line's JSON (docs/json.md), read by Python's json module: every
document parses, has the layout's version, and says what the prose of the
same run says. Usage: json_test.py PROGRAM CORPUS_DIR"""
import json
import os
import random
import re
import subprocess
import sys
import tempfile
import unittest

PROGRAM, CORPUS = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])


def run(*args, cwd=None):
    done = subprocess.run([PROGRAM, *args], capture_output=True, cwd=cwd)
    return done.returncode, done.stdout.decode("utf-8"), done.stderr.decode("utf-8", "replace")


def document(*args, cwd=None):
    status, out, err = run(*args, cwd=cwd)
    doc = json.loads(out)
    assert doc["version"] == 1 and doc["status"] == status, (args, doc.get("status"), status)
    return doc, err


def corpus(name):
    return os.path.join(CORPUS, name)


def obj(positions, faces):
    return "".join("v %r %r %r\n" % p for p in positions) + "".join(
        "f %s\n" % " ".join(str(v + 1) for v in f) for f in faces)


class Pair(unittest.TestCase):
    def test_a_shuffled_grid_pairs_to_its_permutation(self):
        rng = random.Random(7)
        positions = [(float(x), float(y), rng.random()) for x in range(9) for y in range(7)]
        faces = [(x * 7 + y, x * 7 + y + 1, x * 7 + y + 8, x * 7 + y + 7) for x in range(8) for y in range(6)]
        order = list(range(len(positions)))  # matching vertex i is original vertex order[i]
        rng.shuffle(order)
        where = {o: i for i, o in enumerate(order)}
        with tempfile.TemporaryDirectory() as folder:
            for name, text in (("o.obj", obj(positions, faces)),
                               ("m.obj", obj([positions[o] for o in order], [[where[v] for v in f] for f in faces]))):
                with open(os.path.join(folder, name), "w") as f:
                    f.write(text)
            for extra in ([], ["--by", "topology"], ["--tolerance=1e-3"], ["--allow-count-change"]):
                doc, _ = document("pair", "o.obj", "m.obj", *extra, cwd=folder)
                self.assertEqual(doc["partner"], order, extra)
                self.assertTrue(doc["success"] and doc["one_to_one"])
                self.assertEqual((doc["split"], doc["welded"], doc["by"]),
                                 (0, 0, "topology" if extra[:1] == ["--by"] else "position"))
            status, out, _ = run("pair", "o.obj", "m.obj", "--output", "p.json", cwd=folder)
            self.assertEqual((status, out), (0, ""))
            with open(os.path.join(folder, "p.json")) as f:
                self.assertEqual(json.load(f)["partner"], order)
            self.assertEqual(run("pair", "o.obj", "m.obj", "--output", "none/p.json", cwd=folder)[0], 5)

    def test_corpus_pairs_put_every_vertex_on_its_partners_position_and_fail_as_convert_does(self):
        def positions(name):
            with open(corpus(name)) as f:
                return [tuple(map(float, line.split()[1:4])) for line in f if line.startswith("v ")]
        for matching, options, status in (("reordered.obj", [], 0), ("rotated.obj", [], 8),
                                          ("welded.obj", ["--allow-count-change"], 0), ("welded.obj", [], 6),
                                          ("split.obj", ["--allow-count-change"], 0), ("missing.obj", [], 4)):
            doc, _ = document("pair", corpus("original.obj"), corpus(matching), *options)
            with tempfile.TemporaryDirectory() as folder:
                convert = run("convert", corpus("original.obj"), corpus(matching), "new.obj", *options, cwd=folder)
            self.assertEqual((doc["status"], convert[0]), (status, status))
            if status:
                self.assertIsNotNone(doc["diagnosis"])
                continue
            original, copy = positions("original.obj"), positions(matching)
            self.assertEqual([original[p] for p in doc["partner"]], copy)
            welded = len(original) - len(set(doc["partner"])) if matching == "welded.obj" else 0
            self.assertEqual(doc["welded"], welded)
        doc, _ = document("pair", corpus("original.obj"), corpus("rotated.obj"))
        self.assertEqual(doc["partner"].count(None), doc["diagnosis"]["unmatched"]["without_partner"])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1])
