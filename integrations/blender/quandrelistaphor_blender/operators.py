"""The add-on's operators and its menu."""
import bmesh
import bpy

from .pairing import PairingError, notes_of, pair_meshes
from .preferences import program_path


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


class RestoreVertexOrder(PairingSettings, bpy.types.Operator):
    """Put the active mesh's vertices back in the order of the other selected mesh (its base)"""
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
        try:
            document = pair_meshes(program, base.data, active.data, self, base.name, active.name)
        except PairingError as error:
            tell(self, {"ERROR"}, str(error))
            return {"CANCELLED"}
        if document.get("part"):
            tell(self, {"ERROR"}, "%s is a part of %s (%d of its %d vertices): a part can't take the whole base's "
                                   "vertex order; add it to %s as a shape key with Add Shapes From Sculpts instead"
                                   % (active.name, base.name, document["part"]["vertices"], document["part"]["of"],
                                      base.name))
            return {"CANCELLED"}
        if not document["one_to_one"]:
            tell(self, {"ERROR"}, "The pairing is not one to one (%d base vertices shared, %d without a partner): "
                                   "a reorder needs each vertex of the base once; try pairing by connectivity"
                                   % (document["split"], document["welded"]))
            return {"CANCELLED"}
        reorder_in_place(active.data, document["partner"])
        for note in notes_of(document):
            tell(self, {"WARNING"}, note)
        tell(self, {"INFO"}, "%s: %d vertices in the order of %s" % (active.name, len(document["partner"]),
                                                                       base.name))
        return {"FINISHED"}


class AddShapesFromSculpts(PairingSettings, bpy.types.Operator):
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
        added = []
        for sculpt in sorted((o for o in selected_meshes(context) if o != base), key=lambda o: o.name):
            try:
                document = pair_meshes(program, base.data, sculpt.data, self, base.name, sculpt.name)
            except PairingError as error:
                tell(self, {"WARNING"}, "%s: %s" % (sculpt.name, error))
                continue
            if not document["one_to_one"] and not (document.get("part") and document["split"] == 0):
                tell(self, {"WARNING"}, "%s: the pairing is not one to one" % sculpt.name)
                continue
            add_shape_key(base, sculpt, document["partner"])
            for note in notes_of(document):
                tell(self, {"WARNING"}, "%s: %s" % (sculpt.name, note))
            added.append(sculpt.name)
        if not added:
            tell(self, {"ERROR"}, "No shape key was added")
            return {"CANCELLED"}
        tell(self, {"INFO"}, "Shape keys added to %s: %s" % (base.name, ", ".join(added)))
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
    put its partner; a vertex outside a sculpted part keeps the basis
    position."""
    if base.data.shape_keys is None:
        base.shape_key_add(name="Basis", from_mix=False)
    moved = sculpted_positions(sculpt)
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
