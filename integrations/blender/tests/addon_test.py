"""The add-on in Blender, headless:
  blender -b --factory-startup --python addon_test.py -- PROGRAM ADDON_FOLDER
A base mesh and a reordered, sculpted copy of it carrying two UV maps, a
vertex group, a shape key, an attribute and a modifier: Restore Vertex Order
puts the copy back in the base's order with all of them; Add Shapes From
Sculpts adds the copy as a shape key of the base; a failed pairing reports
the program's diagnosis; alike parts moved apart are refused as unsure, with
the next step, unless unsure choices are accepted, whose note is reported; a
part cut out with Separate > Selection and sculpted into a shape key becomes a
shape key of the whole base, and refuses to be reordered.
A copy brought back through Blender's own OBJ export and import (the axis
turn in the object's rotation) is restored with the default settings; a
program that hangs is stopped at the time limit, and a run can be stopped.
Exits 1 on the first failure."""
import os
import random
import stat
import sys
import tempfile
import time
import traceback
import types

import addon_utils
import bmesh
import bpy
import mathutils

PROGRAM, ADDON_FOLDER = sys.argv[sys.argv.index("--") + 1:][:2]
sys.dont_write_bytecode = True  # nothing written into the source folder
sys.path.insert(0, ADDON_FOLDER)
MODULE = "quandrelistaphor_blender"
operators = __import__(MODULE + ".operators").operators


def weight(k):
    return (k % 17) / 16.0


def uv(k, layer):
    return ((k * 0.37 + layer) % 1.0, (k * 0.11) % 1.0)


def offset(k):
    return ((k % 5) * 0.01, 0.0, (k % 3) * 0.02)


def make_base():
    bpy.ops.mesh.primitive_uv_sphere_add(segments=24, ring_count=12, radius=1.0)
    base = bpy.context.active_object
    base.name = "Base"
    rng = random.Random(3)
    for v in base.data.vertices:  # no symmetry left to pair two ways
        v.co *= 1.0 + 0.05 * rng.random()
    return base


def make_copy(base, sculpted=True):
    """A copy reordered at random, sculpted on top, carrying per-vertex data that
    names each vertex's base index."""
    copy = base.copy()
    copy.data = base.data.copy()
    copy.name = "Reordered"
    bpy.context.collection.objects.link(copy)
    mesh = copy.data
    n = len(mesh.vertices)
    attribute = mesh.attributes.new("base_index", "INT", "POINT")
    attribute.data.foreach_set("value", list(range(n)))
    group = copy.vertex_groups.new(name="Weights")
    for k in range(n):
        group.add([k], weight(k), "REPLACE")
    for layer in range(2):
        uvs = mesh.uv_layers.new(name="UV%d" % layer)
        for loop in mesh.loops:
            uvs.data[loop.index].uv = uv(loop.vertex_index, layer)
    copy.modifiers.new("Smooth", "SUBSURF")
    order = list(range(n))
    random.Random(5).shuffle(order)
    bm = bmesh.new()
    bm.from_mesh(mesh)
    for vertex, index in zip(bm.verts, order):
        vertex.index = index
    bm.verts.sort()
    bm.to_mesh(mesh)
    bm.free()
    for v in mesh.vertices:  # the sculpt: the upper half pulled out
        if v.co.z > 0.3 and sculpted:
            v.co *= 1.15
    copy.shape_key_add(name="Basis", from_mix=False)
    smile = copy.shape_key_add(name="Smile", from_mix=False)
    base_index = [a.value for a in mesh.attributes["base_index"].data]
    for v in mesh.vertices:
        k = base_index[v.index]
        smile.data[v.index].co = v.co + mathutils.Vector(offset(k))
    return copy


def select(active, *others):
    bpy.ops.object.select_all(action="DESELECT")
    for o in (active,) + others:
        o.select_set(True)
    bpy.context.view_layer.objects.active = active


def check(condition, what):
    if not condition:
        raise AssertionError(what)


