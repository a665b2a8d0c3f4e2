#include "morph/convert.h"

#include <cstdio>

#include "platform/block.h"
#include "model/model.h"
#include "model/records.h"

int32_t ConvertFiles(const char* original_path, const char* matching_path, const char* new_path,
                     OperationHost* host, char* message, const ConvertOptions*) {
    if (!original_path || !matching_path || !new_path || !host || !message) return 0;

    Model original;
    Model matching;
    // Every return from here on releases both models, the matching one first.
    auto finish = [&](int32_t code) {
        matching.Release();
        original.Release();
        ReleaseSpareBlocks();
        return code;
    };

    host->ShowStatus("Loading original file...(please wait)");
    host->StepProgress();
    // From the original only its positions and its face count are needed:
    // its faces, texture coordinates and normals are counted, not stored.
    if (!original.LoadObjPositions(original_path)) {
        std::snprintf(message, kMessageCapacity,
                      "There was an error loading the original morph file:\r\n\r\nfilepath: \"%s\"\r\n", original_path);
        return finish(-2);
    }

    int32_t original_faces = original.TotalFaceCount();
    if (host->ShouldStop()) return finish(-8);

    host->ShowStatus("Loading matching file...(please wait)");
    host->StepProgress();
    if (!matching.LoadObj(matching_path)) {
        std::snprintf(message, kMessageCapacity,
                      "There was an error loading the matching morph file:\r\n\r\nfilepath: \"%s\"\r\n", matching_path);
        return finish(-3);
    }

    if (original.vertex_count != matching.vertex_count) {
        std::snprintf(message, kMessageCapacity,
                      "There was an error creating the new morph file.\r\nVertex count does not match:\r\n\r\n"
                      "original: %d vertices\r\nmatching: %d vertices\r\n",
                      original.vertex_count, matching.vertex_count);
        return finish(-5);
    }
    if (original.vertex_count == 0 || matching.vertex_count == 0) {
        std::snprintf(message, kMessageCapacity,
                      "There was an error creating the new morph file.\r\nNo vertices found:\r\n\r\n"
                      "original: %d vertices\r\nmatching: %d vertices\r\n",
                      original.vertex_count, matching.vertex_count);
        return finish(-6);
    }

    int32_t matching_faces = matching.TotalFaceCount();
    if (original_faces != matching_faces) {
        char warning[kPathCapacity];
        std::snprintf(warning, sizeof warning,
                      "The total face count does not match:\r\n\r\noriginal: %d faces\r\nmatching: %d faces\r\n\r\n"
                      "Continue anyway?\r\n",
                      original_faces, matching_faces);
        if (!host->AskToContinue(warning, "Warning")) return finish(-8);
    }

    if (host->ShouldStop()) return finish(-8);
    host->ShowStatus("Matching vertices...(please wait)");
    int32_t match_count = 0;
    if (!matching.MatchVertices(original, match_count, host)) {
        std::snprintf(message, kMessageCapacity,
                      "There was an error creating the new morph file.\r\nUnable to match all vertices:\r\n\r\n"
                      "num_matches: %d\r\ntotal_vertices: %d\r\n",
                      match_count, matching.vertex_count);
        return finish(-7);
    }

    if (host->ShouldStop()) return finish(-8);
    host->SetProgress(1, 1);
    host->ShowStatus("Saving file...(please wait)");
    if (!matching.WriteObjFile(new_path)) {
        std::snprintf(message, kMessageCapacity,
                      "There was an error saving the new morph file:\r\n\r\nfilepath: \"%s\"\r\n", new_path);
        return finish(-4);
    }

    original.Clear();
    matching.Clear();
    return finish(1);
}
