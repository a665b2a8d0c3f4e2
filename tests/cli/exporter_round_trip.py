"""Files as real exporters write them, converted by the command line and read
back by an independent reader (tinyobjloader): the new file holds the
matching file's faces with their corner forms, its objects, colours and
materials, and its library every statement of the matching one.

    python3 exporter_round_trip.py TOOL
"""
import os
import subprocess
import sys
import tempfile

import tinyobjloader

# A quad of two triangles and a fifth vertex; each matching file lists the
# same positions in another order.
ORIGINAL = "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0.5 0.5 1\nf 1 2 3\nf 1 3 4\nf 1 2 5\n"
MOVED = "v 0.5 0.5 1\nv 1 1 0\nv 0 0 0\nv 0 1 0\nv 1 0 0\n"
TABLES = "vt 0 0\nvt 1 0\nvt 1 1\nvn 0 0 1\nvn 0 -1 0\n"
COLOURED = ("v 0.5 0.5 1 0.1 0.2 0.3\nv 1 1 0 1 0 0\nv 0 0 0 0 1 0\nv 0 1 0 0 0 1\nv 1 0 0 0.333333 0.5 0.25\n"
            "f 3 5 2\nf 3 2 4\nf 3 5 1\n")

BLENDER_MTL = (
    "# Blender 3.4.1 MTL File: 'None'\n# www.blender.org\n\nnewmtl Body\nNs 250.000000\n"
    "Ka 1.000000 1.000000 1.000000\nKd 0.800000 0.800000 0.800000\nKs 0.500000 0.500000 0.500000\n"
    "Ke 0.000000 0.000000 0.000000\nNi 1.450000\nd 1.000000\nillum 2\nmap_Kd textures/base color.png\n"
    "map_Bump -bm 0.500000 normal.png\nmap_Ns rough.png\n\nnewmtl Plain\nKd 0.2 0.3 0.4\n"
    "Pr 0.5\nPm 0.25\naniso 0.1\nmap_Ke -s 2 2 1 glow.png\ndisp -mm 0 1 height.png\n")

CASES = {
    # Assimp and meshio: faces without texture coordinates or normals beside faces with them.
    "assimp mixed corners": (MOVED + TABLES + "f 3//1 5//1 2//1\nf 3/1/1 2/2/1 4/3/1\nf 3/1 5/2 1\n", None),
    "corners without tables": (MOVED + "f 3 5 2\nf 3 2 4\nf 3 5 1\n", None),
    # MeshLab: a colour after every position; every way of pairing carries it.
    "meshlab colours": (COLOURED, None),
    "meshlab colours --tolerance auto": (COLOURED, None),
    "meshlab colours --by topology": (COLOURED, None),
    # Blender: objects and smoothing groups.
    "blender objects": ("o Cube\n" + MOVED + "s 1\nf 3 5 2\nf 3 2 4\no Spike\ns 0\nf 3 5 1\n", None),
    # Blender: loose edges as l lines, in an object of their own.
    "blender edges": ("o Cube\n" + MOVED + "f 3 5 2\nl 3 4\no Wire\nl 1 2 5\n", None),
    # Blender: a library with statements of every kind.
    "blender library": ("mtllib matching.mtl\n" + MOVED + TABLES +
                        "usemtl Body\nf 3/1/1 5/2/1 2/3/1\nusemtl Plain\nf 3/1/1 2/2/1 4/3/1\nf 3//2 5//2 1//2\n",
                        BLENDER_MTL),
}


def read(path):
    reader = tinyobjloader.ObjReader()
    config = tinyobjloader.ObjReaderConfig()
    config.triangulate = False
    if not reader.ParseFromFile(path, config):
        raise SystemExit("tinyobjloader can't read %s: %s" % (path, reader.Error()))
    return reader