def test_restore_keeps_everything(base, copy, by="topology", scale=1.15):
    select(copy, base)
    result = bpy.ops.object.quandrelistaphor_restore_vertex_order(by=by)
    check(result == {"FINISHED"}, "restore: %s" % result)
    mesh = copy.data
    n = len(mesh.vertices)
    check([a.value for a in mesh.attributes["base_index"].data] == list(range(n)), "vertex order")
    for v in mesh.vertices:
        unsculpted = base.data.vertices[v.index].co
        check((v.co - unsculpted * (scale if unsculpted.z > 0.3 else 1.0)).length < 1e-5, "position of %d" % v.index)
        check(abs(copy.vertex_groups["Weights"].weight(v.index) - weight(v.index)) < 1e-6, "weight %d" % v.index)
    for layer in range(2):
        data = mesh.uv_layers["UV%d" % layer].data
        for loop in mesh.loops:
            want = uv(loop.vertex_index, layer)
            check(abs(data[loop.index].uv[0] - want[0]) < 1e-6 and abs(data[loop.index].uv[1] - want[1]) < 1e-6,
                  "uv %d of layer %d" % (loop.index, layer))
    keys = mesh.shape_keys.key_blocks
    check([k.name for k in keys] == ["Basis", "Smile"], "shape keys")
    for k in range(n):
        moved = keys["Smile"].data[k].co - keys["Basis"].data[k].co
        check(all(abs(moved[a] - offset(k)[a]) < 1e-5 for a in range(3)), "shape key at %d" % k)
    check([list(p.vertices) for p in mesh.polygons] == [list(p.vertices) for p in base.data.polygons], "faces")
    check([m.type for m in copy.modifiers] == ["SUBSURF"], "modifier")


def test_add_shapes(base, copy):
    select(base, copy)
    result = bpy.ops.object.quandrelistaphor_add_shapes_from_sculpts(by="topology")
    check(result == {"FINISHED"}, "add shapes: %s" % result)
    keys = base.data.shape_keys.key_blocks
    check([k.name for k in keys] == ["Basis", copy.name], "added keys")
    base_index = [a.value for a in copy.data.attributes["base_index"].data]
    check(base_index != sorted(base_index), "the sculpt is reordered")
    for v in copy.data.vertices:
        check((keys[copy.name].data[base_index[v.index]].co - v.co).length < 1e-6, "added shape at %d" % v.index)


def test_failure_shows_the_diagnosis(base, copy):
    select(copy, base)
    reports = []
    try:
        bpy.ops.object.quandrelistaphor_restore_vertex_order(by="position")
    except RuntimeError as error:  # a cancelled operator's error report
        reports.append(str(error))
    check(reports and "Unable to match all vertices" in reports[0] and "matched" in reports[0], reports)
    check("Next: pair by Connectivity" in reports[0] and "of Reordered" in reports[0], reports)
    check("There was an error" not in reports[0] and ".obj" not in reports[0], reports)


def make_parts(name, centres):
    """Alike parts (one jittered icosphere, no symmetry of its own) at the centres."""
    bm = bmesh.new()
    for x, y in centres:
        made = bmesh.ops.create_icosphere(bm, subdivisions=1, radius=0.5)
        rng = random.Random(11)
        for v in made["verts"]:
            v.co = v.co * (1.0 + 0.2 * rng.random()) + mathutils.Vector((x, y, 0.0))
    mesh = bpy.data.meshes.new(name)
    bm.to_mesh(mesh)
    bm.free()
    parts = bpy.data.objects.new(name, mesh)
    bpy.context.collection.objects.link(parts)
    return parts


