#!/usr/bin/env python3
"""Writes the example pair: original.obj (+ .mtl), a torus of 3000 vertices
with UVs, normals, two groups and two materials, and matching.obj (+ .mtl),
the same surface re-exported with its vertices in another order, another UV
layout and other materials. Run from anywhere; the files land beside this
script. The output is deterministic."""
import math
import os
import random

RINGS, SIDES = 60, 50           # 3000 vertices, 3000 quads
MAJOR, MINOR = 1.0, 0.35
HERE = os.path.dirname(os.path.abspath(__file__))


def torus():
    positions, normals = [], []
    for i in range(RINGS):
        a = 2 * math.pi * i / RINGS
        for j in range(SIDES):
            b = 2 * math.pi * j / SIDES
            nx, ny, nz = math.cos(a) * math.cos(b), math.sin(a) * math.cos(b), math.sin(b)
            r = MAJOR + MINOR * math.cos(b)
            positions.append("%.6f %.6f %.6f" % (r * math.cos(a), r * math.sin(a), MINOR * math.sin(b)))
            normals.append("%.6f %.6f %.6f" % (nx, ny, nz))
    quads = []
    for i in range(RINGS):
        for j in range(SIDES):
            i2, j2 = (i + 1) % RINGS, (j + 1) % SIDES
            quads.append((i * SIDES + j, i2 * SIDES + j, i2 * SIDES + j2, i * SIDES + j2))
    return positions, normals, quads


def write(path, lines):
    with open(path, "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def main():
    positions, normals, quads = torus()
    n = len(positions)

    # The original: vertices ring by ring, one UV and one normal per vertex,
    # the outer half of the tube in "shell", the inner half in "lining".
    uv = ["%.6f %.6f" % ((k // SIDES) / RINGS, (k % SIDES) / SIDES) for k in range(n)]
    lines = ["# example original mesh", "mtllib original.mtl"]
    lines += ["v " + p for p in positions] + ["vt " + t for t in uv] + ["vn " + q for q in normals]
    for group, material, outer in (("shell", "clay", True), ("lining", "felt", False)):
        lines += ["g " + group, "usemtl " + material]
        for q in quads:
            if ((q[0] % SIDES) < SIDES // 4 or (q[0] % SIDES) >= 3 * SIDES // 4) == outer:
                lines.append("f " + " ".join("%d/%d/%d" % (v + 1, v + 1, v + 1) for v in q))
    write(os.path.join(HERE, "original.obj"), lines)
    write(os.path.join(HERE, "original.mtl"), [
        "newmtl clay", "Ka 0.200000 0.200000 0.200000", "Kd 0.800000 0.550000 0.400000",
        "Ks 0.100000 0.100000 0.100000", "Ns 10.000000", "d 1.000000", "illum 2", "",
        "newmtl felt", "Ka 0.100000 0.100000 0.100000", "Kd 0.200000 0.300000 0.700000",
        "Ks 0.000000 0.000000 0.000000", "Ns 1.000000", "d 1.000000", "illum 1"])

    # The matching copy: the same positions in a shuffled order, a UV layout
    # of its own (its own order too), the faces split into two other groups
    # by height, with other materials.
    rng = random.Random(20261206)
    order = list(range(n))
    rng.shuffle(order)                   # new index -> original index
    new_index = [0] * n
    for k, old in enumerate(order):
        new_index[old] = k
    uv_order = list(range(n))
    rng.shuffle(uv_order)
    uv_index = [0] * n
    for k, old in enumerate(uv_order):
        uv_index[old] = k
    uv2 = ["%.6f %.6f" % (0.5 + 0.45 * math.cos(2 * math.pi * (k // SIDES) / RINGS) * (k % SIDES + 5) / (SIDES + 5),
                         0.5 + 0.45 * math.sin(2 * math.pi * (k // SIDES) / RINGS) * (k % SIDES + 5) / (SIDES + 5))
           for k in uv_order]
    lines = ["# example matching mesh, re-exported", "mtllib matching.mtl"]
    lines += ["v " + positions[old] for old in order]
    lines += ["vt " + t for t in uv2]
    lines += ["vn " + normals[old] for old in order]
    faces = quads[:]
    rng.shuffle(faces)
    for group, material, upper in (("top", "glaze_red", True), ("bottom", "glaze_white", False)):
        lines += ["g " + group, "usemtl " + material]
        for q in faces:
            if (float(positions[q[0]].split()[2]) >= 0.0) == upper:
                lines.append("f " + " ".join("%d/%d/%d" % (new_index[v] + 1, uv_index[v] + 1, new_index[v] + 1)
                                             for v in q))
    write(os.path.join(HERE, "matching.obj"), lines)
    write(os.path.join(HERE, "matching.mtl"), [
        "newmtl glaze_red", "Ka 0.000000 0.000000 0.000000", "Kd 0.700000 0.100000 0.100000",
        "Ks 0.900000 0.900000 0.900000", "Ns 80.000000", "d 1.000000", "illum 2", "",
        "newmtl glaze_white", "Ka 0.000000 0.000000 0.000000", "Kd 0.900000 0.900000 0.880000",
        "Ks 0.900000 0.900000 0.900000", "Ns 80.000000", "d 1.000000", "illum 2"])


if __name__ == "__main__":
    main()
