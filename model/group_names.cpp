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

// The slot holding name, or the free slot where it would go.
NameSlot* FindSlot(const Model& model, const char* name, size_t length, uint32_t hash) {
    return model.group_names.index.Find(model, name, length, hash);
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
    if (group_names.count == INT32_MAX || !group_names.index.Reserve(uint64_t(group_names.count) + 1) ||
        !ReserveNames(group_names))
        return 0;
    uint32_t offset;
    if (!model.KeepName(name, length, kGroupNameCapacity, offset)) return 0;
    NameSlot* slot = FindSlot(model, name, length, hash);
    slot->name = offset;
    slot->hash = hash;
    group_names.names[group_names.count] = offset;
    group_names.count += 1;
    slot->entry = static_cast<uint32_t>(group_names.count);
    return 1;
}

}  // namespace

uint32_t HashGroupName(const char* name) {
    return NameHash(name, NameLength(name));
}

int32_t Model::FindGroupName(const char* name) const {
    if (!name || !group_names.index.HasSlots()) return -1;
    size_t length = NameLength(name);
    const NameSlot* slot = FindSlot(*this, name, length, NameHash(name, length));
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
    uint32_t hash = NameHash(name, length);
    if (group_names.index.HasSlots() && FindSlot(*this, name, length, hash)->entry) return 0;
    return AddNewGroupName(*this, name, length, hash);
}


int32_t GroupNameOrdinal(Model& model, const char* name, uint32_t hash) {
    if (!name) return -1;
    size_t length = NameLength(name);
    const GroupNameList& group_names = model.group_names;
    if (group_names.index.HasSlots()) {
        const NameSlot* slot = FindSlot(model, name, length, hash);
        if (slot->entry) return static_cast<int32_t>(slot->entry) - 1;
    }
    if (!AddNewGroupName(model, name, length, hash)) return -1;
    return group_names.count - 1;
}

void PrefetchGroupNameSlot(const Model& model, uint32_t hash) {
    const NameIndex& index = model.group_names.index;
    if (index.HasSlots()) __builtin_prefetch(index.SlotOf(hash));
}

int32_t PrefetchGroupNameText(const Model& model, uint32_t hash) {
    const NameIndex& index = model.group_names.index;
    if (!index.HasSlots()) return -1;
    const NameSlot& slot = *index.SlotOf(hash);
    if (!slot.entry || slot.hash != hash) return -1;
    __builtin_prefetch(model.Name(slot.name));
    return static_cast<int32_t>(slot.entry) - 1;
}
