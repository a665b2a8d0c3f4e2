#!/usr/bin/env python3
"""Writes the real-files corpus beside this script: a head-like mesh and the
copies that other programs hand back.

  original.obj (+ .mtl)  the base: 21 rings of 25 vertices around a bumpy,
                         open sphere about 24 units tall, the last vertex of
                         every ring at the position of the first (a UV seam),
                         two groups, two materials; numbers exact to 9 digits
  reordered.obj (+ copy.mtl)
                         the same positions in another vertex and face order,
                         faces starting at other corners, other UVs and groups
  rotated.obj            reordered, turned a quarter about X and back through
                         32-bit float matrices, written with six decimals
  sixdigits.obj (+ sixdigits_base.obj)
                         a base written with six significant digits, and its
                         reordered copy read and written with six decimals
  welded.obj             reordered with every set of coincident vertices
                         merged into one (the seams closed)
  split.obj              reordered with the vertices on the border between
                         the two materials split, one copy for each side
  nolibrary.obj          reordered, naming a library that is not there

All copies but nolibrary.obj name copy.mtl. The output is deterministic.
"""
import math
import os
import random
import struct

RINGS, SIDES = 21, 25          # SIDES - 1 distinct positions a ring
HERE = os.path.dirname(os.path.abspath(__file__))


def f32(value):
    return struct.unpack("f", struct.pack("f", value))[0]


def head():
    """Positions (32-bit values) and the quads, ring by ring."""
    positions = []
    for i in range(RINGS):
        lat = math.radians(-70 + 140 * i / (RINGS - 1))
        for j in range(SIDES):
            lon = 2 * math.pi * (j % (SIDES - 1)) / (SIDES - 1)
            r = 11.5 + 0.8 * math.sin(3 * lon) * math.cos(2 * lat) + 0.4 * math.sin(5 * lat)
            positions.append((f32(r * math.cos(lat) * math.cos(lon)), f32(12.0 * math.sin(lat) + 0.3),
                              f32(r * math.cos(lat) * math.sin(lon) * 0.9)))
    quads = []
    for i in range(RINGS - 1):
        for j in range(SIDES - 1):
            a, b = i * SIDES + j, (i + 1) * SIDES + j
            quads.append((a, a + 1, b + 1, b))
    return positions, quads


def rotate_x(p, angle):
    """p turned about X through a 32-bit matrix, every step rounded to 32 bits."""
    c, s = f32(math.cos(f32(angle))), f32(math.sin(f32(angle)))
    x, y, z = p
    return (x, f32(f32(c * y) - f32(s * z)), f32(f32(s * y) + f32(c * z)))


def number(value, form):
    text = form % value
    return "0.000000" if form == "%f" and text == "-0.000000" else text


def obj_lines(header, library, positions, uvs, faces, form):
    """faces: (group, material, [(vertex, uv), ...]) with 0-based indexes."""
    lines = ["# " + header]
    if library:
        lines.append("mtllib " + library)
    lines += ["v " + " ".join(number(c, form) for c in p) for p in positions]
    lines += ["vt %.6f %.6f" % uv for uv in uvs]
    current = None
    for group, material, corners in faces:
        if (group, material) != current:
            lines += ["g " + group, "usemtl " + material]
            current = (group, material)
        lines.append("f " + " ".join("%d/%d" % (v + 1, t + 1) for v, t in corners))
    return lines


def write(name, lines):
    with open(os.path.join(HERE, name), "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def base_faces(quads):
    faces = []
    for k, q in enumerate(quads):
        upper = q[0] // SIDES >= RINGS // 2
        faces.append(("crown" if upper else "jaw", "skin" if upper else "lips", [(v, v) for v in q]))
    faces.sort(key=lambda f: f[0] != "crown")
    return faces


def copy_faces(quads, order_of, rng):
    """The copy's faces: shuffled, each starting at another corner, grouped
    by side instead of by height, with the copy's own materials."""
    faces = []
    for q in quads:
        turn = rng.randrange(4)
        corners = [order_of[v] for v in q[turn:] + q[:turn]]
        upper = q[0] // SIDES >= RINGS // 2
        faces.append(("left" if q[0] % SIDES < SIDES // 2 else "right", "paint_a" if upper else "paint_b", corners))
    rng.shuffle(faces)
    faces.sort(key=lambda f: (f[0], f[1]))
    return faces


def main():
    positions, quads = head()
    n = len(positions)
    uvs = [((k % SIDES) / (SIDES - 1), (k // SIDES) / (RINGS - 1)) for k in range(n)]
    write("original.obj", obj_lines("corpus base", "original.mtl", positions, uvs, base_faces(quads), "%.9g"))
    write("original.mtl", ["newmtl skin", "Kd 0.800000 0.600000 0.500000", "", "newmtl lips",
                           "Kd 0.700000 0.300000 0.300000"])
    write("copy.mtl", ["newmtl paint_a", "Kd 0.200000 0.400000 0.800000", "", "newmtl paint_b",
                       "Kd 0.900000 0.900000 0.200000"])

    rng = random.Random(20261208)
    order = list(range(n))
    rng.shuffle(order)                       # copy index -> original index
    order_of = [0] * n
    for k, old in enumerate(order):
        order_of[old] = k
    moved = [positions[old] for old in order]
    copy_uvs = [(0.5 + 0.4 * math.cos(k * 0.37), 0.5 + 0.4 * math.sin(k * 0.53)) for k in range(n)]
    faces = copy_faces(quads, order_of, rng)
    corners = [(g, m, [(v, v) for v in c]) for g, m, c in faces]

    write("reordered.obj", obj_lines("reordered copy", "copy.mtl", moved, copy_uvs, corners, "%.9g"))
    turned = [rotate_x(rotate_x(p, -math.pi / 2), math.pi / 2) for p in moved]
    write("rotated.obj", obj_lines("rotated and back", "copy.mtl", turned, copy_uvs, corners, "%f"))
    write("nolibrary.obj", obj_lines("library lost", "missing.mtl", moved, copy_uvs, corners, "%.9g"))

    six = [tuple(f32(float("%.6g" % c)) for c in p) for p in positions]
    write("sixdigits_base.obj", obj_lines("six digits", "original.mtl", six, uvs, base_faces(quads), "%.6g"))
    write("sixdigits.obj", obj_lines("six decimals", "copy.mtl", [six[old] for old in order], copy_uvs, corners, "%f"))

    # Welded: one vertex for each distinct position, in the copy's order.
    first_at, welded_index, welded = {}, [0] * n, []
    for k, p in enumerate(moved):
        if p not in first_at:
            first_at[p] = len(welded)
            welded.append(p)
        welded_index[k] = first_at[p]
    welded_faces = [(g, m, [(welded_index[v], v) for v in c]) for g, m, c in faces]
    write("welded.obj", obj_lines("welded", "copy.mtl", welded, copy_uvs, welded_faces, "%.9g"))

    # Split: a vertex used by faces of both materials gets a second copy for
    # the faces of paint_b.
    used_by = {}
    for g, m, c in faces:
        for v in c:
            used_by.setdefault(v, set()).add(m)
    split_positions, second = list(moved), {}
    for v in sorted(used_by):
        if len(used_by[v]) == 2:
            second[v] = len(split_positions)
            split_positions.append(moved[v])
    split_faces = [(g, m, [(second[v] if m == "paint_b" and v in second else v, v) for v in c]) for g, m, c in faces]
    write("split.obj", obj_lines("split at the material border", "copy.mtl", split_positions, copy_uvs, split_faces,
                                 "%.9g"))


if __name__ == "__main__":
    main()
