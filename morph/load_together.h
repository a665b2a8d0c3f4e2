#pragma once
// The original and the matching file read at once, on two threads, ending
// as reading one after the other would.
//
// Each load leaves the current directory alone while both run. Afterwards
// the caller enters the original's library folder as its load would have
// (EnterLibraryFolder), and SettleMatchingLoad finishes the matching one: a
// relative matching path whose meaning that folder changed is read again
// from there, and the matching file's own folder is entered last.
#include <cstdint>
#include <functional>

#include "model/model.h"

// How the matching file is loaded: Model::LoadObj, or LoadObjVertexLists
// for a model that is only counted.
using HelpedLoad = int32_t (Model::*)(const char* path, bool change_directory, LoadHelp* help);

// Runs load_original() on one thread and the matching load on another; the
// original's thread then helps the matching load (platform/load_help.h).
// loaded[0] and loaded[1] get the two loads' results.
void LoadTogether(const std::function<int32_t()>& load_original, Model& matching, const char* matching_path,
                  int32_t loaded[2], HelpedLoad load = &Model::LoadObj);

// The matching load as one after the original's would have left it, given
// its result from LoadTogether and whether the original's folder was
// entered (`moved`); without change_directory no folder is entered and
// nothing is read again. Returns the load's result.
int32_t SettleMatchingLoad(Model& matching, const char* matching_path, int32_t loaded, bool moved,
                           bool change_directory, HelpedLoad load = &Model::LoadObj);