def faces(reader, named):
    """Every face as its corners (position, colour, texture coordinate, normal),
    None for what a corner lacks, after its object's name when `named`;
    sorted, as the writer regroups faces."""
    attrib = reader.GetAttrib()
    found = []
    for shape in reader.GetShapes():
        offset = 0
        for count in shape.mesh.num_face_vertices:
            corners = []
            for index in shape.mesh.indices[offset:offset + count]:
                v, t, n = index.vertex_index, index.texcoord_index, index.normal_index
                corners.append((tuple(attrib.vertices[3 * v:3 * v + 3]),
                                tuple(attrib.colors[3 * v:3 * v + 3]),
                                tuple(attrib.texcoords[2 * t:2 * t + 2]) if t >= 0 else None,
                                tuple(attrib.normals[3 * n:3 * n + 3]) if n >= 0 else None))
            found.append((shape.name if named else "",) + tuple(corners))
            offset += count
    return sorted(found, key=repr)


def polylines(path):
    """Every l line as its object and the positions it runs through, sorted
    (the Python module does not hand lines on)."""
    positions, found, current = [], [], ""
    for line in open(path):
        words = line.split()
        if words[:1] == ["v"]:
            positions.append(tuple(float(x) for x in words[1:4]))
        elif words[:1] == ["o"]:
            current = line[2:].strip()
        elif words[:1] == ["l"]:
            found.append((current,) + tuple(positions[int(w.split("/")[0]) - 1] for w in words[1:]))
    return sorted(found)


def materials(reader):
    keys = ("name", "ambient", "diffuse", "specular", "emission", "ior", "dissolve", "illum", "shininess",
            "diffuse_texname", "bump_texname", "specular_highlight_texname", "emissive_texname",
            "displacement_texname", "roughness", "metallic", "anisotropy")
    return [{key: getattr(m, key, None) for key in keys} for m in reader.GetMaterials()]


def statements(text):
    """The statements of each block of a library, by material name."""
    blocks, name = {}, None
    for line in text.splitlines():
        line = line.strip()
        if line.startswith("newmtl "):
            name = line[7:]
            blocks[name] = []
        elif line and not line.startswith("#") and name is not None:
            blocks[name].append(line)
    return blocks


def check(tool, folder, name, matching, library):
    open(os.path.join(folder, "original.obj"), "w").write(ORIGINAL)
    open(os.path.join(folder, "matching.obj"), "w").write(matching)
    if library:
        open(os.path.join(folder, "matching.mtl"), "w").write(library)
    new = os.path.join(folder, "new.obj")
    options = name[name.index(" --"):].split() if " --" in name else []  # a case's name ends with its options
    run = subprocess.run([tool, "convert", os.path.join(folder, "original.obj"), os.path.join(folder, "matching.obj"),
                          new, "--yes"] + options, capture_output=True, text=True)
    problems = []
    if run.returncode != 0:
        return ["exit %d: %s" % (run.returncode, run.stdout + run.stderr)]
    before, after = read(os.path.join(folder, "matching.obj")), read(new)
    named = "\no " in "\n" + matching
    if faces(before, named) != faces(after, named):
        problems.append("faces differ:\n  %s\n  %s" % (faces(before, named), faces(after, named)))
    if polylines(os.path.join(folder, "matching.obj")) != polylines(new):
        problems.append("l lines differ")
    if library:
        if materials(before) != materials(after):
            problems.append("materials differ:\n  %s\n  %s" % (materials(before), materials(after)))
        written = open(os.path.join(folder, "new.mtl")).read()
        if statements(library) != statements(written):
            problems.append("statements differ:\n  %s\n  %s" % (statements(library), statements(written)))
    return problems


def main():
    tool = sys.argv[1]
    failed = 0
    for name, (matching, library) in CASES.items():
        with tempfile.TemporaryDirectory() as folder:
            problems = check(tool, folder, name, matching, library)
        print("%-34s %s" % (name, "ok" if not problems else "FAILED"))
        for problem in problems:
            print("  " + problem)
        failed += bool(problems)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
