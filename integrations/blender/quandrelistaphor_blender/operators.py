"""The add-on's operators and its menu."""
import time

import bmesh
import bpy

from .pairing import PairingError, PairingRun, notes_of, world_positions
from .preferences import program_path, time_limit


def tell(operator, kind, text):
    """Reports to the user in Blender's report area (one place, so that a
    script can hear what the user is told)."""
    operator.report(kind, text)


def found_program(operator, context):
    """The program's path, or None after telling the user where to give it."""
    program = program_path(context)
    if not program:
        tell(operator, {"ERROR"}, "The quandrelistaphor program was not found: give its path in the add-on's "
                                   "preferences")
    return program


class PairingSettings:
    """The pairing options of the command line, as operator settings."""
    by: bpy.props.EnumProperty(
        name="Pair by",
        items=(("position", "Position", "Vertices at equal positions (or within the tolerance)"),
               ("topology", "Connectivity", "How the faces hang together, for moved (sculpted) positions")),
        default="position")
    tolerance: bpy.props.FloatProperty(
        name="Tolerance", min=0.0, default=0.0, precision=7,
        description="Pair a vertex with the nearest one within this distance per coordinate; 0: exact positions")
    auto_tolerance: bpy.props.BoolProperty(
        name="Automatic tolerance", default=False,
        description="A tolerance from the base's size: enough for a rotation there and back and six-decimal numbers")
    strict: bpy.props.BoolProperty(
        name="Strict", default=False, description="Fail when a vertex has base vertices at several positions within "
                                                  "the tolerance")
    accept_unsure: bpy.props.BoolProperty(
        name="Accept unsure choices", default=False,
        description="By connectivity: take the nearer choice where alike parts or a mirror image leave another "
                    "nearly as near, instead of failing (check the result)")
    seed: bpy.props.StringProperty(
        name="Seed", default="", description="O1,O2,O3=S1,S2,S3: three vertices of one base face and their "
                                             "counterparts (from 1), for a part nothing else seeds")

    def draw(self, context):
        layout = self.layout
        layout.prop(self, "by")
        layout.prop(self, "auto_tolerance")
        row = layout.row()
        row.enabled = not self.auto_tolerance
        row.prop(self, "tolerance")
        layout.prop(self, "strict")
        if self.by == "topology":
            layout.prop(self, "seed")
            layout.prop(self, "accept_unsure")

    def invoke(self, context, event):
        self._interactive = True  # a script's call runs execute alone and waits for the result
        return context.window_manager.invoke_props_dialog(self)


def selected_meshes(context):
    return [o for o in context.selected_objects if o.type == "MESH"]


def reorder_in_place(mesh, partner):
    """Moves vertex i of mesh to index partner[i] (a permutation) with bmesh:
    UVs, vertex groups, shape keys, attributes and every user of the mesh
    stay with their vertices."""
    bm = bmesh.new()
    try:
        bm.from_mesh(mesh)
        bm.verts.ensure_lookup_table()
        for vertex, index in zip(bm.verts, partner):
            vertex.index = index
        bm.verts.sort()
        bm.to_mesh(mesh)
    finally:
        bm.free()
    mesh.update()


