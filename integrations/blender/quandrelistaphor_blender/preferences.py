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

    time_limit: bpy.props.IntProperty(
        name="Time limit (seconds)", min=1, default=600,
        description="Stop a pairing that runs longer than this (Esc stops it at any time)")

    def draw(self, context):
        self.layout.prop(self, "program")
        self.layout.prop(self, "time_limit")
        found = program_path(context)
        self.layout.label(text="Uses: " + found if found else "Not found: install it or give its path")


def program_path(context):
    """The program to run, or None when there is none."""
    addon = context.preferences.addons.get(__package__)
    given = bpy.path.abspath(addon.preferences.program) if addon and addon.preferences.program else ""
    if given:
        return given if os.path.isfile(given) and os.access(given, os.X_OK) else None
    return shutil.which("quandrelistaphor")


def time_limit(context):
    """How long a pairing may run before it is stopped, in seconds."""
    addon = context.preferences.addons.get(__package__)
    return addon.preferences.time_limit if addon else 600
