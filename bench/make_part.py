#!/usr/bin/env python3
"""make_part.py COPY FRACTION PART SCULPT: cuts a part out of COPY (an OBJ
file, any vertex order) as an exporter of a selection does: the vertices
whose y lies in the lowest FRACTION of them, in COPY's order, and every face
whose corners all lie among them, renumbered. SCULPT is the part with every
vertex lifted by a smooth bump, in the part's order. With a fifth argument
"border", the vertices on the cut (fewer faces in the part than in COPY)
stay where they are: a sculpt that pairs by connectivity without PART."""
import math
import sys


def main(copy, fraction, part_path, sculpt_path, keep=""):
    vertices, faces = [], []
    with open(copy, encoding="ascii") as f:
        for line in f:
            if line.startswith("v "):
                vertices.append(line.split()[1:4])
            elif line.startswith("f "):
                faces.append([int(c.split("/")[0]) - 1 for c in line.split()[1:]])
    ys = sorted(float(v[1]) for v in vertices)
    limit = ys[min(len(ys) - 1, int(len(ys) * float(fraction)))]
    number = [-1] * len(vertices)
    kept = []
    for k, v in enumerate(vertices):
        if float(v[1]) < limit:
            number[k] = len(kept)
            kept.append(v)
    face_lines = ["f " + " ".join(str(number[k] + 1) for k in face) + "\n"
                  for face in faces if all(number[k] >= 0 for k in face)]
    with open(part_path, "w", encoding="ascii") as f:
        f.writelines("v %s %s %s\n" % tuple(v) for v in kept)
        f.writelines(face_lines)
    cut = [0] * len(kept)  # faces a kept vertex has in COPY and not in the part
    for face in faces:
        if keep == "border" and not all(number[k] >= 0 for k in face):
            for k in face:
                if number[k] >= 0:
                    cut[number[k]] = 1
    with open(sculpt_path, "w", encoding="ascii") as f:
        for i, (x, y, z) in enumerate(kept):
            lift = 0.0 if cut[i] else math.exp(-((float(x) % 7) ** 2) / 9.0)
            f.write("v %s %s %.9g\n" % (x, y, float(z) + lift))
        f.writelines(face_lines)
    print("%s: %d of %d vertices, %d faces" % (part_path, len(kept), len(vertices), len(face_lines)))


if __name__ == "__main__":
    main(*sys.argv[1:6])
