#!/usr/bin/env python3
"""The command line's JSON (docs/json.md), read by Python's json module: every
document parses, has the layout's version, and says what the prose of the
same run says. Usage: json_test.py PROGRAM CORPUS_DIR"""
import json
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import unittest

from cli_run import PROGRAM, corpus, document, obj, run, slurp


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
            # Every position moved (twice the size): no tolerance is safe, and the run names what pairs it.
            with open(os.path.join(folder, "s.obj"), "w") as f:
                f.write(obj([tuple(2 * c for c in positions[o]) for o in order], [[where[v] for v in f] for f in faces]))
            status, _, err = run("convert", "o.obj", "s.obj", "n.obj", cwd=folder)
            self.assertEqual(status, 8)
            self.assertRegex(err, r"\n--tolerance \S+ \(not safe: not below \S+, half the smallest distance between two "
                                  r"original positions\)\nsuggested: --by topology, for a copy whose positions moved too far")
            self.assertEqual(document("pair", "o.obj", "s.obj", "--by", "topology", cwd=folder)[0]["partner"], order)
            status, out, _ = run("pair", "o.obj", "m.obj", "--output", "p.json", cwd=folder)
            self.assertEqual((status, out), (0, ""))
            with open(os.path.join(folder, "p.json")) as f:
                self.assertEqual(json.load(f)["partner"], order)
            self.assertEqual(run("pair", "o.obj", "m.obj", "--output", "none/p.json", cwd=folder)[0], 5)
            # Faces that don't correspond: no partners, the matcher's message.
            with open(os.path.join(folder, "m.obj"), "a") as f:
                f.write("f 1 2 3\n")
            doc, _ = document("pair", "o.obj", "m.obj", "--by", "topology", cwd=folder)
            self.assertEqual((doc["status"], doc["partner"], doc["faces"]), (8, None, {"original": 48, "matching": 49}))
            self.assertTrue(doc["message"])
            # A name that is not UTF-8 still makes a document, and its bytes come back.
            os.rename(os.path.join(folder, "o.obj"), os.path.join(folder.encode(), b"o\xff.obj"))
            done = subprocess.run([PROGRAM, "pair", b"o\xff.obj", "m.obj"], capture_output=True, cwd=folder)
            self.assertTrue(os.fsencode(json.loads(done.stdout)["original"]).endswith(b"/o\xff.obj"))

    def test_paths_come_back_byte_for_byte(self):
        # Line breaks, quotes, control bytes, a byte outside UTF-8 and the
        # UTF-8 letter a Latin-1 reading would confuse it with.
        names = [b'new\n"line.obj', b"x\xe9.obj", "x\u00e9.obj".encode(), b"tab\t\x01.obj", b"a: b.obj"]
        with tempfile.TemporaryDirectory() as text_folder:
            folder = text_folder.encode()
            for name in names:
                shutil.copy(corpus("original.obj"), os.path.join(folder, name))
            for first, second in zip(names, names[1:]):
                done = subprocess.run([PROGRAM, "report", first, second, "--json"], capture_output=True, cwd=folder)
                doc = json.loads(done.stdout)
                self.assertEqual(done.returncode, 0, done.stderr)
                for key, name in (("original", first), ("matching", second)):
                    self.assertEqual(os.fsencode(doc[key]["path"]), os.path.join(folder, name))
                    self.assertEqual(os.fsencode(doc[key]["material_path"]), os.path.join(folder, b"original.mtl"))
                    self.assertEqual((doc[key]["loaded"], doc[key]["material_loaded"], doc[key]["total_vertices"]),
                                     (True, False, 525), name)
                done = subprocess.run([PROGRAM, "convert", first, second, b"n" + second, "--json"], capture_output=True,
                                      cwd=folder)
                doc = json.loads(done.stdout)
                self.assertEqual(os.fsencode(doc["new"]), os.path.join(folder, b"n" + second))

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
            if status:  # pair creates no file, and says so
                self.assertIsNotNone(doc["diagnosis"])
                self.assertNotIn("creating the new morph file", doc["message"])
                continue
            original, copy = positions("original.obj"), positions(matching)
            self.assertEqual([original[p] for p in doc["partner"]], copy)
            # The seams' coincident vertices are told apart by the faces: the reordered copy pairs one to one.
            self.assertEqual(doc["one_to_one"], matching == "reordered.obj")
            self.assertEqual(doc["one_to_one"], sorted(doc["partner"]) == list(range(len(original))))
            welded = len(original) - len(set(doc["partner"])) if matching == "welded.obj" else 0
            self.assertEqual(doc["welded"], welded)
        doc, _ = document("pair", corpus("original.obj"), corpus("rotated.obj"))
        self.assertEqual(doc["partner"].count(None), doc["diagnosis"]["unmatched"]["without_partner"])


