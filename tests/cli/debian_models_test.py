"""Debian's assimp-testmodels round-tripped by Blender, paired by connectivity, headless:
  blender -b --factory-startup --python debian_models_test.py -- PROGRAM MODELS
MODELS is the package's folder (/usr/share/assimp/models); without it the test fails,
as CI installs the package (scripts/install-deps.sh).
- spider.obj and regr01.obj imported and exported again as artists do: default axes
  (float noise), every object joined into one, separated by material, separated into
  loose parts, vertices and faces sorted at random.
  regr01's parts alike include rectangles crossing at one centre, told apart by their spread.
- The Collada duck (quads, triangles and pentagons) written as a plain OBJ, then
  imported again and written triangulated: every vertex moved, its vertices and faces
  sorted at random (float noise only), or both.
Every copy of the spider and regr01 must convert with `--by topology` into a file with
ORIGINAL's faces, and `shapes --by topology` must give every vertex of the duck its own
(moved) position. Exits 1 after the last
copy when any failed."""
import math
import os
import subprocess
import sys
import tempfile
import traceback

import bpy

ARGS = sys.argv[sys.argv.index("--") + 1:]
PROGRAM, MODELS = ARGS[0], ARGS[1]


def clear_scene():
    bpy.ops.object.select_all(action="SELECT")
    bpy.ops.object.delete()
    for mesh in list(bpy.data.meshes):
        bpy.data.meshes.remove(mesh)


def meshes():
    return [o for o in bpy.context.scene.objects if o.type == "MESH"]


def edit_all(operation):
    """Runs an edit-mode operation on every vertex of every mesh object."""
    for obj in meshes():
        bpy.ops.object.select_all(action="DESELECT")
        obj.select_set(True)
        bpy.context.view_layer.objects.active = obj
        bpy.ops.object.mode_set(mode="EDIT")
        bpy.ops.mesh.select_all(action="SELECT")
        operation()
        bpy.ops.object.mode_set(mode="OBJECT")


def join():
    bpy.ops.object.select_all(action="SELECT")
    bpy.context.view_layer.objects.active = meshes()[0]
    bpy.ops.object.join()


def separate(kind):
    return lambda: edit_all(lambda: bpy.ops.mesh.separate(type=kind))


def sort_at_random():
    edit_all(lambda: bpy.ops.mesh.sort_elements(type="RANDOMIZE", elements={"VERT", "FACE"}, seed=5))


def faces(path):
    """The file's faces as vertex cycles (0-based), each read from its lowest vertex, sorted."""
    count, cycles = 0, []
    with open(path, encoding="latin-1") as f:
        for line in f:
            if line.startswith("v "):
                count += 1
            elif line.startswith("f "):
                cycle = [int(c.split("/")[0]) for c in line.split()[1:]]
                cycle = [v - 1 if v > 0 else count + v for v in cycle]
                low = cycle.index(min(cycle))
                cycles.append(tuple(cycle[low:] + cycle[:low]))
    return sorted(cycles)


def positions(path):
    with open(path, encoding="latin-1") as f:
        return [tuple(map(float, line.split()[1:4])) for line in f if line.startswith("v ")]


def run(*arguments):
    done = subprocess.run([PROGRAM, *arguments], capture_output=True, text=True)
    assert done.returncode == 0, "%s: exit %d\n%s%s" % (arguments, done.returncode, done.stdout, done.stderr)
    return done.stdout + done.stderr


def check_round_trip(base, name, change, folder):
    clear_scene()
    bpy.ops.wm.obj_import(filepath=base)
    change()
    copy = os.path.join(folder, "%s_%s.obj" % (os.path.basename(base)[:-4], name))
    bpy.ops.wm.obj_export(filepath=copy)
    new = copy[:-4] + "_new.obj"
    run("convert", base, copy, new, "--by", "topology")
    assert faces(new) == faces(base), "%s: the faces written are not ORIGINAL's" % copy
    print("debian_models_test: %s: ORIGINAL's faces" % os.path.basename(copy))


def sculpt(x, y, z, size):
    a = 0.03 * size
    return (x + a * math.sin(2 * y / size + 0.3), y + a * math.sin(3 * z / size + 1.1),
            z + a * math.sin(2 * x / size + 2.0))


def check_duck(folder):
    clear_scene()
    bpy.ops.wm.collada_import(filepath=os.path.join(MODELS, "Collada", "duck.dae"))
    base = os.path.join(folder, "duck.obj")
    bpy.ops.wm.obj_export(filepath=base)
    corners = {}
    for cycle in faces(base):
        corners[len(cycle)] = corners.get(len(cycle), 0) + 1
    polygons = sum(count for n, count in corners.items() if n > 4)
    assert polygons > 0 and corners.get(4, 0) > 0, "duck: %s" % corners
    size = max(max(p) - min(p) for p in zip(*positions(base)))
    for moved, shuffled in ((True, False), (False, True), (True, True)):
        clear_scene()
        bpy.ops.wm.obj_import(filepath=base)
        for obj in meshes() if moved else ():  # the importer turns the object, not its vertices
            for v in obj.data.vertices:
                v.co = sculpt(*v.co, size)
        if shuffled:
            sort_at_random()
        copy = os.path.join(folder, "duck_triangulated%s%s.obj" % ("_moved" if moved else "", "_sorted" if shuffled else ""))
        bpy.ops.wm.obj_export(filepath=copy, export_triangulated_mesh=True)
        targets = copy[:-4] + "_targets"
        said = run("shapes", base, copy, "--out-dir", targets, "--by", "topology")
        joined = "%d faces of duck.obj were joined again from their triangles, %d of them of more than four corners" % (
            corners[4] + polygons, polygons)
        assert joined in said, "duck: no '%s' in\n%s" % (joined, said)
        expected = [sculpt(*p, size) if moved else p for p in positions(base)]
        got = positions(os.path.join(targets, os.path.basename(copy)))
        assert len(got) == len(expected), "duck: %d vertices written" % len(got)
        worst = max(max(abs(g - e) for g, e in zip(p, q)) for p, q in zip(got, expected))
        assert worst < 1e-4 * size, "duck: a vertex is %g from its own position" % worst
        print("debian_models_test: %s: %s, every vertex in its place" % (os.path.basename(copy), corners))


def main():
    if not os.path.isdir(MODELS):
        raise SystemExit("debian_models_test: no %s: install assimp-testmodels (scripts/install-deps.sh)" % MODELS)
    changes = [("default", lambda: None), ("joined", join), ("by_material", separate("MATERIAL")),
               ("loose_parts", separate("LOOSE")), ("sort_random", sort_at_random)]
    failed = 0
    with tempfile.TemporaryDirectory() as folder:
        checks = [lambda m=m, n=n, c=c: check_round_trip(os.path.join(MODELS, "OBJ", m), n, c, folder)
                  for m in ("spider.obj", "regr01.obj") for n, c in changes] + [lambda: check_duck(folder)]
        for check in checks:
            try:
                check()
            except AssertionError:
                traceback.print_exc()
                failed += 1
    if failed:
        raise SystemExit("debian_models_test: %d failed" % failed)
    print("debian_models_test: all passed")


try:
    main()
except BaseException:
    traceback.print_exc()
    sys.exit(1)
