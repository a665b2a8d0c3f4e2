#include "app/chooser_start.h"

#include <cstring>

#include "app/typed_path.h"
#include "platform/text.h"

void MorphFileName(const char* matching_name, char* file_name) {
    const char* dot = std::strrchr(matching_name, '.');
    size_t stem = dot && dot != matching_name ? size_t(dot - matching_name) : std::strlen(matching_name);
    CopyText(file_name, kPathCapacity, matching_name, stem);
    AppendText(file_name, kPathCapacity, "_morph.obj");
}

void ChooserStart(const Workspace& workspace, Slot slot, const ChooserView& view, char* directory,
                  char* file_name) {
    char shown[kPathCapacity];
    BuildFieldText(SlotDirectory(workspace, slot), SlotFileName(workspace, slot), shown);
    const bool typed = std::strcmp(view.box, shown) != 0;
    const bool own = view.box[0] && (slot == Slot::kNew ? typed || workspace.new_named : typed || view.box_exists);
    SplitTypedPath(own ? view.box : "", directory, file_name);
    if (!own && slot == Slot::kNew && view.matching_exists) {
        char name[kPathCapacity];
        SplitTypedPath(view.matching, directory, name);
        MorphFileName(name, file_name);
    } else if (!own) {
        CopyText(directory, kPathCapacity, workspace.chosen_directory);
        if (slot == Slot::kNew) CopyText(file_name, kPathCapacity, "Untitled");
    }
    if (!directory[0]) CopyText(directory, kPathCapacity, SlotDirectory(workspace, slot));
    if (!file_name[0] && (own || !workspace.chosen_directory[0]))
        CopyText(file_name, kPathCapacity, SlotFileName(workspace, slot));
}
