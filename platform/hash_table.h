#pragma once
// The one hash table behind every lookup: open addressing with linear
// probing over a power-of-two block of the caller's slots.
//
// The table is a view, a plain record of the block and its mask: whoever
// sizes it (once, from a counting pass, with room to spare so that a search
// soon meets a free slot) owns the block, a ScopedBlock for scratch or a
// record's Release for a kept table. The caller hashes once and passes the
// hash in, so a lookup that also stores the hash or fetches ahead does not
// compute it again.
//
// Traits says what a slot is, as static inline functions:
//   static bool IsEmpty(const Slot&);              // a free slot
//   static bool Matches(const Slot&, const Key&);  // the key's slot
// called on a slot only when it is not free. A key may carry whatever
// Matches needs to compare (a pool of texts, a table of faces).
#include <cstdint>

// The least power of two, at least `least`, that holds `count` entries
// `spread` times over. 0 when it is beyond 2^63.
inline uint64_t HashCapacity(uint64_t count, uint64_t spread, uint64_t least = 16) {
    uint64_t capacity = least;
    if (spread != 0 && count > (uint64_t(1) << 63) / spread) return 0;
    while (capacity < count * spread) capacity <<= 1;
    return capacity;
}

template <class Slot, class Traits>
struct HashTable {
    Slot* slots = nullptr;
    uint64_t mask = 0;  // capacity - 1

    // The slot holding `key`, or the free slot where it goes; the caller
    // fills a free one. The table must have a free slot.
    template <class Key>
    Slot* Place(const Key& key, uint64_t hash) const {
        uint64_t at = hash & mask;
        while (!Traits::IsEmpty(slots[at]) && !Traits::Matches(slots[at], key)) at = (at + 1) & mask;
        return &slots[at];
    }

    // The slot holding `key`, or null.
    template <class Key>
    Slot* Find(const Key& key, uint64_t hash) const {
        Slot* slot = Place(key, hash);
        return Traits::IsEmpty(*slot) ? nullptr : slot;
    }

    // The number of the slot holding `key`, or -1.
    template <class Key>
    int64_t IndexOf(const Key& key, uint64_t hash) const {
        Slot* slot = Find(key, hash);
        return slot ? int64_t(slot - slots) : -1;
    }

    // The first free slot from where `hash` starts: where an entry goes that
    // is known to be absent, as when entries move to a larger block.
    Slot* FreeSlot(uint64_t hash) const {
        uint64_t at = hash & mask;
        while (!Traits::IsEmpty(slots[at])) at = (at + 1) & mask;
        return &slots[at];
    }

    // The slot a search for `hash` reads first, to fetch it ahead.
    Slot* Home(uint64_t hash) const { return &slots[hash & mask]; }
};
