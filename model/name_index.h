#pragma once
// The one index of names by their text, behind every such lookup: the group
// names of a Model, the face material names of a load, the materials of a
// library. Open addressing with linear probing over slots that keep the
// name's place in the Model's name pool, an entry number and the name's
// hash; at most half full, so a search soon meets a free slot. An index
// never holds one text twice, so it answers as a scan from the first entry
// would: callers add a text only when it is not there yet.
#include <cstddef>
#include <cstdint>

#include "platform/hash_table.h"

struct Model;

struct NameSlot {
    uint32_t name;   // the text's offset in the name pool
    uint32_t entry;  // the caller's entry number, from 1; 0 marks a free slot
    uint32_t hash;   // NameHash of the text
};

// FNV-1a over the first `length` bytes.
inline uint32_t NameHash(const char* text, size_t length) {
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < length; ++i) hash = (hash ^ static_cast<unsigned char>(text[i])) * 16777619u;
    return hash;
}

// A text to look up: its bytes, its NameHash and the pool its slots name.
struct NameKey {
    const Model& model;
    const char* text;
    size_t length;
    uint32_t hash;
};

struct NameSlotTraits {
    static bool IsEmpty(const NameSlot& slot) { return slot.entry == 0; }
    static bool Matches(const NameSlot& slot, const NameKey& key);
};

// A plain record: a Model keeps one among its tables, and Release gives its
// block back.
struct NameIndex {
    HashTable<NameSlot, NameSlotTraits> table;  // no slots before the first Reserve

    // The slot holding the text `length` bytes long (stored texts end right
    // after it), or the free slot where it would go; the slots' texts are
    // read from `model`'s name pool. Only on an index that has slots.
    NameSlot* Find(const Model& model, const char* text, size_t length, uint32_t hash) const;
    // Room for `count` names at most half full, moving the slots to a larger
    // block when needed. false when memory ran out (the index is unchanged).
    bool Reserve(uint64_t count);
    NameSlot* SlotOf(uint32_t hash) const { return table.Home(hash); }
    bool HasSlots() const { return table.slots != nullptr; }
    void Release();
};
