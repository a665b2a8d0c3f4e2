#pragma once
// Where a file chooser starts: the folder it opens and the name it proposes.
#include <cstdint>

#include "app/workspace_slots.h"

// What the main window shows, as a chooser needs to know it.
struct ChooserView {
    const char* box;         // the chooser's own box, quotes and spaces removed
    int32_t box_exists;      // 1 when that box names a file that exists
    const char* matching;    // the Matching File box, likewise
    int32_t matching_exists;
};

// An open chooser starts on its box's file when that exists or the user put
// the path there; a box that is empty or still shows the Workspace's path
// of a file that isn't there starts in the folder of the last file chosen.
// The save chooser starts on its box's path once the user named the New
// file; until then it proposes MATCHING's name with "_morph" in MATCHING's
// folder, or "Untitled". Parts the box lacks come from the Workspace.
// directory and file_name take kPathCapacity bytes each.
void ChooserStart(const Workspace& workspace, Slot slot, const ChooserView& view, char* directory, char* file_name);

// "big_blender.obj" -> "big_blender_morph.obj"; cut to kPathCapacity - 1.
void MorphFileName(const char* matching_name, char* file_name);
