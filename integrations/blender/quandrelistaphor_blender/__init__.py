"""Blender add-on for the quandrelistaphor program: puts a reordered mesh's
vertices back in its base mesh's order in place, and adds sculpted, reordered
copies of a base as its shape keys, pairing the objects as they stand in the
world (each one's matrix_world applied). The pairing itself is the program's
(`quandrelistaphor pair`, which prints JSON); the add-on writes the meshes it
pairs and applies the answer."""

bl_info = {
    "name": "Quandrelistaphor: vertex order",
    "author": "Quandrelistaphor",
    "version": (1, 0, 0),
    "blender": (3, 4, 0),
    "location": "3D Viewport > Object > Quandrelistaphor",
    "description": "Restore a reordered mesh's vertex order in place; add sculpted copies as shape keys. "
                   "Meshes pair in world space: each object's transform (an imported copy's axis turn) counts",
    "category": "Mesh",
}

import bpy

from . import operators, preferences

_classes = (preferences.Preferences, operators.RestoreVertexOrder, operators.AddShapesFromSculpts,
            operators.ObjectMenu)


def _menu(self, context):
    self.layout.menu(operators.ObjectMenu.bl_idname)


def register():
    for cls in _classes:
        bpy.utils.register_class(cls)
    bpy.types.VIEW3D_MT_object.append(_menu)


def unregister():
    bpy.types.VIEW3D_MT_object.remove(_menu)
    for cls in reversed(_classes):
        bpy.utils.unregister_class(cls)