class ProgramRuns:
    """Runs the program on pairs of objects in turn without blocking Blender:
    called from the menu, as a modal operator that polls it, shows progress
    and stops it on Esc; from a script (or a redo), waiting for it.
    Either way a run past the time limit is stopped. The operator says what
    to do with each pairing (pair_done, pair_failed) and at the end
    (finish)."""

    def run_pairs(self, context, pairs, program):
        self._pairs = list(pairs)  # names: an object may go while the program runs
        self._program, self._run, self._limit = program, None, time_limit(context)
        repeat = getattr(self, "is_repeat", lambda: False)()
        if not getattr(self, "_interactive", False) or context.window is None or repeat:
            return self._wait(context)
        manager = context.window_manager
        self._timer = manager.event_timer_add(0.1, window=context.window)
        manager.modal_handler_add(self)
        manager.progress_begin(0, len(self._pairs))
        return {"RUNNING_MODAL"}

    def _wait(self, context):
        while True:
            outcome = self._guarded_step(context)
            if outcome:
                return outcome
            time.sleep(0.05)

    def modal(self, context, event):
        outcome = None
        if event.type == "ESC":
            self._stop(context, "stopped")
            outcome = self.finish(context, stopped=True)
        elif event.type == "TIMER":
            outcome = self._guarded_step(context)
        if not outcome:
            self._show(context)
            return {"PASS_THROUGH"}
        context.window_manager.event_timer_remove(self._timer)
        context.window_manager.progress_end()
        if context.workspace:
            context.workspace.status_text_set(None)
        return outcome

    def _show(self, context):
        context.window_manager.progress_update(self._done())
        if self._run and context.workspace:
            context.workspace.status_text_set("Pairing %s with %s: %d s (Esc stops it)" % (
                self._run.names.other, self._run.names.base, self._run.seconds()))

    def _done(self):
        return len(getattr(self, "_finished", []))

    def _guarded_step(self, context):
        """A step that tells of any fault instead of raising it."""
        try:
            return self._step(context)
        except Exception as error:  # a fault of the add-on must not leave the program running
            self._stop(context, "failed: %s" % error)
            return self.finish(context, stopped=True)

    def _step(self, context):
        """None while the program runs, else the operator's outcome."""
        if self._run is None:
            if not self._pairs:
                return self.finish(context, stopped=False)
            base, other = self._pairs.pop(0)
            objects = bpy.data.objects
            if base not in objects or other not in objects:
                self.pair_failed(context, base, other, "the object is gone")
                return None
            try:
                self._run = PairingRun(self._program, objects[base], objects[other], self)
            except PairingError as error:
                self.pair_failed(context, base, other, str(error))
            return None
        if self._run.seconds() > self._limit:
            self._stop(context, "stopped after %d s, the time limit in the add-on's preferences" % self._limit)
            return self.finish(context, stopped=True)
        run = self._run
        try:
            document = run.poll()
        except PairingError as error:
            self._run = None
            self.pair_failed(context, run.names.base, run.names.other, str(error))
            return None
        if document is None:
            return None
        self._run = None
        objects = bpy.data.objects
        if run.names.base in objects and run.names.other in objects:
            self.pair_done(context, objects[run.names.base], objects[run.names.other], document, run.names)
        else:
            self.pair_failed(context, run.names.base, run.names.other, "the object is gone")
        return None

    def _stop(self, context, why):
        if self._run is not None:
            tell(self, {"ERROR"}, "Pairing %s with %s %s" % (self._run.names.other, self._run.names.base, why))
            self._run.cancel()
            self._run = None
        self._pairs = []


class RestoreVertexOrder(PairingSettings, ProgramRuns, bpy.types.Operator):
    """Put the active mesh's vertices back in the order of the other selected mesh (its base), pairing them as they stand in the world (with each object's transform)"""
    bl_idname = "object.quandrelistaphor_restore_vertex_order"
    bl_label = "Restore Vertex Order"
    bl_options = {"REGISTER", "UNDO"}

    @classmethod
    def poll(cls, context):
        active = context.active_object
        return (context.mode == "OBJECT" and active is not None and active.type == "MESH"
                and len(selected_meshes(context)) == 2 and active in selected_meshes(context))

    def execute(self, context):
        program = found_program(self, context)
        if not program:
            return {"CANCELLED"}
        active = context.active_object
        base = next(o for o in selected_meshes(context) if o != active)
        if active.data.users > 1:
            tell(self, {"WARNING"}, "%s shares its mesh with other objects: they are reordered too" % active.name)
        self._restored = False
        return self.run_pairs(context, [(base.name, active.name)], program)

    def pair_failed(self, context, base, other, text):
        tell(self, {"ERROR"}, "%s: %s" % (other, text))

    def pair_done(self, context, base, active, document, names):
        if document.get("part"):
            tell(self, {"ERROR"}, "%s is a part of %s (%d of its %d vertices): a part can't take the whole base's "
                                   "vertex order; add it to %s as a shape key with Add Shapes From Sculpts instead"
                                   % (active.name, base.name, document["part"]["vertices"], document["part"]["of"],
                                      base.name))
            return
        if not document["one_to_one"]:
            tell(self, {"ERROR"}, "%s: the pairing is not one to one (%d vertices of %s shared, %d without a "
                                   "partner): a reorder needs each vertex of %s once; try pairing by Connectivity"
                                   % (active.name, document["split"], base.name, document["welded"], base.name))
            return
        reorder_in_place(active.data, document["partner"])
        for note in notes_of(document, names):
            tell(self, {"WARNING"}, note)
        tell(self, {"INFO"}, "%s: %d vertices in the order of %s" % (active.name, len(document["partner"]),
                                                                       base.name))
        self._restored = True

    def finish(self, context, stopped):
        return {"FINISHED"} if self._restored else {"CANCELLED"}


