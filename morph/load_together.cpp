#include "morph/load_together.h"

#include "platform/load_help.h"
#include "platform/parallel.h"
#include "wavefront/library_folder.h"
#include "platform/current_directory.h"

void LoadTogether(const std::function<int32_t()>& load_original, Model& matching, const char* matching_path,
                  int32_t loaded[2], HelpedLoad load) {
    loaded[0] = loaded[1] = 0;
    // The original is read first, and then its thread takes the second
    // half of the matching file's values pass and makes that model's fresh
    // pages present ahead of it.
    LoadHelp help;
    RunInParallel(2, 2, [&](int32_t k) {
        if (k == 1) {
            loaded[1] = (matching.*load)(matching_path, false, &help);
            return;
        }
        loaded[0] = load_original();
        help.Serve();
    });
}

int32_t SettleMatchingLoad(Model& matching, const char* matching_path, int32_t loaded, bool moved,
                           bool change_directory, HelpedLoad load) {
    if (moved && !IsFullPath(matching_path)) return (matching.*load)(matching_path, true, nullptr);
    if (loaded && change_directory) EnterLibraryFolder(matching);
    return loaded;
}
