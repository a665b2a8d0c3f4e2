"""Blender's glTF importer reading a family shapes --gltf wrote, headless:
  blender -b --factory-startup --python blender_gltf_test.py -- PROGRAM
The examples' family (a torus with a texture seam and two materials) and the
corpus's (coincident vertices, polygons; by position and by connectivity)
with two shapes each must come in as
one mesh whose shape keys, after Blender's own split of the vertices is
mapped back by position and texture coordinate, hold every vertex of the
shapes' OBJ files of the same run as the same 32-bit floats. Exits 1 on the
first failure."""
import os
import struct
import subprocess
import sys
import tempfile
import traceback

import bpy
import numpy

# Debian's Blender 3.4 importer still says numpy.bool, an alias numpy 1.24 (Debian's) no longer has.
if not hasattr(numpy, "bool") or "bool" in getattr(numpy, "__former_attrs__", {}):
    numpy.bool = bool

PROGRAM = sys.argv[sys.argv.index("--") + 1:][0]
HERE = os.path.dirname(os.path.abspath(__file__))
F32 = lambda value: struct.unpack("f", struct.pack("f", value))[0]


def obj_tables(path):
    """The v lines as float32 triples and each corner's (vertex, vt) of the f lines."""
    positions, texcoords, corners = [], [], []
    with open(path) as f:
        for line in f:
            words = line.split()
            if words and words[0] == "v":
                positions.append(tuple(F32(float(w)) for w in words[1:4]))
            elif words and words[0] == "vt":
                texcoords.append((float(words[1]), float(words[2])))
            elif words and words[0] == "f":
                for word in words[1:]:
                    v, t = (word.split("/") + [""])[:2]
                    corners.append((int(v) - 1, texcoords[int(t) - 1] if t else None))
    return positions, corners


def sculpt(source, target, amount):
    with open(source) as f, open(target, "w") as out:
        for line in f:
            if line.startswith("v "):
                x, y, z = map(float, line.split()[1:4])
                line = "v %.9g %.9g %.9g\n" % (x + amount * y, y - amount * z * z, z + amount)
            out.write(line)


def reachable(base, target):
    """What base + d gives, in float32, for the float32 difference d a file
    holds: target where some d near target - base reaches it (the writer
    finds it), else base + (target - base) rounded, the nearest it can."""
    step = numpy.float32(target) - numpy.float32(base)
    for d in (step, numpy.nextafter(step, numpy.float32("inf")), numpy.nextafter(step, numpy.float32("-inf"))):
        if numpy.float32(base) + d == numpy.float32(target):
            return target
    return float(numpy.float32(base) + step)


def key(position, uv):
    return position, (round(uv[0], 5), round(uv[1], 5)) if uv else None


def check(folder, name, original, matching, *way):
    shapes = []
    for k, amount in enumerate((0.05, -0.3)):
        shapes.append(os.path.join(folder, "%s_shape%d.obj" % (name, k)))
        sculpt(matching, shapes[-1], amount)
    out, family = os.path.join(folder, name), os.path.join(folder, name + ".glb")
    given = [matching] if not way else []  # by connectivity: no MATCHING
    subprocess.run([PROGRAM, "shapes", original, *given, *shapes, *way, "--out-dir", out, "--gltf", family, "-q"],
                   check=True)
    bpy.ops.wm.read_factory_settings(use_empty=True)
    bpy.ops.import_scene.gltf(filepath=family)
    meshes = [o for o in bpy.context.scene.objects if o.type == "MESH"]
    assert len(meshes) == 1, [o.name for o in meshes]
    mesh = meshes[0].data
    blocks = mesh.shape_keys.key_blocks
    names = [os.path.splitext(os.path.basename(s))[0] for s in shapes]
    assert [b.name for b in blocks][1:] == names, [b.name for b in blocks]
    assert all(b.value == 0 for b in blocks)
    # Each Blender vertex's OBJ vertex: its base position and a corner's texture coordinate, back in OBJ's axes.
    base, corners = obj_tables(original)
    where = {}
    for v, uv in corners:
        where.setdefault(key(base[v], uv), set()).add(v)
    uv_layer = mesh.uv_layers[0].data if mesh.uv_layers else None
    source = {}
    for loop in mesh.loops:
        co = blocks[0].data[loop.vertex_index].co
        uv = tuple(uv_layer[loop.index].uv) if uv_layer else None
        found = where.get(key((co.x, co.z, -co.y), uv)) or set()
        assert len(found) >= 1, (name, loop.vertex_index, tuple(co), uv)
        source.setdefault(loop.vertex_index, set()).update(found)
    assert len(source) == len(mesh.vertices)
    compared = exact = 0
    for block, shape in zip(blocks[1:], names):
        written = obj_tables(os.path.join(out, shape + ".obj"))[0]
        for vertex, candidates in source.items():
            co = block.data[vertex].co
            got = (co.x, co.z, -co.y)
            # Coincident base vertices with the same texture coordinate are
            # one glTF vertex only where the shapes move them alike.
            want = [tuple(reachable(b, w) for b, w in zip(base[v], written[v])) for v in candidates]
            assert got in want, (name, shape, vertex, got, [written[v] for v in candidates], want)
            compared += 1
            exact += any(got == written[v] for v in candidates)
    print("%s: %d shape keys, %d Blender vertices, %d compared, %d exactly, the others as near as a float "
          "difference reaches" % (name, len(names), len(mesh.vertices), compared, exact))
    assert exact > compared // 2


def main():
    examples = os.path.join(HERE, "..", "..", "examples")
    corpus = os.path.join(HERE, "..", "data", "corpus")
    with tempfile.TemporaryDirectory() as folder:
        check(folder, "examples", os.path.join(examples, "original.obj"), os.path.join(examples, "matching.obj"))
        check(folder, "corpus", os.path.join(corpus, "original.obj"), os.path.join(corpus, "reordered.obj"))
        check(folder, "topology", os.path.join(corpus, "original.obj"), os.path.join(corpus, "reordered.obj"),
              "--by", "topology")
    print("blender_gltf_test: all passed")


try:
    main()
except Exception:
    traceback.print_exc()
    sys.exit(1)
