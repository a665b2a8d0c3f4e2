#pragma once
// The pairing alone: both files loaded and their vertices paired exactly as
// Convert pairs them, with nothing written, for front ends that apply the
// pairing themselves (a script, an add-on that reorders a mesh in place).
#include <cstdint>

#include "morph/convert.h"
#include "morph/host.h"

// What PairFiles found. Owns its table; released with the record.
struct FilePairing {
    // For each matching vertex i (matching_vertices of them), the original
    // vertex (0-based) it pairs with, or -1 when it has none: Convert's
    // partner (coincident original vertices told apart by the faces). Null
    // when the run ended before pairing or the matcher leaves no partial
    // answer (pairing by connectivity that failed).
    int32_t* partner = nullptr;
    int32_t matching_vertices = 0;
    // 1 when every original vertex is some matching vertex's partner and no
    // two share one: the pairing is a renumbering of the matching mesh.
    int32_t one_to_one = 0;
    int32_t original_faces = 0;  // total face counts: Convert asks about a difference
    int32_t matching_faces = 0;

    FilePairing() = default;
    FilePairing(const FilePairing&) = delete;
    FilePairing& operator=(const FilePairing&) = delete;
    ~FilePairing();
};

// Loads both files (leaving the current directory alone) and pairs them as
// ConvertFiles does with the same options (tolerance, strict, count change,
// connectivity and seeds; threads and hold don't count). Asks no question:
// the face counts are given instead. Returns 1 when every matching vertex
// has a partner; 0 when a path, host or message is null; -2, -3, -5, -6 and
// -7 with Convert's messages in `message` (kMessageCapacity bytes) and its
// diagnostics filled when options->diagnostics is given; on 1 its vertex
// sharing is worked out whatever the options. On -7 by position the
// partners found so far stay in `pairing`.
int32_t PairFiles(const char* original_path, const char* matching_path, OperationHost* host, char* message,
                  const ConvertOptions* options, FilePairing& pairing);