class AddShapesFromSculpts(PairingSettings, ProgramRuns, bpy.types.Operator):
    """Add every other selected mesh (a sculpted, reordered copy of the active one) as a shape key of the active mesh"""
    bl_idname = "object.quandrelistaphor_add_shapes_from_sculpts"
    bl_label = "Add Shapes From Sculpts"
    bl_options = {"REGISTER", "UNDO"}

    by: bpy.props.EnumProperty(
        name="Pair by",
        items=(("topology", "Connectivity", "How the faces hang together: sculpted positions moved"),
               ("position", "Position", "Vertices at equal positions (or within the tolerance)")),
        default="topology")

    @classmethod
    def poll(cls, context):
        active = context.active_object
        return (context.mode == "OBJECT" and active is not None and active.type == "MESH"
                and len(selected_meshes(context)) >= 2)

    def execute(self, context):
        program = found_program(self, context)
        if not program:
            return {"CANCELLED"}
        base = context.active_object
        self._base, self._finished = base.name, []
        sculpts = sorted((o for o in selected_meshes(context) if o != base), key=lambda o: o.name)
        return self.run_pairs(context, [(base.name, o.name) for o in sculpts], program)

    def pair_failed(self, context, base, sculpt, text):
        tell(self, {"WARNING"}, "%s: %s" % (sculpt, text))

    def pair_done(self, context, base, sculpt, document, names):
        if not document["one_to_one"] and not (document.get("part") and document["split"] == 0):
            tell(self, {"WARNING"}, "%s: the pairing is not one to one" % sculpt.name)
            return
        add_shape_key(base, sculpt, document["partner"])
        for note in notes_of(document, names):
            tell(self, {"WARNING"}, "%s: %s" % (sculpt.name, note))
        self._finished.append(sculpt.name)

    def finish(self, context, stopped):
        if not self._finished:
            tell(self, {"ERROR"}, "No shape key was added")
            return {"CANCELLED"}
        tell(self, {"INFO"}, "Shape keys added to %s: %s" % (self._base, ", ".join(self._finished)))
        return {"FINISHED"}


def sculpted_positions(sculpt):
    """Where the sculpt put its vertices: its active shape key when that is
    not its basis (a part sculpted into a key keeps its basis where the base
    has it, for pairing by position), else its vertices."""
    keys = sculpt.data.shape_keys
    count = len(sculpt.data.vertices)
    moved = [0.0] * (3 * count)
    active = sculpt.active_shape_key
    if keys is not None and active is not None and active != keys.reference_key:
        active.data.foreach_get("co", moved)
    else:
        sculpt.data.vertices.foreach_get("co", moved)
    return moved


def add_shape_key(base, sculpt, partner):
    """A shape key of base named after sculpt, each base vertex where sculpt
    put its partner, in the world as the sculpt stands there (the pairing's
    space), given in base's own coordinates; a vertex outside a sculpted
    part keeps the basis position."""
    if base.data.shape_keys is None:
        base.shape_key_add(name="Basis", from_mix=False)
    moved = world_positions(sculpt.data, base.matrix_world.inverted() @ sculpt.matrix_world,
                            sculpted_positions(sculpt))
    positions = [0.0] * (3 * len(base.data.vertices))
    base.data.shape_keys.reference_key.data.foreach_get("co", positions)
    for i, k in enumerate(partner):
        positions[3 * k:3 * k + 3] = moved[3 * i:3 * i + 3]
    key = base.shape_key_add(name=sculpt.name, from_mix=False)
    key.data.foreach_set("co", positions)


class ObjectMenu(bpy.types.Menu):
    bl_idname = "VIEW3D_MT_quandrelistaphor"
    bl_label = "Quandrelistaphor"

    def draw(self, context):
        self.layout.operator(RestoreVertexOrder.bl_idname)
        self.layout.operator(AddShapesFromSculpts.bl_idname)