def convert_prose(doc):
    """The lines the prose run must hold for what the document says."""
    lines = [doc["message"].rstrip("\n").split("\n")[-1]] if doc["message"] else []
    if doc["tolerance"]["automatic"] and doc["tolerance"]["value"] > 0:
        lines.append("tolerance: %r (auto)" % doc["tolerance"]["value"])
    if doc["library"]:
        lines.append("library: " + doc["library"])
    lines += ["warning: " + w for w in doc["warnings"]]
    if doc["ambiguous"]["count"]:
        lines.append("ambiguous: %d matching vertices" % doc["ambiguous"]["count"])
        lines.append(", ".join(map(str, doc["ambiguous"]["first"])))
    if doc["sharing"]:
        lines.append("  split: %d original vertices are shared" % doc["sharing"]["split"])
        lines.append("  welded: %d original vertices have no" % doc["sharing"]["welded"])
    diagnosis = doc["diagnosis"] or {}
    if diagnosis.get("reason"):
        lines.append("reason: " + diagnosis["reason"])
    if "count_change" in diagnosis:
        change = diagnosis["count_change"]
        lines.append("  split: %d original vertices would be" % change["would_share"]["split"])
        lines.append("  welded: %d original vertices would have" % change["would_share"]["welded"])
    if "unmatched" in diagnosis:
        u = diagnosis["unmatched"]
        lines.append("matched: %d of %d vertices; %d have" % (u["matched"], u["total"], u["without_partner"]))
        for v in u["first"]:
            position = " ".join("%r" % c if c != int(c) else str(int(c)) for c in v["position"])
            lines.append("  %d: %s; nearest %d, %.3g" % (v["vertex"], position, v["nearest"], v["distance"]))
        if "suggested_tolerance" in u and u["smallest_distance"] is None:
            lines.append("--tolerance %r (not safe: the original has fewer than two distinct positions)"
                         % u["suggested_tolerance"])
        elif "suggested_tolerance" in u:
            safe = u["suggestion_safe"]
            lines.append("%s %r (%s %.3g, half the smallest distance between two original positions)" % (
                "suggested: --tolerance" if safe else "--tolerance", u["suggested_tolerance"],
                "safe: below" if safe else "not safe: not below", u["smallest_distance"] / 2))
            if not safe:
                lines.append("suggested: --by topology, for a copy whose positions moved too far")
    return lines


