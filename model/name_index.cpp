#include "model/name_index.h"

#include <cstring>

#include "model/model.h"
#include "platform/block.h"

NameSlot* NameIndex::Find(const Model& model, const char* text, size_t length, uint32_t hash) const {
    uint32_t mask = capacity - 1;
    for (uint32_t i = hash & mask;; i = (i + 1) & mask) {
        NameSlot* slot = &slots[i];
        if (!slot->entry) return slot;
        if (slot->hash == hash) {
            const char* known = model.Name(slot->name);
            if (std::memcmp(known, text, length) == 0 && known[length] == '\0') return slot;
        }
    }
}

bool NameIndex::Reserve(uint64_t count) {
    uint64_t needed = count * 2;
    if (slots && needed <= capacity) return true;
    uint64_t size = capacity ? capacity : 64;
    while (size < needed) size *= 2;
    if (size > (uint64_t(1) << 31)) return false;
    NameSlot* fresh = AllocateTable<NameSlot>(static_cast<size_t>(size));
    if (!fresh) return false;
    // The texts are distinct, so each slot goes to the first free slot of its probe.
    uint32_t mask = static_cast<uint32_t>(size) - 1;
    for (uint32_t i = 0; i < capacity; ++i) {
        const NameSlot& old = slots[i];
        if (!old.entry) continue;
        uint32_t j = old.hash & mask;
        while (fresh[j].entry) j = (j + 1) & mask;
        fresh[j] = old;
    }
    ReleaseBlock(slots);
    slots = fresh;
    capacity = static_cast<uint32_t>(size);
    return true;
}

void NameIndex::Release() {
    ReleaseBlock(slots);
    slots = nullptr;
    capacity = 0;
}
