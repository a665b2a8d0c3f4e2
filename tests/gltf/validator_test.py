"""The Khronos glTF-Validator on the glTF files shapes --gltf writes:
  python3 validator_test.py PROGRAM NODE_MODULES
from the examples, the test corpus (by position, by connectivity and a part),
the real meshes of tests/data/round_trips and a generated family of 10^5
vertices with 5 shapes, in both forms. Every file must have no error and no
warning; node or the validator missing is a failure, not a skip."""
import math
import os
import random
import shutil
import subprocess
import sys
import tempfile

PROGRAM, MODULES = sys.argv[1], sys.argv[2]
HERE = os.path.dirname(os.path.abspath(__file__))
DATA = os.path.join(HERE, "..", "data")
EXAMPLES = os.path.join(HERE, "..", "..", "examples")
PART = os.path.join(HERE, "..", "..", "bench", "make_part.py")


def sculpt(source, target, amount):
    """source with every v line moved by a smooth field, all else kept."""
    with open(source, encoding="latin-1") as f, open(target, "w", encoding="latin-1") as out:
        for line in f:
            if line.startswith("v "):
                x, y, z = map(float, line.split()[1:4])
                line = "v %.9g %.9g %.9g\n" % (x + amount * math.sin(y), y + amount * math.cos(z), z + amount * x)
            out.write(line)


