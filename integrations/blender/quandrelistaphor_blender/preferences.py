"""The add-on's preferences: where the program is."""
import os
import shutil

import bpy


class Preferences(bpy.types.AddonPreferences):
    bl_idname = __package__

    program: bpy.props.StringProperty(
        name="Program",
        description="The quandrelistaphor program; empty: the one found on PATH",
        subtype="FILE_PATH",
        default="",
    )

    def draw(self, context):
        self.layout.prop(self, "program")
        found = program_path(context)
        self.layout.label(text="Uses: " + found if found else "Not found: install it or give its path")


def program_path(context):
    """The program to run, or None when there is none."""
    addon = context.preferences.addons.get(__package__)
    given = bpy.path.abspath(addon.preferences.program) if addon and addon.preferences.program else ""
    if given:
        return given if os.path.isfile(given) and os.access(given, os.X_OK) else None
    return shutil.which("quandrelistaphor")
