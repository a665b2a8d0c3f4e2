"""Blender's OBJ exporter splitting the quads of a sculpted copy, headless:
  blender -b --factory-startup --python blender_triangulated_test.py -- PROGRAM
Base meshes with two materials (a UV sphere, whose poles are triangles; a
subdivided monkey; both in one file as objects whose names sort the other
way round) are written as they are, then imported again as an artist would,
every vertex moved, the vertices numbered at random, and written with
"Triangulated Mesh": each quad's second triangle then comes after the first
triangles of its material, and the objects come back in another order.
shapes --by topology must join the triangles again and give every base
vertex its own moved position. Exits 1 on the first failure."""
import math
import os
import subprocess
import sys
import tempfile
import traceback

import bpy

PROGRAM = sys.argv[sys.argv.index("--") + 1:][0]
SIZE = 6.0  # about the width of every base


def clear_scene():
    bpy.ops.object.select_all(action="SELECT")
    bpy.ops.object.delete()


def two_materials(obj):
    for name in ("skin", "cloth"):
        obj.data.materials.append(bpy.data.materials.get(name) or bpy.data.materials.new(name))
    for polygon in obj.data.polygons:
        polygon.material_index = 1 if polygon.center.z > 0 else 0


def sculpt(x, y, z):
    """A smooth move of at most 3 % of SIZE, in the file's axes."""
    a = 0.03 * SIZE
    return (x + a * math.sin(2 * y / SIZE + 0.3), y + a * math.sin(3 * z / SIZE + 1.1),
            z + a * math.sin(2 * x / SIZE + 2.0))


def positions(path):
    with open(path) as f:
        return [tuple(map(float, line.split()[1:4])) for line in f if line.startswith("v ")]


def sphere():
    bpy.ops.mesh.primitive_uv_sphere_add(segments=32, ring_count=16, radius=SIZE / 2)


def monkey(location=(0, 0, 0)):
    bpy.ops.mesh.primitive_monkey_add(size=SIZE / 2, location=location)
    bpy.context.object.modifiers.new("smooth", "SUBSURF").levels = 1
    bpy.ops.object.modifier_apply(modifier="smooth")


def both():
    sphere()
    bpy.context.object.name = "Zed"
    two_materials(bpy.context.object)
    monkey(location=(SIZE, 0, 0))
    bpy.context.object.name = "Alpha"


def sculpted_copy(base, copy, move=True, **options):
    """The base imported again, moved, renumbered and written triangulated
    (or, without `move`, as `options` say)."""
    clear_scene()
    bpy.ops.wm.obj_import(filepath=base)
    for obj in [o for o in bpy.context.scene.objects if o.type == "MESH"]:
        for v in obj.data.vertices if move else ():  # the importer turns the object, not its vertices
            v.co = sculpt(*v.co)
        bpy.ops.object.select_all(action="DESELECT")
        obj.select_set(True)
        bpy.context.view_layer.objects.active = obj
        bpy.ops.object.mode_set(mode="EDIT")
        bpy.ops.mesh.select_all(action="SELECT")
        bpy.ops.mesh.sort_elements(type="RANDOMIZE", elements={"VERT"}, seed=7)
        bpy.ops.object.mode_set(mode="OBJECT")
    bpy.ops.object.select_all(action="DESELECT")
    bpy.ops.wm.obj_export(filepath=copy, **(options or {"export_triangulated_mesh": True}))


def mesh_objects(path):
    clear_scene()
    bpy.ops.wm.obj_import(filepath=path)
    return sorted(o.name for o in bpy.context.scene.objects if o.type == "MESH")


def check_objects(name, base, folder):
    """A renumbered copy written with material groups (`g` lines inside each
    object) converts into a file Blender reads as the copy's objects."""
    copy, new = os.path.join(folder, name + "_groups.obj"), os.path.join(folder, name + "_new.obj")
    sculpted_copy(base, copy, move=False, export_material_groups=True)
    run = subprocess.run([PROGRAM, "convert", base, copy, new, "--tolerance", "auto"], capture_output=True, text=True)
    assert run.returncode == 0, "%s: exit %d\n%s%s" % (name, run.returncode, run.stdout, run.stderr)
    with open(new) as f:
        assert sum(line.startswith("g ") for line in f) >= 2, name + ": no groups to split the objects"
    assert mesh_objects(new) == mesh_objects(copy), "%s: %s, not %s" % (name, mesh_objects(new), mesh_objects(copy))


def check(name, make, folder):
    clear_scene()
    make()
    two_materials(bpy.context.object)
    quads = sum(1 for o in bpy.context.scene.objects for p in o.data.polygons if len(p.vertices) == 4)
    base = os.path.join(folder, name + ".obj")
    bpy.ops.wm.obj_export(filepath=base)
    copy = os.path.join(folder, name + "_triangulated.obj")
    sculpted_copy(base, copy)
    targets = os.path.join(folder, name + "_targets")
    run = subprocess.run([PROGRAM, "shapes", base, copy, "--out-dir", targets, "--by", "topology"],
                         capture_output=True, text=True)
    assert run.returncode == 0, "%s: exit %d\n%s%s" % (name, run.returncode, run.stdout, run.stderr)
    said = "%d pairs of triangles were paired as one quad" % quads
    assert said in run.stdout, "%s: no '%s' in\n%s" % (name, said, run.stdout)
    expected = [sculpt(*p) for p in positions(base)]
    got = positions(os.path.join(targets, os.path.basename(copy)))
    assert len(got) == len(expected), name
    worst = max(max(abs(g - e) for g, e in zip(p, q)) for p, q in zip(got, expected))
    assert worst < 1e-4 * SIZE, "%s: a vertex is %g from its own moved position" % (name, worst)
    check_objects(name, base, folder)
    print("blender_triangulated_test: %s: %d quads joined, every vertex in its place, the objects kept" % (name, quads))


def main():
    with tempfile.TemporaryDirectory() as folder:
        check("sphere", sphere, folder)
        check("monkey", monkey, folder)
        check("two_objects", both, folder)
    print("blender_triangulated_test: all passed")


try:
    main()
except Exception:
    traceback.print_exc()
    sys.exit(1)
