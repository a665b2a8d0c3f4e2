#pragma once
// The Convert operation: loads the original and the matching file, renumbers
// the matching model to the original's vertex order and writes it as the new
// file (OBJ + MTL). Its second half, converting one matching file against an
// original loaded already, serves runs over many files too, with the
// original shared read-only so that several files may go at once.
#include <cstdint>

#include "model/model.h"
#include "model/records.h"
#include "morph/host.h"
#include "pairing/coincident_ties.h"
#include "pairing/face_check.h"
#include "pairing/match_diagnostics.h"
#include "pairing/tolerant_partners.h"
#include "pairing/topology/topology_match.h"
#include "platform/files/commit_record.h"
#include "platform/parallel.h"

constexpr int32_t kMessageCapacity = 512;

// How many vertices a diagnosis lists by number.
constexpr int32_t kListedVertexCount = 10;

// A matching vertex that found no partner, as the user finds it in the file.
struct UnpairedVertex {
    int32_t number;   // 1-based, as in the file
    float x, y, z;
    int32_t nearest;  // the nearest original vertex, 1-based; 0 when none is at a finite distance
    double distance;  // to it (infinity when none)
};

// What a run found beyond its code and message, for a front end that can say
// more than a message box. Counts that a run did not work out stay -1.
struct ConvertDiagnostics {
    double tolerance = 0;  // the one used; 0 for exact matching
    SizeOutliers tolerance_outliers;  // the original's vertices `auto` left out of the mesh's size
    int32_t original_vertices = 0;  // as loaded
    int32_t matching_vertices = 0;

    // A failed match: the true counts, the first vertices without a partner,
    // the tolerance that would have paired them all (infinity when a vertex
    // has no finite position) and whether it is safe.
    int32_t paired_count = -1;
    int32_t unpaired_count = -1;
    int32_t listed_count = 0;
    UnpairedVertex listed[kListedVertexCount] = {};
    double suggested_tolerance = 0;
    double largest_distance = 0;   // of a vertex without a partner to its nearest original vertex
    double smallest_distance = 0;  // between two different original positions
    int32_t suggestion_safe = 0;

    // Matching vertices with original vertices at two or more positions
    // within the tolerance, and the first of their numbers (1-based).
    int32_t ambiguous_count = 0;
    int32_t ambiguous_listed = 0;
    int32_t ambiguous[kListedVertexCount] = {};

    // Vertex counts that differ: how the copy relates to the original (on
    // the -5 refusal from the exact positions, on a success from the pairs).
    int32_t missing_count = -1;  // matching vertices at no original position; -1 when not worked out
    VertexSharing sharing = {-1, -1};

    // A successful run whose matching file named a library that didn't load,
    // or whose faces name materials the library doesn't define.
    int32_t library_missing = 0;
    char library_name[kPathCapacity] = {};
    int32_t faces_without_material = 0;
    // Corners of the matching file's `l` lines that named no vertex, dropped
    // (wavefront: Model::dropped_line_corners).
    int32_t dropped_line_corners = 0;

    // Matching vertices at positions several original vertices share (seams
    // split in the base, parts that touch): how many their faces paired and
    // how many nothing told apart, paired by index. 0 and 0 when no
    // position is shared.
    TieCounts coincident;

    // What the pairing does to the original's faces, worked out before the
    // new file is written: faces of the copy that, renumbered, are not the
    // original's, and original vertices no matching vertex took. `checked`
    // is 0 when the run never got that far.
    int32_t checked = 0;
    PairingCheck check;

