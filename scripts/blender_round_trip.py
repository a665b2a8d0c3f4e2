# Runs inside Blender (blender -b --factory-startup --python THIS -- MODE ...).
#
#   make FOLDER              writes the base meshes FOLDER/<name>.obj with the
#                            OBJ exporter's default settings
#   round_trip IN OUT        imports IN and exports it again to OUT, defaults
#                            both ways, as an artist's plain import and export
#   separate IN OUT          the same, with every object separated by material
#                            first (which splits vertices at material borders)
#   textured FOLDER          writes FOLDER/textured.obj: several smooth objects
#                            and a material with image, normal, roughness and
#                            emission maps (the exporter's map_Bump -bm line)
#   counts IN                imports IN and prints what came back: objects,
#                            smooth faces, texture slots, vertices, UV layers
import os
import sys

import bpy


def clear_scene():
    bpy.ops.object.select_all(action="SELECT")
    bpy.ops.object.delete()
    for mesh in list(bpy.data.meshes):
        bpy.data.meshes.remove(mesh)


def export(path):
    bpy.ops.wm.obj_export(filepath=path)


def material(name, colour):
    m = bpy.data.materials.new(name)
    m.diffuse_color = colour
    return m


def two_materials(obj, first, second):
    """The faces on one side of the object's middle get the second material."""
    obj.data.materials.append(first)
    obj.data.materials.append(second)
    for polygon in obj.data.polygons:
        polygon.material_index = 1 if polygon.center.z > 0 else 0


def apply_all(obj):
    bpy.context.view_layer.objects.active = obj
    for modifier in list(obj.modifiers):
        bpy.ops.object.modifier_apply(modifier=modifier.name)


def make(folder):
    skin, cloth = material("skin", (0.8, 0.6, 0.5, 1)), material("cloth", (0.2, 0.3, 0.7, 1))

    clear_scene()
    bpy.ops.mesh.primitive_monkey_add(size=2)
    head = bpy.context.object
    head.modifiers.new("smooth", "SUBSURF").levels = 2
    apply_all(head)
    two_materials(head, skin, cloth)
    export(os.path.join(folder, "monkey_small.obj"))

    head.scale = (12, 12, 12)
    bpy.ops.object.transform_apply(scale=True)
    export(os.path.join(folder, "monkey_large.obj"))

    clear_scene()
    bpy.ops.mesh.primitive_uv_sphere_add(segments=96, ring_count=48, radius=40)
    two_materials(bpy.context.object, skin, cloth)
    export(os.path.join(folder, "sphere_large.obj"))

    # A character of several objects: a head, a body and two arms.
    clear_scene()
    bpy.ops.mesh.primitive_monkey_add(size=4, location=(0, 0, 17))
    apply_all(bpy.context.object)
    two_materials(bpy.context.object, skin, cloth)
    bpy.ops.mesh.primitive_cylinder_add(vertices=48, radius=4, depth=12, location=(0, 0, 8))
    body = bpy.context.object
    body.modifiers.new("smooth", "SUBSURF").levels = 1
    apply_all(body)
    two_materials(body, cloth, skin)
    for side in (-1, 1):
        bpy.ops.mesh.primitive_uv_sphere_add(segments=32, ring_count=16, radius=1.5, location=(side * 6, 0, 10))
        arm = bpy.context.object
        arm.scale = (1, 1, 3)
        bpy.ops.object.transform_apply(scale=True)
        two_materials(arm, skin, cloth)
    export(os.path.join(folder, "character.obj"))


def image(folder, name):
    picture = bpy.data.images.new(name, 4, 4)
    picture.filepath_raw = os.path.join(folder, name + " map.png")
    picture.file_format = "PNG"
    picture.save()
    return picture


def textured_material(folder):
    m = bpy.data.materials.new("painted")
    m.use_nodes = True
    nodes, links = m.node_tree.nodes, m.node_tree.links
    shader = nodes["Principled BSDF"]
    for socket, name in (("Base Color", "colour"), ("Roughness", "rough"), ("Metallic", "metal")):
        node = nodes.new("ShaderNodeTexImage")
        node.image = image(folder, name)
        links.new(node.outputs["Color"], shader.inputs[socket])
    normal = nodes.new("ShaderNodeNormalMap")
    normal.inputs["Strength"].default_value = 0.5
    node = nodes.new("ShaderNodeTexImage")
    node.image = image(folder, "normal")
    links.new(node.outputs["Color"], normal.inputs["Color"])
    links.new(normal.outputs["Normal"], shader.inputs["Normal"])
    shader.inputs["IOR"].default_value = 1.33
    shader.inputs["Emission"].default_value = (0.2, 0.1, 0.0, 1)
    return m


def textured(folder):
    clear_scene()
    painted = textured_material(folder)
    plain = material("plain", (0.2, 0.3, 0.7, 1))
    bpy.ops.mesh.primitive_monkey_add(size=4, location=(0, 0, 17))
    bpy.ops.object.shade_smooth()
    bpy.context.object.data.materials.append(painted)
    bpy.ops.mesh.primitive_cylinder_add(vertices=48, radius=4, depth=12, location=(0, 0, 8))
    two_materials(bpy.context.object, plain, painted)
    bpy.ops.mesh.primitive_uv_sphere_add(segments=32, ring_count=16, radius=1.5, location=(6, 0, 10))
    bpy.ops.object.shade_smooth()
    bpy.context.object.data.materials.append(plain)
    export(os.path.join(folder, "textured.obj"))


def counts(source):
    clear_scene()
    bpy.ops.wm.obj_import(filepath=source)
    meshes = [o for o in bpy.context.scene.objects if o.type == "MESH"]
    smooth = sum(sum(1 for p in o.data.polygons if p.use_smooth) for o in meshes)
    slots = sum(sum(1 for n in m.node_tree.nodes if n.type == "TEX_IMAGE")
                for m in bpy.data.materials if m.node_tree)
    vertices = sum(len(o.data.vertices) for o in meshes)
    layers = sum(len(o.data.uv_layers) for o in meshes)
    print("counts: objects %d, smooth faces %d, texture slots %d, vertices %d, UV layers %d"
          % (len(meshes), smooth, slots, vertices, layers))


def round_trip(source, target, separate):
    clear_scene()
    bpy.ops.wm.obj_import(filepath=source)
    if separate:
        for obj in list(bpy.context.scene.objects):
            if obj.type != "MESH":
                continue
            bpy.ops.object.select_all(action="DESELECT")
            obj.select_set(True)
            bpy.context.view_layer.objects.active = obj
            bpy.ops.object.mode_set(mode="EDIT")
            bpy.ops.mesh.separate(type="MATERIAL")
            bpy.ops.object.mode_set(mode="OBJECT")
    bpy.ops.object.select_all(action="DESELECT")
    export(target)


def main():
    args = sys.argv[sys.argv.index("--") + 1:]
    if args[0] == "make":
        make(args[1])
    elif args[0] == "textured":
        textured(args[1])
    elif args[0] == "counts":
        counts(args[1])
    else:
        round_trip(args[1], args[2], args[0] == "separate")


main()
