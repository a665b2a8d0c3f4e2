#pragma once
// The `g` lines of the survey, looked up a batch at a time.
//
// Looking a name up reads an index slot and then the name it points to. With
// many names spread through a large file both sit far back in memory, so one
// lookup after the other would wait for memory twice per line. Here a line's
// slot is fetched as the line is met, and its lookup waits until a batch of
// lines has gathered: their names are then fetched together, and the lookups
// run in file order, so names are added in the order they were first met.
#include <cstdint>

#include "model/records.h"

struct ObjReader;
struct ValuesCut;

// The groups' state at a point of the survey's walk, for a cut of the
// values pass there (wavefront/obj_reader.h).
struct GroupLineMark {
    int64_t faces_before_names = 0;
    int64_t* face_counts = nullptr;  // per name known then, by ordinal
    int32_t names = 0;
    int64_t lines = 0;          // `g` lines before the point
    int32_t last_ordinal = -1;  // the ordinal of the last of them; -1: none

    GroupLineMark() = default;
    GroupLineMark(const GroupLineMark&) = delete;
    GroupLineMark& operator=(const GroupLineMark&) = delete;
    ~GroupLineMark();

    // Once the survey knows every name: each group's faces before the
    // point, the group the point is in and its `g` line count, into the
    // cut. 0 when memory ran out.
    int32_t Place(const ObjReader& reader, ValuesCut& cut) const;
};

struct GroupLineTally {
    // One `g` line: its name, the name's hash and the face lines that follow
    // it up to the next `g` line.
    struct Line {
        char name[kGroupNameCapacity];
        uint32_t hash;
        uint32_t faces;
    };
    static constexpr int kBatch = 64;

    Line batch[kBatch];
    int32_t batch_count = 0;
    int64_t faces_before_names = 0;  // face lines before the first `g` line
    int64_t* face_counts = nullptr;  // per name, by ordinal
    int64_t face_count_capacity = 0;
    int32_t* ordinals = nullptr;  // per `g` line, in file order
    int64_t ordinal_count = 0;
    int64_t ordinal_capacity = 0;

    GroupLineTally() = default;
    GroupLineTally(const GroupLineTally&) = delete;
    GroupLineTally& operator=(const GroupLineTally&) = delete;
    ~GroupLineTally();

    // A `g` line of the reader's text, [line, end) without the blanks
    // before the keyword. False when a name or the tally can't be kept.
    bool AddLine(ObjReader& reader, const char* line, const char* end);
    // A face line: it belongs to the newest `g` line, if any.
    void AddFace() {
        if (batch_count > 0) {
            ++batch[batch_count - 1].faces;
        } else if (ordinal_count > 0) {
            ++face_counts[ordinals[ordinal_count - 1]];
        } else {
            ++faces_before_names;
        }
    }
    // The state at this point of the walk, the lines waiting looked up
    // first. False as for AddLine.
    bool Mark(ObjReader& reader, GroupLineMark& mark);
    // Looks up the lines still waiting, then hands the ordinals to the
    // reader (group_line_ordinals). False as for AddLine.
    bool Finish(ObjReader& reader);

  private:
    bool LookUpBatch(ObjReader& reader);
};
