#include "model/name_index.h"

#include <cstring>

#include "model/model.h"
#include "platform/block.h"

bool NameSlotTraits::Matches(const NameSlot& slot, const NameKey& key) {
    if (slot.hash != key.hash) return false;
    const char* known = key.model.Name(slot.name);
    return std::memcmp(known, key.text, key.length) == 0 && known[key.length] == '\0';
}

NameSlot* NameIndex::Find(const Model& model, const char* text, size_t length, uint32_t hash) const {
    return table.Place(NameKey{model, text, length, hash}, hash);
}

bool NameIndex::Reserve(uint64_t count) {
    uint64_t needed = count * 2;
    uint64_t capacity = table.slots ? table.mask + 1 : 0;
    if (table.slots && needed <= capacity) return true;
    uint64_t size = capacity ? capacity : 64;
    while (size < needed) size *= 2;
    if (size > (uint64_t(1) << 31)) return false;
    HashTable<NameSlot, NameSlotTraits> fresh{AllocateTable<NameSlot>(static_cast<size_t>(size)), size - 1};
    if (!fresh.slots) return false;
    // The texts are distinct, so each slot goes to the first free slot of its
    // probe; they move in slot order, which decides where colliding ones land.
    for (uint64_t i = 0; i < capacity; ++i) {
        const NameSlot& old = table.slots[i];
        if (!NameSlotTraits::IsEmpty(old)) *fresh.FreeSlot(old.hash) = old;
    }
    ReleaseBlock(table.slots);
    table = fresh;
    return true;
}

void NameIndex::Release() {
    ReleaseBlock(table.slots);
    table = {};
}