class Json(unittest.TestCase):
    def test_convert_says_what_its_prose_says(self):
        cases = [("reordered.obj",), ("rotated.obj",), ("rotated.obj", "--tolerance", "auto"),
                 ("rotated.obj", "--tolerance=1", "--strict"), ("rotated.obj", "--tolerance", "1"),
                 ("welded.obj",), ("welded.obj", "--allow-count-change"), ("split.obj", "--allow-count-change"),
                 ("nolibrary.obj",), ("missing.obj",)]
        for case in cases:
            with tempfile.TemporaryDirectory() as folder:
                args = ("convert", corpus("original.obj"), corpus(case[0]), "new.obj") + case[1:]
                status, out, err = run(*args, cwd=folder)
                written = slurp(os.path.join(folder, "new.obj"))
                doc, json_err = document(*args, "--json", "--quiet", cwd=folder)
                self.assertEqual(json_err, "")
                self.assertEqual((doc["status"], doc["success"]), (status, status == 0), case)
                self.assertEqual(written, slurp(os.path.join(folder, "new.obj")))
                prose = out + err
                for line in convert_prose(doc):
                    self.assertIn(line, prose, case)
                self.assertEqual(doc["new"], os.path.join(os.path.realpath(folder), "new.obj"))

    def test_a_binary_file_is_refused_as_not_an_obj_file_and_one_position_is_never_safe(self):
        with tempfile.TemporaryDirectory() as folder:
            names = {"binary.obj": bytes(random.Random(5).getrandbits(8) for _ in range(3000)),
                     "point.obj": b"v 2 2 2\nv 2 2 2\nv 2 2 2\nf 1 2 3\n",
                     "t.obj": obj([(0.0, 0.0, 1.0), (1.0, 0.0, 0.0), (0.0, 1.0, 0.0)], [(0, 1, 2)]).encode()}
            for name, data in names.items():
                with open(os.path.join(folder, name), "wb") as f:
                    f.write(data)
            for args, status in ((("binary.obj", "t.obj"), 3), (("t.obj", "binary.obj"), 4), (("point.obj", "t.obj"), 8)):
                status_prose, out, err = run("convert", *args, "new.obj", cwd=folder)
                doc, _ = document("convert", *args, "new.obj", "--json", cwd=folder)
                self.assertEqual((status_prose, doc["status"]), (status, status), args)
                for line in convert_prose(doc):
                    self.assertIn(line, out + err, args)
                if status != 8:
                    self.assertTrue(doc["diagnosis"]["reason"].startswith("not an OBJ file"), args)
                else:
                    self.assertEqual(doc["diagnosis"]["unmatched"]["suggestion_safe"], False)
                self.assertFalse(os.path.exists(os.path.join(folder, "new.obj")))

    def test_l_corners_naming_no_vertex_are_dropped_with_a_warning_and_no_colour_is_made_up(self):
        with tempfile.TemporaryDirectory() as folder:
            for name, text in (("o.obj", obj([(0.0, 0.0, 1.0), (1.0, 0.0, 0.0), (0.0, 1.0, 0.0)], [(0, 1, 2)])),
                               ("m.obj", "v 0 1 0 0 0 1\nv 0 0 1\nv 1 0 0\nf 2 3 1\nl 1 9\nl 0 2 3\n")):
                with open(os.path.join(folder, name), "w") as f:
                    f.write(text)
            status, out, err = run("convert", "o.obj", "m.obj", "new.obj", cwd=folder)
            self.assertEqual([l for l in slurp(os.path.join(folder, "new.obj")).splitlines() if l[:2] in ("v ", "l ")],
                             ["v 0.000000 0.000000 1.000000", "v 1.000000 0.000000 0.000000",
                              "v 0.000000 1.000000 0.000000 0.000000 0.000000 1.000000", "l 1 2"])
            doc, _ = document("convert", "o.obj", "m.obj", "new.obj", "--json", cwd=folder)
            self.assertEqual((status, doc["status"]), (0, 0))
            self.assertTrue(any(w.startswith('3 corners of the matching file\'s "l" lines') for w in doc["warnings"]))
            for line in convert_prose(doc):
                self.assertIn(line, out + err)

    def test_report_members_are_the_texts_lines(self):
        for options in ([], ["--details"]):
            args = ("report", corpus("original.obj"), corpus("welded.obj"), *options)
            status, out, _ = run(*args)
            doc, _ = document(*args, "--json")
            self.assertEqual((status, doc["success"], doc["message"]), (0, True, None))
            sections = [doc["original"], doc["matching"]]
            if options:
                sections += [doc["details"]["original"], doc["details"]["matching"]]
            prose = [dict(re.findall(r"^ *([a-z][a-z -]*): (.*)$", part, re.M))
                     for part in re.split(r"\n\S[^\n]*\n-+\n", out)[1:]]
            self.assertEqual(len(prose), len(sections))
            for members, lines in zip(sections, prose):
                self.assertEqual(members.get("total_vertices", 0) > 0 or "distinct_positions" in members, True)
                shown = {"object filepath": '"%s"' % members.get("path"), "material filepath":
                         '"%s"' % members.get("material_path")} if "path" in members else {}
                for key, value in members.items():
                    if key in ("path", "material_path", "loaded", "material_loaded", "reason"):  # reason: not a line
                        continue
                    label = next(l for l in lines if l.replace("-", "_").replace(" ", "_") == key)
                    shown[label] = " ".join(map(repr, value)) if isinstance(value, list) else str(value)
                for label, text in shown.items():
                    self.assertEqual(lines[label], text, label)
        doc, _ = document("report", corpus("original.obj"), corpus("missing.obj"), "--json", "--output=x/y/z.txt")
        self.assertEqual((doc["status"], doc["matching"]["loaded"], doc["reason"], doc["matching"]["reason"]),
                         (2, False, "No such file or directory", "No such file or directory"))

    def test_batch_and_shapes_list_each_file_as_its_line_does(self):
        files = [corpus(n) for n in ("reordered.obj", "rotated.obj", "welded.obj", "missing.obj")]
        for command, args in (("batch", [corpus("original.obj")] + files),
                              ("batch", [corpus("original.obj")] + files + ["--tolerance", "auto"]),
                              ("shapes", [corpus("reordered.obj"), corpus("reordered.obj")] + files[1:]),
                              ("shapes", [corpus("original.obj")] + files + ["--by", "topology"])):
            with tempfile.TemporaryDirectory() as folder:
                status, out, prose_err = run(command, *args, "--out-dir", "a", "--jobs=2", cwd=folder)
                doc, err = document(command, *args, "--out-dir", "b", "--json", "--quiet", cwd=folder)
            self.assertEqual((doc["command"], doc["status"], err), (command, status, ""))
            if doc["tolerance"]["automatic"]:
                self.assertIn("tolerance: %r (auto)" % doc["tolerance"]["value"], prose_err)
            lines = out.splitlines()
            self.assertEqual(lines[-1], "%s: %d of %d files written, %d failed" % (
                command, doc["written"], len(doc["files"]), doc["failed"]))
            self.assertEqual(len(lines), len(doc["files"]) + 1)
            for line, entry in zip(lines, doc["files"]):
                flat = " ".join((entry["message"] or "").split())
                expected = (entry["file"] + ": done" if entry["success"] else
                            "%s: failed, exit status %d: %s" % (entry["file"], entry["status"], flat))
                self.assertTrue(line.startswith(expected), (line, expected))
        with tempfile.TemporaryDirectory() as folder:
            doc, _ = document("batch", corpus("missing.obj"), files[0], "--out-dir", "c", "--json", cwd=folder)
        self.assertEqual((doc["status"], doc["files"], doc["reason"]), (3, [], "No such file or directory"))


