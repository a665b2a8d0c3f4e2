// The group-name list and its hash index.
//
// The list keeps the design's order (newest first, positions counted from the
// newest node); the index maps a name to the ordinal of its node, from which
// the list position follows as count - 1 - ordinal. Both give the same answer
// as walking the list.
#include <cstring>

#include "platform/block.h"
#include "model/model.h"
#include "model/text.h"

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

bool SameName(const GroupNameNode* node, const char* name, size_t length) {
    return std::memcmp(node->name, name, length) == 0 && node->name[length] == '\0';
}

// The slot holding name, or the free slot where it would go.
GroupNameSlot* FindSlot(const GroupNameList& list, const char* name, size_t length, uint32_t hash) {
    uint32_t mask = list.index_capacity - 1;
    for (uint32_t i = hash & mask;; i = (i + 1) & mask) {
        GroupNameSlot* slot = &list.index[i];
        if (!slot->node) return slot;
        if (slot->hash == hash && SameName(slot->node, name, length)) return slot;
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
    GroupNameList grown = list;
    grown.index = fresh;
    grown.index_capacity = capacity;
    for (uint32_t i = 0; i < list.index_capacity; ++i) {
        const GroupNameSlot& old = list.index[i];
        if (!old.node) continue;
        *FindSlot(grown, old.node->name, std::strlen(old.node->name), old.hash) = old;
    }
    ReleaseBlock(list.index);
    list.index = fresh;
    list.index_capacity = capacity;
    return true;
}

}  // namespace

uint32_t HashGroupName(const char* name) {
    return HashName(name, NameLength(name));
}

int32_t Model::FindGroupName(const char* name) const {
    if (!name || !group_names.index) return -1;
    size_t length = NameLength(name);
    const GroupNameSlot* slot = FindSlot(group_names, name, length, HashName(name, length));
    if (!slot->node) return -1;
    return group_names.count - 1 - slot->ordinal;
}

int32_t Model::AddGroupName(const char* name) {
    if (!name) return 0;
    size_t length = NameLength(name);
    uint32_t hash = HashName(name, length);
    if (group_names.index && FindSlot(group_names, name, length, hash)->node) return 0;
    return AddNewGroupName(name, length, hash);
}

int32_t Model::AddNewGroupName(const char* name, size_t length, uint32_t hash) {
    if (!ReserveIndex(group_names)) return 0;
    GroupNameNode* node = static_cast<GroupNameNode*>(AllocateBlock(sizeof(GroupNameNode)));
    if (!node) return 0;
    CopyText(node->name, kGroupNameCapacity, name, length);

    GroupNameNode* first = group_names.head.next;
    node->next = first;
    node->prev = &group_names.head;
    if (first) first->prev = node;
    group_names.head.next = node;

    GroupNameSlot* slot = FindSlot(group_names, name, length, hash);  // the index may have grown
    slot->node = node;
    slot->ordinal = group_names.count;
    slot->hash = hash;
    group_names.count += 1;
    return 1;
}

int32_t Model::GroupNameOrdinal(const char* name, uint32_t hash) {
    if (!name) return -1;
    size_t length = NameLength(name);
    if (group_names.index) {
        const GroupNameSlot* slot = FindSlot(group_names, name, length, hash);
        if (slot->node) return slot->ordinal;
    }
    if (!AddNewGroupName(name, length, hash)) return -1;
    return group_names.count - 1;
}

void Model::PrefetchGroupNameSlot(uint32_t hash) const {
    if (group_names.index) __builtin_prefetch(&group_names.index[hash & (group_names.index_capacity - 1)]);
}

int32_t Model::PrefetchGroupNameNode(uint32_t hash) const {
    if (!group_names.index) return -1;
    const GroupNameSlot& slot = group_names.index[hash & (group_names.index_capacity - 1)];
    if (!slot.node || slot.hash != hash) return -1;
    __builtin_prefetch(slot.node);
    return slot.ordinal;
}
