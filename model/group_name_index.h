#pragma once
// The group-name index as a reader drives it: many lookups in a row, each
// fetched ahead (wavefront/group_lines.cpp). Not part of what a Model is;
// FindGroupName and AddGroupName answer everyone else.
#include <cstddef>
#include <cstdint>

struct Model;

// The hash the group-name index files `name` under (its first
// kGroupNameCapacity - 1 bytes).
uint32_t HashGroupName(const char* name);

// The ordinal of name (0 for the first name added), added when new, -1 when
// it can't be kept; `hash` is HashGroupName(name).
int32_t GroupNameOrdinal(Model& model, const char* name, uint32_t hash);

// What such a lookup will read first: the index slot, then (once the slot is
// at hand) the name it holds, returning that name's ordinal if its hash
// matches, else -1.
void PrefetchGroupNameSlot(const Model& model, uint32_t hash);
int32_t PrefetchGroupNameText(const Model& model, uint32_t hash);