class Check(unittest.TestCase):
    def test_every_command_says_what_the_pairing_does_to_the_faces(self):
        """A copy whose vertex 10 came back at vertex 11's place: it pairs, but
        base vertex 10 is taken by nobody and the faces round it are no faces
        of the base; every command's document counts both and names them.
        shapes, which needs a pairing one to one, meets a copy with a face
        turned over."""
        positions = [(float(x), float(y), 0.0) for x in range(5) for y in range(5)]
        faces = [(x * 5 + y, x * 5 + y + 5, x * 5 + y + 6, x * 5 + y + 1) for x in range(4) for y in range(4)]
        moved = list(positions)
        moved[10] = positions[11]
        with tempfile.TemporaryDirectory() as folder:
            turned = [faces[0][::-1]] + faces[1:]
            for name, text in (("o.obj", obj(positions, faces)), ("m.obj", obj(moved, faces)),
                               ("t.obj", obj(positions, turned))):
                with open(os.path.join(folder, name), "w") as f:
                    f.write(text)
            unused = {"count": 1, "first": [11]}
            pair, _ = document("pair", "o.obj", "m.obj", cwd=folder)
            convert, err = document("convert", "o.obj", "m.obj", "n.obj", "--json", cwd=folder)
            batch, _ = document("batch", "o.obj", "m.obj", "--out-dir", "b", "--json", cwd=folder)
            shapes, _ = document("shapes", "o.obj", "t.obj", "t.obj", "--out-dir", "s", "--json", cwd=folder)
            self.assertEqual(shapes["faces_not_in_original"], {"count": 1, "first": [[2, 7, 6, 1]]})
            self.assertEqual(shapes["unused_original_vertices"], {"count": 0, "first": []})
            for doc in (pair, convert, batch["files"][0]):
                self.assertEqual(doc["unused_original_vertices"], unused)
                self.assertEqual(doc["faces_not_in_original"], {"count": 2, "first": [[6, 12, 12, 7], [12, 16, 17, 12]]})
            self.assertIn("1 original vertex has no matching vertex", " ".join(convert["warnings"]))
            status, _, err = run("convert", "o.obj", "m.obj", "n.obj", cwd=folder)
            self.assertIn("warning: 2 faces of the matching file are not faces of the original once renumbered; "
                          "the first: f 6 12 12 7, f 12 16 17 12 (the original's vertex numbers)", err)

    def test_a_part_says_so_in_every_command_instead_of_unused_vertices(self):
        """The left half of a 20 x 20 grid exported shuffled and sculpted: each
        command takes it as a part, in text and JSON alike."""
        positions = [(float(x), float(y), 0.0) for y in range(20) for x in range(20)]
        faces = [(y * 20 + x, y * 20 + x + 1, y * 20 + x + 21, y * 20 + x + 20) for y in range(19) for x in range(19)]
        kept = [k for k, p in enumerate(positions) if p[0] < 10]
        random.Random(4).shuffle(kept)
        where = {k: i for i, k in enumerate(kept)}
        part_faces = [[where[k] for k in f] for f in faces if all(k in where for k in f)]
        line = "part: 200 of 400 original vertices (the rest stay where ORIGINAL has them)"
        with tempfile.TemporaryDirectory() as folder:
            for name, lift in (("part.obj", 0.0), ("sculpt.obj", 0.5)):
                with open(os.path.join(folder, name), "w") as f:
                    f.write(obj([(positions[k][0], positions[k][1], lift) for k in kept], part_faces))
            with open(os.path.join(folder, "o.obj"), "w") as f:
                f.write(obj(positions, faces))
            shapes, _ = document("shapes", "o.obj", "part.obj", "sculpt.obj", "--out-dir", "s", "--json", cwd=folder)
            convert, _ = document("convert", "o.obj", "part.obj", "n.obj", "--yes", "--json", cwd=folder)
            welded, _ = document("convert", "o.obj", "part.obj", "w.obj", "--yes", "--json", "--allow-count-change",
                                 cwd=folder)
            pair, _ = document("pair", "o.obj", "part.obj", cwd=folder)
            batch, _ = document("batch", "o.obj", "part.obj", "--out-dir", "b", "--yes", "--json", cwd=folder)
            part = {"vertices": 200, "of": 400, "text": line}
            for doc in (shapes, convert, welded, pair):
                self.assertEqual((doc["success"], doc["part"]), (True, part))
            for doc in (convert, welded, pair, batch["files"][0]):
                self.assertEqual(doc["unused_original_vertices"]["count"], 200)
                self.assertFalse([w for w in doc.get("warnings", []) if "no matching vertex" in w])
            self.assertEqual((welded["sharing"], pair["split"], pair["welded"]), ({"split": 0, "welded": 0}, 0, 0))
            self.assertIn(line, batch["files"][0]["note"])
            for args in (("shapes", "o.obj", "part.obj", "sculpt.obj", "--out-dir", "t"),
                         ("convert", "o.obj", "part.obj", "n.obj", "--yes", "--allow-count-change")):
                status, _, err = run(*args, cwd=folder)
                self.assertEqual(status, 0)
                self.assertIn(line + "\n", err)
                self.assertNotIn("have no matching vertex and keep", err)
            with open(os.path.join(folder, "s", "sculpt.obj")) as f:
                written = [tuple(float(c) for c in l.split()[1:4]) for l in f if l.startswith("v ")]
            self.assertEqual(written, [(x, y, 0.5 if x < 10 else 0.0) for x, y, _ in positions])
            # By connectivity the sculpt fails, naming the way that pairs it.
            status, out, _ = run("shapes", "o.obj", "sculpt.obj", "--out-dir", "u", "--by", "topology", cwd=folder)
            self.assertEqual(status, 8)
            self.assertIn("shapes ORIGINAL PART SCULPT... --out-dir DIR", out)
            # A sculpt whose border stayed where the cut was pairs by connectivity, as does one given a seed.
            with open(os.path.join(folder, "border.obj"), "w") as f:
                f.write(obj([(positions[k][0], positions[k][1], 0.5 * (positions[k][0] != 9)) for k in kept],
                            part_faces))
            seed = "1,2,22=%d,%d,%d" % (where[0] + 1, where[1] + 1, where[21] + 1)
            for args, seeding in ((("border.obj",), "part seeded from 20 vertices at ORIGINAL's positions"),
                                  (("sculpt.obj", "--seed", seed), "part seeded from --seed")):
                doc, _ = document("shapes", "o.obj", *args, "--out-dir", "v", "--by", "topology", "--json", cwd=folder)
                self.assertEqual(doc["files"][0]["note"], line + "\n" + seeding)
                status, out, _ = run("shapes", "o.obj", *args, "--out-dir", "w", "--by", "topology", cwd=folder)
                self.assertEqual((status, out.splitlines()[0]), (0, args[0] + ": done, " + line + " " + seeding))
            with open(os.path.join(folder, "v", "sculpt.obj")) as f:
                written = [tuple(float(c) for c in l.split()[1:4]) for l in f if l.startswith("v ")]
            self.assertEqual(written, [(x, y, 0.5 if x < 10 else 0.0) for x, y, _ in positions])