    // A run paired by connectivity: the note for the user when a part fitted
    // two ways (a mirror image), else "".
    char topology_note[kMessageCapacity] = {};
    // A run by connectivity that failed only because a choice was unsure
    // (ConvertOptions::accept_unsure takes it).
    int32_t refused_unsure = 0;
    // Why a file didn't load (-2, -3) or the new file couldn't be written
    // (-4), as platform/reasons.h codes; 0 when nothing says.
    int32_t reason = 0;
    // Writes onto the new file that an earlier run left half done and this
    // run finished before it wrote its own.
    int32_t repaired = 0;
    // The material library written beside the new file; empty when none.
    char library_path[kPathCapacity] = {};
    // A lock file, commit record or file of another user beside the new
    // file that the run refused or left alone, named with the reason and
    // owner, or the file a link led to; "" when none was.
    char write_notice[kNoticeCapacity] = {};
};

// Choices that change how the two files are paired; a null pointer asks for
// exact pairing of equal vertex counts, as the dialog does.
struct ConvertOptions {
    // 0 pairs equal positions; above 0, a matching vertex pairs with the
    // nearest original vertex whose every coordinate is within it.
    double tolerance = 0;
    bool automatic_tolerance = false;  // the tolerance AutoTolerance gives for the original
    bool strict = false;               // an ambiguous vertex fails the match (-7)
    bool allow_count_change = false;   // copies whose vertices were split or welded
    // Pairs by how the faces hang together, for a copy whose positions all
    // moved; a tolerance then only hints where positions can be trusted.
    bool by_topology = false;
    const TopologySeed* seeds = nullptr;  // 0-based; each decides its connected part
    int32_t seed_count = 0;
    bool accept_unsure = false;  // by connectivity: take choices it can't be sure of, with a note
    // Loads leave the current directory alone (the dialog expects the
    // library's folder), so that several conversions may run at once.
    bool keep_directory = false;
    // Threads one conversion may use (loading both files at once, formatting
    // the new file); 0: as many as the machine runs at once. The results
    // are the same for every count.
    int32_t threads = 0;
    ConvertDiagnostics* diagnostics = nullptr;  // filled when given
    // The processor place of a run over many files that this conversion
    // holds: given back once the new file is formatted, before the flushes
    // to the disk are waited for, so that another file computes meanwhile.
    SlotHold* hold = nullptr;
};

// Returns 1 when the new file was written; 0 when a path, host or message is
// null; -2 original not loaded; -3 matching not loaded; -4 new file not
// written; -5 vertex counts differ; -6 no vertices; -7 matching failed; -8
// the user declined after the face-count warning, or the host asked to stop
// between two steps or while it waited for another run writing the new
// file (nothing written; an earlier new file stays as it was); a
// strict run fails with -7 on an ambiguous vertex (num_matches counts the
// vertices before it). (-1 belongs to the callers: a path they could not
// give.) For -2 to -7 the message (kMessageCapacity bytes) is overwritten with
// the text to show; otherwise it keeps the caller's text.
int32_t ConvertFiles(const char* original_path, const char* matching_path, const char* new_path,
                     OperationHost* host, char* message, const ConvertOptions* options = nullptr);

// For a run that ends before it writes onto new_path: takes the new file's
// and its library's locks for a moment (when no other run holds them) and
// finishes or clears what an interrupted earlier run left there, whatever
// this run's outcome; the diagnostics (may be null) learn what it finished
// and what it refused. ConvertFiles and ConvertAgainstOriginal do it on
// every failure but -4.
void ClearNewFiles(const char* new_path, ConvertDiagnostics* diagnostics);

// The original as ConvertFiles loads it (its positions, group names and face
// counts). Returns 1, or -2 with its message and the diagnostics' reason.
// Only the diagnostics and keep_directory of `options` (may be null) count.
int32_t LoadOriginal(Model& original, const char* path, OperationHost* host, char* message,
                     const ConvertOptions* options = nullptr);

// ConvertFiles for an original loaded by LoadOriginal: every step after that
// load, with the same codes (0, -3 to -8, 1), texts and written bytes. Never
// changes `original`; each call fills its own diagnostics.
int32_t ConvertAgainstOriginal(const Model& original, const char* matching_path, const char* new_path,
                               OperationHost* host, char* message, const ConvertOptions* options = nullptr);
