// The group-name list and its hash index.
//
// Names are kept in the name pool in the order they were added (their
// ordinals); the design's positions count from the newest name, so the
// position of ordinal i is count - 1 - i. The index maps a name to its
// ordinal.
#include <cstring>

#include "platform/block.h"
#include "model/group_name_index.h"
#include "model/model.h"

namespace {

// A name is what fits a group-name array: its first capacity - 1 bytes.
size_t NameLength(const char* name) {
    return strnlen(name, kGroupNameCapacity - 1);
}

uint32_t HashName(const char* name, size_t length) {
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < length; ++i) {
        hash ^= static_cast<unsigned char>(name[i]);
        hash *= 16777619u;
    }
    return hash;
}

// The slot holding name, or the free slot where it would go.
GroupNameSlot* FindSlot(const Model& model, const GroupNameList& list, const char* name, size_t length,
                        uint32_t hash) {
    uint32_t mask = list.index_capacity - 1;
    for (uint32_t i = hash & mask;; i = (i + 1) & mask) {
        GroupNameSlot* slot = &list.index[i];
        if (!slot->entry) return slot;
        if (slot->hash == hash) {
            const char* known = model.Name(slot->name);
            if (std::memcmp(known, name, length) == 0 && known[length] == '\0') return slot;
        }
    }
}

// Makes room for one more name; keeps the index at most half full.
bool ReserveIndex(GroupNameList& list) {
    uint64_t needed = (static_cast<uint64_t>(list.count) + 1) * 2;
    if (list.index && needed <= list.index_capacity) return true;
    uint32_t capacity = list.index_capacity ? list.index_capacity : 64;
    while (capacity < needed) capacity *= 2;
    GroupNameSlot* fresh = AllocateTable<GroupNameSlot>(capacity);
    if (!fresh) return false;
    // Names are distinct, so each old slot goes to the first free slot of its probe.
    uint32_t mask = capacity - 1;
    for (uint32_t i = 0; i < list.index_capacity; ++i) {
        const GroupNameSlot& old = list.index[i];
        if (!old.entry) continue;
        uint32_t j = old.hash & mask;
        while (fresh[j].entry) j = (j + 1) & mask;
        fresh[j] = old;
    }
    ReleaseBlock(list.index);
    list.index = fresh;
    list.index_capacity = capacity;
    return true;
}

// Makes room for one more name in the table by ordinal, doubling.
bool ReserveNames(GroupNameList& list) {
    if (list.names && list.count < list.name_capacity) return true;
    int64_t capacity = list.name_capacity ? int64_t(list.name_capacity) * 2 : 64;
    if (capacity > INT32_MAX) capacity = INT32_MAX;
    if (capacity <= list.count) return false;
    uint32_t* fresh = AllocateUnclearedTable<uint32_t>(static_cast<size_t>(capacity));
    if (!fresh) return false;
    if (list.names) std::memcpy(fresh, list.names, sizeof(uint32_t) * static_cast<size_t>(list.count));
    ReleaseBlock(list.names);
    list.names = fresh;
    list.name_capacity = static_cast<int32_t>(capacity);
    return true;
}

// AddGroupName for a name known to be absent: `length` is its length cut to
// a group name's capacity. 1 or 0 as AddGroupName.
int32_t AddNewGroupName(Model& model, const char* name, size_t length, uint32_t hash) {
    GroupNameList& group_names = model.group_names;
    if (group_names.count == INT32_MAX || !ReserveIndex(group_names) || !ReserveNames(group_names)) return 0;
    uint32_t offset;
    if (!model.KeepName(name, length, kGroupNameCapacity, offset)) return 0;
    GroupNameSlot* slot = FindSlot(model, group_names, name, length, hash);
    slot->name = offset;
    slot->hash = hash;
    group_names.names[group_names.count] = offset;
    group_names.count += 1;
    slot->entry = static_cast<uint32_t>(group_names.count);
    return 1;
}

}  // namespace

uint32_t HashGroupName(const char* name) {
    return HashName(name, NameLength(name));
}

int32_t Model::FindGroupName(const char* name) const {
    if (!name || !group_names.index) return -1;
    size_t length = NameLength(name);
    const GroupNameSlot* slot = FindSlot(*this, group_names, name, length, HashName(name, length));
    if (!slot->entry) return -1;
    return group_names.count - static_cast<int32_t>(slot->entry);
}

const char* Model::GroupNameAt(int32_t position) const {
    if (!group_names.names || position < 0 || position >= group_names.count) return "";
    return Name(group_names.names[group_names.count - 1 - position]);
}

int32_t Model::AddGroupName(const char* name) {
    if (!name) return 0;
    size_t length = NameLength(name);
    uint32_t hash = HashName(name, length);
    if (group_names.index && FindSlot(*this, group_names, name, length, hash)->entry) return 0;
    return AddNewGroupName(*this, name, length, hash);
}


int32_t GroupNameOrdinal(Model& model, const char* name, uint32_t hash) {
    if (!name) return -1;
    size_t length = NameLength(name);
    const GroupNameList& group_names = model.group_names;
    if (group_names.index) {
        const GroupNameSlot* slot = FindSlot(model, group_names, name, length, hash);
        if (slot->entry) return static_cast<int32_t>(slot->entry) - 1;
    }
    if (!AddNewGroupName(model, name, length, hash)) return -1;
    return group_names.count - 1;
}

void PrefetchGroupNameSlot(const Model& model, uint32_t hash) {
    const GroupNameList& group_names = model.group_names;
    if (group_names.index) __builtin_prefetch(&group_names.index[hash & (group_names.index_capacity - 1)]);
}

int32_t PrefetchGroupNameText(const Model& model, uint32_t hash) {
    const GroupNameList& group_names = model.group_names;
    if (!group_names.index) return -1;
    const GroupNameSlot& slot = group_names.index[hash & (group_names.index_capacity - 1)];
    if (!slot.entry || slot.hash != hash) return -1;
    __builtin_prefetch(model.Name(slot.name));
    return static_cast<int32_t>(slot.entry) - 1;
}