class Gltf(unittest.TestCase):
    def test_the_gltf_file_is_written_after_the_shapes_refused_onto_the_run_and_its_failure_counts(self):
        o, moved = corpus("original.obj"), corpus("rotated.obj")
        runs = [("f.glb", 0, ["f.glb"], 1), ("F.GLTF", 0, ["F.GLTF", "F.bin"], 1), (o, 2, [], "would replace"),
                ("s/rotated.obj", 2, [], "would replace"), ("original.gltf", 2, [], "would replace"),
                ("none/f.glb", 2, [], "folder can't be written to"), ("d.glb", 5, ["d.glb"], 0)]
        for name, status, made, targets in runs:
            with tempfile.TemporaryDirectory() as folder:
                os.symlink(o, os.path.join(folder, "original.bin"))  # a .gltf's buffer onto an input
                os.mkdir(os.path.join(folder, "d.glb"))  # a folder the file can't replace
                made = made + ["d.glb"] if "d.glb" not in made else made
                doc, err = document("shapes", o, o, moved, "--out-dir", "s", "--gltf", name, "--json", cwd=folder)
                self.assertEqual(doc["status"], status, (name, doc, err))
                self.assertEqual(sorted(set(os.listdir(folder)) - {"s", "original.bin"}), sorted(made), name)
                self.assertEqual(os.path.exists(os.path.join(folder, "s", "rotated.obj")), status != 2, name)
                if isinstance(targets, str):
                    self.assertNotIn("gltf", doc)
                    self.assertIn(targets, doc["message"])
                    continue
                self.assertEqual((doc["gltf"]["success"], doc["gltf"]["targets"]), (targets == 1, targets), name)
                self.assertEqual(doc["gltf"]["message"] is None, targets == 1, name)
                said = run("shapes", o, o, moved, "--out-dir", "t", "--gltf", name, cwd=folder)
                self.assertIn(os.path.join(folder, name) + (": written, 1 morph target" if targets else
                              ": failed, exit status 5: There was an error saving the glTF file"), said[1])


