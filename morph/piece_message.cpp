// A piece is named by the words the user typed (ORIGINAL, SCULPT) where a
// command is suggested, and by its file's name where it is described.
#include "morph/piece_message.h"

#include <cstdio>
#include <cstring>

#include "morph/diagnosis_text.h"
#include "platform/text.h"

namespace {

constexpr int32_t kLineCapacity = 512;  // a message box's worth
constexpr char kByPosition[] = "shapes ORIGINAL PART SCULPT... --out-dir DIR";

void Add(char* message, int32_t capacity, const char* text) { AppendText(message, size_t(capacity), text); }

void DescribeSeeding(const PieceSeeding& seeding, char* line, size_t capacity) {
    if (seeding.hint_seeded == 0) {
        std::snprintf(line, capacity, "part seeded from --seed\r\n");
        return;
    }
    std::snprintf(line, capacity, "part seeded from %s%d vertices at ORIGINAL's positions\r\n",
                  seeding.user_seeded > 0 ? "--seed and from " : "", seeding.hinted_count);
}

void DescribeUnsurePiece(const TopologyMatch& result, const TopologyNames& names, char* message, int32_t capacity) {
    char line[kLineCapacity];
    Add(message, capacity, "The vertices could not be paired by connectivity for certain.\r\n");
    if (result.symmetric_count > 0) {
        std::snprintf(line, sizeof line, "%s fits %s at two places (a mirror image or a turn), the other less than "
                      "1 %% farther.\r\n", names.shape, names.original);
        Add(message, capacity, line);
    } else if (result.reversed_part_count > 0) {
        std::snprintf(line, sizeof line,
                      "%s fits %s only turned over (its faces running the other way round) where its positions put "
                      "it: a mirrored export, or a welded or split one fitted at the mirror image of its place.\r\n",
                      names.shape, names.original);
        Add(message, capacity, line);
    }
    std::snprintf(line, sizeof line, "--seed decides where it belongs; %s (with --allow-count-change for a welded "
                  "or split export) pairs it by position with its unsculpted export; --accept-unsure takes the place "
                  "chosen.\r\n", kByPosition);
    Add(message, capacity, line);
}

void DescribeUnseededPiece(const TopologyMatch& result, const TopologyNames& names, char* message, int32_t capacity) {
    char line[kLineCapacity];
    std::snprintf(line, sizeof line,
                  "The vertices could not be paired by connectivity.\r\nNo vertex of %s sits at a position of %s "
                  "to seed %s (%d connected part%s unseeded).\r\n",
                  names.shape, names.original, result.part_count > 1 ? "its parts" : "it", result.unseeded_count,
                  result.unseeded_count > 1 ? "s" : "");
    Add(message, capacity, line);
    std::snprintf(line, sizeof line,
                  "Pair it by position with the part's unsculpted export (%s), or give --seed O1,O2,O3=S1,S2,S3: "
                  "three vertices of one face of ORIGINAL and their counterparts in SCULPT.\r\n", kByPosition);
    Add(message, capacity, line);
}

void DescribeMisplacedPiece(const TopologyNames& names, char* message, int32_t capacity) {
    char line[kLineCapacity];
    std::snprintf(line, sizeof line,
                  "The vertices could not be paired by connectivity.\r\n%s fits %s only elsewhere than where its "
                  "vertices at positions of %s lie: there its faces differ, as a welded or split export's do.\r\n",
                  names.shape, names.original, names.original);
    Add(message, capacity, line);
    std::snprintf(line, sizeof line, "Pair it by position with its unsculpted export (%s --allow-count-change), or "
                  "give --seed O1,O2,O3=S1,S2,S3.\r\n", kByPosition);
    Add(message, capacity, line);
}

}  // namespace

void DescribePieceMatch(const TopologyMatch& result, const PieceSeeding& seeding, const TopologyMesh& original,
                        const TopologyMesh& piece, const TopologyPairingOptions& options, const TopologyNames& names,
                        char* message, int32_t capacity, bool refused_unsure) {
    if (!message || capacity <= 0) return;
    message[0] = '\0';
    if (refused_unsure) return DescribeUnsurePiece(result, names, message, capacity);
    if (result.failure == kTopologyUnseeded && result.shape_face.face < 0) {
        return DescribeUnseededPiece(result, names, message, capacity);
    }
    if (seeding.misplaced > 0) return DescribeMisplacedPiece(names, message, capacity);
    char line[kLineCapacity];
    if (result.failure != kTopologyPaired) {
        DescribeTopologyMatch(result, original, piece, options, names, message, capacity);
        std::snprintf(line, sizeof line, "A part whose export split or welded vertices or split its faces pairs by "
                      "position with its unsculpted export: %s --allow-count-change\r\n", kByPosition);
        return Add(message, capacity, line);
    }
    const int32_t outside = original.vertex_count - piece.vertex_count;
    WritePartLine(VertexSharing{0, outside, outside}, original.vertex_count, line, sizeof line);
    Add(message, capacity, line);
    Add(message, capacity, "\r\n");
    DescribeSeeding(seeding, line, sizeof line);
    Add(message, capacity, line);
    if (result.reversed_part_count > 0 && seeding.hint_seeded > 0) {  // taken with --accept-unsure
        std::snprintf(line, sizeof line, "Note: %s fits %s only turned over where its positions put it, as a "
                      "mirrored export does; it was paired there.\r\n", names.shape, names.original);
        Add(message, capacity, line);
    }
    const int32_t used = int32_t(std::strlen(message));
    DescribeTopologyMatch(result, original, piece, options, names, message + used, capacity - used);
    size_t end = std::strlen(message);  // notes after it start their own lines
    while (end > 0 && (message[end - 1] == '\n' || message[end - 1] == '\r')) message[--end] = '\0';
}