def cylinder(folder, rows, columns):
    """A tube of rows x columns vertices whose texture wraps round (a seam
    where u is 0 and 1), two materials, normals; the copy numbers the
    vertices at random. Returns the original's and the copy's paths."""
    random.seed(49)
    order = list(range(rows * columns))
    random.shuffle(order)
    where = {k: n for n, k in enumerate(order)}
    with open(os.path.join(folder, "tube.mtl"), "w") as f:
        f.write("newmtl inner\nKd 0.8 0.2 0.2\nnewmtl outer\nKd 0.2 0.2 0.8\nmap_Kd pixel.png\n")
    ring = [(math.cos(2 * math.pi * c / columns), math.sin(2 * math.pi * c / columns)) for c in range(columns)]
    vertices = ["v %.7g %.7g %.7g\n" % (x, r * 0.01, y) for r in range(rows) for x, y in ring]
    head = ["mtllib tube.mtl\n"] + ["vt %.7g %.7g\n" % (c / columns, r / rows) for r in range(rows)
                                    for c in range(columns + 1)]
    head += ["vn %.7g 0 %.7g\n" % (x, y) for x, y in ring]
    for name, number in (("tube.obj", lambda k: k), ("copy.obj", lambda k: where[k])):
        faces = []
        for r in range(rows - 1):
            if r in (0, rows // 2):
                faces.append("usemtl %s\n" % ("inner" if r == 0 else "outer"))
            for c in range(columns):
                corners = [(r, c), (r, c + 1), (r + 1, c + 1), (r + 1, c)]
                faces.append("f " + " ".join("%d/%d/%d" % (number(a * columns + b % columns) + 1,
                                                          a * (columns + 1) + b + 1, b % columns + 1)
                                             for a, b in corners) + "\n")
        table = vertices if name == "tube.obj" else [vertices[k] for k in order]
        with open(os.path.join(folder, name), "w") as f:
            f.writelines(head[:1] + table + head[1:] + faces)
    return os.path.join(folder, "tube.obj"), os.path.join(folder, "copy.obj")


def shapes(folder, name, *args):
    """shapes ARGS --gltf NAME in folder: the glTF file's path; the run must succeed."""
    out = os.path.join(folder, name.replace(".", "_"))
    done = subprocess.run([PROGRAM, "shapes", *args, "--out-dir", out, "--gltf", os.path.join(folder, name), "-q"],
                          capture_output=True, text=True)
    assert done.returncode == 0, (args, done.stdout, done.stderr)
    return os.path.join(folder, name)


def families(folder):
    corpus, real = os.path.join(DATA, "corpus"), os.path.join(DATA, "round_trips")
    s = lambda source, name, amount=0.05: sculpt(source, os.path.join(folder, name), amount) or \
        os.path.join(folder, name)
    files = []
    original, matching = os.path.join(EXAMPLES, "original.obj"), os.path.join(EXAMPLES, "matching.obj")
    for form in ("examples.glb", "examples.gltf"):
        files.append(shapes(folder, form, original, matching, s(matching, "smile.obj"), s(matching, "frown.obj", -0.1)))
    o, copy = os.path.join(corpus, "original.obj"), os.path.join(corpus, "reordered.obj")
    files.append(shapes(folder, "corpus.glb", o, copy, s(copy, "corpus_a.obj"), s(copy, "corpus_b.obj", 0.2)))
    files.append(shapes(folder, "topology family.gltf", o, s(copy, "corpus_c.obj"), "--by", "topology"))
    part, part_sculpt = os.path.join(folder, "part.obj"), os.path.join(folder, "part_sculpt.obj")
    subprocess.run([sys.executable, PART, copy, "0.3", part, part_sculpt], check=True)
    files.append(shapes(folder, "part.glb", o, part, part_sculpt))
    spider = os.path.join(real, "spider_sort_random.obj")
    files.append(shapes(folder, "spider.glb", os.path.join(real, "spider.obj"), spider, s(spider, "spider_a.obj")))
    regr = os.path.join(real, "regr01_blender_default.obj")
    files.append(shapes(folder, "regr01.gltf", os.path.join(real, "regr01.obj"), regr, s(regr, "regr01_a.obj"),
                        "--tolerance", "auto"))
    # A textured material whose faces give no texture coordinates: no texture to bind; vertex colours.
    with open(os.path.join(folder, "bare.obj"), "w") as f:
        f.write("mtllib bare.mtl\nv 0 0 0 1 0 0\nv 1 0 0 0 1 0\nv 1 1 0 0 0 1.5\nv 0 1 0 0.5 0.5 0.5\nusemtl a\n"
                "f 1 2 3 4\n")
    with open(os.path.join(folder, "bare.mtl"), "w") as f:
        f.write("newmtl a\nKd 0.5 0.5 0.5\nmap_Kd pixel.png\n")
    bare = os.path.join(folder, "bare.obj")
    files.append(shapes(folder, "bare.glb", bare, bare, s(bare, "bare_a.obj")))
    with open(files[-1], "rb") as f:
        head = f.read(4096)
    assert b'"COLOR_0"' in head and b'"baseColorTexture"' not in head, head
    tube, tube_copy = cylinder(folder, 317, 316)  # 100,172 vertices
    sculpts = [s(tube_copy, "tube_%d.obj" % k, 0.01 * (k + 1)) for k in range(5)]
    files.append(shapes(folder, "tube.glb", tube, tube_copy, *sculpts, "--jobs", "2"))
    return files


def main():
    node = shutil.which("node")
    assert node, "node is not installed (scripts/install-deps.sh --native installs it)"
    assert os.path.isdir(os.path.join(MODULES, "gltf-validator")), (
        "no gltf-validator in %s (scripts/install-deps.sh --native installs it)" % MODULES)
    with tempfile.TemporaryDirectory() as folder:
        files = families(folder)
        # The textures the libraries name, as the artist has them beside the file.
        for name in ("wal67ar_small.jpg", "wal69ar_small.jpg", "SpiderTex.jpg", "drkwood2.jpg", "engineflare1.jpg"):
            shutil.copy(os.path.join(DATA, "gltf", "pixel.jpg"), os.path.join(folder, name))
        shutil.copy(os.path.join(DATA, "gltf", "pixel.png"), os.path.join(folder, "pixel.png"))
        done = subprocess.run([node, os.path.join(HERE, "validate_gltf.js"), MODULES, *files],
                              capture_output=True, text=True)
        print(done.stdout, done.stderr)
        assert done.returncode == 0, "the validator found errors or warnings"
        clean = [line for line in done.stdout.splitlines()
                 if line.endswith("vertices") and " 0 errors, 0 warnings" in line]
        assert len(clean) == len(files), (len(clean), files)
        # The tube's 100,172 positions, split at the seam and where the materials meet.
        assert int(clean[-1].split(", ")[-1].split()[0]) >= 317 * 316, clean[-1]
    print("validator_test: all passed")


if __name__ == "__main__":
    main()