class Quiet(unittest.TestCase):
    def test_quiet_leaves_only_what_the_command_prints_and_what_went_wrong(self):
        o, moved = corpus("original.obj"), corpus("rotated.obj")
        runs = [(("convert", o, moved, "n.obj", "--tolerance", "auto"), 0, ""),
                (("shapes", o, moved, moved, "--out-dir", "s", "--tolerance", "auto"), 0, ""),
                (("batch", o, moved, "--out-dir", "b", "--tolerance", "auto"), 0, ""),
                (("report", o, corpus("welded.obj")), 0, "Quandrelistaphor Report"),
                (("batch", o, corpus("welded.obj"), "--out-dir", "b"), 6, "welded.obj: failed, exit status 6: There "
                 "was an error creating the new morph file. Vertex count does not match: original: 525 vertices "
                 "matching: 504 vertices; every matching vertex sits at a position of the original: a copy whose "
                 "vertices were split or welded; split 0, welded 21; --allow-count-change converts"),
                (("batch", o, moved, corpus("nolibrary.obj"), "--out-dir", "b"), 8, "total_vertices: 525; matched 78 of 525 "
                 "vertices; vertex 1 is 2.38e-07 from the nearest original vertex; suggested: --tolerance 1.2e-06 "
                 "(safe: below 0.449, half the smallest distance between two original positions)\n"
                 + corpus("nolibrary.obj") + ": done, warning: the matching file's library \"missing.mtl\" was not "
                 "found; the new file keeps its usemtl and mtllib lines\nbatch: 1 of 2 files written, 1 failed"),
                (("convert", o, moved, "n.obj"), 8, "")]
        for args, status, printed in runs:
            for quiet in ("-q", "--quiet"):
                with tempfile.TemporaryDirectory() as folder:
                    said = run(*args, quiet, cwd=folder)
                self.assertEqual(said[0], status, args)
                self.assertEqual(said[1] != "", printed != "", (args, said[1]))
                self.assertIn(printed, said[1])
                if args[0] == "convert" and status == 8:  # the failure and its remedy stay
                    self.assertIn("Unable to match all vertices", said[2])
                    self.assertIn("suggested: --tolerance", said[2])
                elif args[0] != "batch":
                    self.assertEqual(said[2], "", args)


class Help(unittest.TestCase):
    def test_help_of_one_command_and_option_words(self):
        whole = run("--help")[1]
        for command in ("convert", "pair", "report", "shapes", "batch"):
            for args in (("help", command), (command, "--help")):
                status, out, _ = run(*args)
                self.assertEqual(status, 0, args)
                self.assertIn("quandrelistaphor %s" % command, out)
                self.assertIn("  64  usage error", out)
                others = {"convert", "pair", "report", "shapes", "batch"} - {command}
                self.assertFalse([c for c in others if "\n%-9s" % c in out], args)
                self.assertIn(out.split("\n\n")[1].split("\n")[0], whole)
        for args in (("help", "frobnicate"), ("help", "convert", "pair"), ("report", "a", "b", "--details=yes"),
                     ("convert", "a", "b", "c", "--tolerances=1")):
            status, out, err = run(*args)
            self.assertEqual((status, out), (64, ""), args)
            self.assertIn("Usage:", err)


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1] + sys.argv[3:])