def test_unsure_parts_refused_unless_accepted():
    grid = [(3.0 * (k % 3), 3.0 * (k // 3)) for k in range(6)]
    rng = random.Random(1)
    base = make_parts("Parts", grid)
    sculpt = make_parts("Moved", [(x + rng.uniform(-1.4, 1.4), y + rng.uniform(-1.4, 1.4)) for x, y in grid])
    told = []
    operators.tell = lambda operator, kind, text: told.append(text)
    select(base, sculpt)
    result = bpy.ops.object.quandrelistaphor_add_shapes_from_sculpts(by="topology")
    check(result == {"CANCELLED"} and base.data.shape_keys is None, "unsure parts: %s" % result)
    check(any("for certain" in t and "nearly as near" in t and "Next: give a Seed" in t for t in told), told)
    told.clear()
    result = bpy.ops.object.quandrelistaphor_add_shapes_from_sculpts(by="topology", accept_unsure=True)
    check(result == {"FINISHED"} and len(base.data.shape_keys.key_blocks) == 2, "accepted: %s" % result)
    check(any(t.startswith("Moved: Note: 6 parts of Moved are alike") for t in told), told)


def reordered_file(path):
    """Shuffles an OBJ file's vertices (the faces renumbered): a copy as
    another program hands it back."""
    with open(path) as f:
        lines = f.read().splitlines()
    positions = [line for line in lines if line.startswith("v ")]
    order = list(range(len(positions)))
    random.Random(7).shuffle(order)  # old vertex k becomes order[k]
    moved = [None] * len(order)
    for k, line in enumerate(positions):
        moved[order[k]] = line
    faces = ["f " + " ".join(str(order[int(c.split("/")[0]) - 1] + 1) for c in line.split()[1:])
             for line in lines if line.startswith("f ")]
    with open(path, "w") as f:
        f.write("\n".join(moved + faces) + "\n")


def test_blender_round_trip_with_defaults(folder):
    """Exported and imported with Blender's own OBJ operators (default axes:
    the import carries a quarter turn in its rotation), reordered between."""
    bpy.ops.mesh.primitive_uv_sphere_add(segments=16, ring_count=8, radius=4.0, location=(1.0, 2.0, 0.5))
    base = bpy.context.active_object
    base.name = "Head"
    rng = random.Random(9)
    for v in base.data.vertices:  # on a grid of 1/64: the exporter's six decimals keep every position
        v.co = [round(c * (1.0 + 0.05 * rng.random()) * 64.0) / 64.0 for c in v.co]
    path = os.path.join(folder, "head.obj")
    select(base)
    bpy.ops.wm.obj_export(filepath=path, export_selected_objects=True, export_materials=False, export_uv=False,
                          export_normals=False, apply_modifiers=False)
    reordered_file(path)
    bpy.ops.wm.obj_import(filepath=path)
    copy = bpy.context.selected_objects[0]
    check(abs(copy.rotation_euler[0] - 1.5707963) < 1e-5, "the importer's turn: %s" % copy.rotation_euler)
    select(copy, base)
    check(bpy.ops.object.quandrelistaphor_restore_vertex_order() == {"FINISHED"}, "restored with the defaults")
    world = [copy.matrix_world @ v.co for v in copy.data.vertices]
    check(all((w - base.matrix_world @ v.co).length < 1e-5 for w, v in zip(world, base.data.vertices)), "order")
    check([list(p.vertices) for p in copy.data.polygons] == [list(p.vertices) for p in base.data.polygons], "faces")
    select(base, copy)  # as a shape key: the copy's world positions in the base's own coordinates
    check(bpy.ops.object.quandrelistaphor_add_shapes_from_sculpts(by="position") == {"FINISHED"}, "shape")
    key = base.data.shape_keys.key_blocks[copy.name]
    check(all((k.co - v.co).length < 1e-5 for k, v in zip(key.data, base.data.vertices)), "shape in place")


def hanging_program(folder):
    """A stand-in for the program that writes its process id and hangs."""
    path = os.path.join(folder, "hangs.sh")
    with open(path, "w") as f:
        f.write("#!/bin/sh\necho $$ > '%s'\nexec sleep 1000\n" % os.path.join(folder, "pid"))
    os.chmod(path, stat.S_IRWXU)
    return path


def gone(folder):
    """Whether the stand-in that wrote its id into folder has ended."""
    with open(os.path.join(folder, "pid")) as f:
        pid = int(f.read())
    try:
        os.kill(pid, 0)
    except ProcessLookupError:
        return True
    return False


def test_hanging_program_stopped(folder, base, copy):
    preferences = bpy.context.preferences.addons[MODULE].preferences
    preferences.program, preferences.time_limit = hanging_program(folder), 1
    told = []
    operators.tell = lambda operator, kind, text: told.append(text)
    select(copy, base)
    result = bpy.ops.object.quandrelistaphor_restore_vertex_order(by="position")
    check(result == {"CANCELLED"} and gone(folder), "stopped: %s" % result)
    check(told == ["Pairing %s with %s stopped after 1 s, the time limit in the add-on's preferences"
                   % (copy.name, base.name)], told)
    os.remove(os.path.join(folder, "pid"))
    settings = types.SimpleNamespace(by="position", auto_tolerance=False, tolerance=0.0, strict=False,
                                     accept_unsure=False, seed="")
    run = __import__(MODULE + ".pairing").pairing.PairingRun(preferences.program, base, copy, settings)
    while not os.path.exists(os.path.join(folder, "pid")) or not os.path.getsize(os.path.join(folder, "pid")):
        time.sleep(0.01)  # until the stand-in has started
    check(run.poll() is None, "the stand-in hangs")
    run.cancel()  # what Esc does
    check(gone(folder) and not os.path.exists(run.folder), "cancelled")
    preferences.program, preferences.time_limit = PROGRAM, 600


def make_part(base):
    """The base's upper cap, cut out as a user does (a duplicate of the base,
    the cap selected in Edit Mode, Mesh > Separate > Selection), then sculpted
    into a shape key: its basis stays where the base has it."""
    select(base)
    bpy.ops.object.duplicate()
    whole = bpy.context.active_object
    bpy.ops.object.mode_set(mode="EDIT")
    bpy.ops.mesh.select_mode(type="VERT")
    bpy.ops.mesh.select_all(action="DESELECT")
    bpy.ops.object.mode_set(mode="OBJECT")
    for v in whole.data.vertices:
        v.select = v.co.z > 0.3
    bpy.ops.object.mode_set(mode="EDIT")
    bpy.ops.mesh.select_mode(type="VERT")  # the faces among the vertices selected with them
    bpy.ops.mesh.separate(type="SELECTED")
    bpy.ops.object.mode_set(mode="OBJECT")
    part = next(o for o in bpy.context.selected_objects if o != whole)
    bpy.data.objects.remove(whole)
    part.name = "Head"
    part.shape_key_add(name="Basis", from_mix=False)
    key = part.shape_key_add(name="Sculpted", from_mix=False)
    part.active_shape_key_index = 1
    for v in part.data.vertices:
        key.data[v.index].co = v.co * 1.2 + mathutils.Vector(offset(v.index))
    return part


def test_part_becomes_a_shape_key():
    base = make_base()
    base.name = "Figure"
    part = make_part(base)
    check(0 < len(part.data.vertices) < len(base.data.vertices), "a part")
    select(part, base)
    told = []
    operators.tell = lambda operator, kind, text: told.append(text)
    try:
        bpy.ops.object.quandrelistaphor_restore_vertex_order(by="position")
    except RuntimeError:
        pass
    check(any("a part can't take the whole base's vertex order" in t for t in told), told)
    told.clear()
    select(base, part)
    result = bpy.ops.object.quandrelistaphor_add_shapes_from_sculpts(by="position")
    check(result == {"FINISHED"}, "part added: %s %s" % (result, told))
    check(any(t.startswith("Head: part: %d of %d original vertices" % (len(part.data.vertices),
                                                                       len(base.data.vertices))) for t in told), told)
    added = base.data.shape_keys.key_blocks["Head"].data
    sculpted = part.data.shape_keys.key_blocks["Sculpted"].data
    inside = {}
    for v in part.data.vertices:  # each part vertex found where the base has it
        k = min(range(len(base.data.vertices)), key=lambda k: (base.data.vertices[k].co - v.co).length)
        inside[k] = v.index
    for k, v in enumerate(base.data.vertices):
        want = sculpted[inside[k]].co if k in inside else v.co
        check((added[k].co - want).length < 1e-6, "base vertex %d of the part's key" % k)


def main():
    addon_utils.enable(MODULE, default_set=True, handle_error=lambda e: traceback.print_exc())
    bpy.context.preferences.addons[MODULE].preferences.program = PROGRAM
    bpy.ops.object.select_all(action="SELECT")
    bpy.ops.object.delete()
    base = make_base()
    copy = make_copy(base)
    test_failure_shows_the_diagnosis(base, copy)  # sculpted: positions don't pair
    test_restore_keeps_everything(base, copy)
    test_restore_keeps_everything(base, make_copy(base, sculpted=False), by="position", scale=1.0)
    sculpt = make_copy(base)
    sculpt.name = "Sculpt"
    test_add_shapes(base, sculpt)
    test_unsure_parts_refused_unless_accepted()
    test_part_becomes_a_shape_key()
    with tempfile.TemporaryDirectory() as folder:
        test_hanging_program_stopped(folder, base, copy)
    with tempfile.TemporaryDirectory() as folder:
        test_blender_round_trip_with_defaults(folder)
    print("addon_test: all passed")


try:
    main()
except Exception:
    traceback.print_exc()
    sys.exit(1)
sys.exit(0)
