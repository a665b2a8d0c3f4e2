#include "wavefront/face_names.h"

#include <cstring>

#include "platform/block.h"

namespace {

constexpr int32_t kFirstFaceNames = 16;

// Room for one more entry, doubling the table; false when memory ran out.
bool Grow(FaceNames& table) {
    if (table.names && table.fill < table.count) return true;
    int64_t count = table.count ? int64_t(table.count) * 2 : kFirstFaceNames;
    if (count > INT32_MAX) return false;
    uint32_t* names = AllocateTable<uint32_t>(static_cast<size_t>(count));
    if (!names) return false;
    if (table.names) std::memcpy(names, table.names, sizeof(uint32_t) * static_cast<size_t>(table.fill));
    ReleaseBlock(table.names);
    table.names = names;
    table.count = static_cast<int32_t>(count);
    if (table.fill == 0) table.fill = 1;  // entry 0: no line
    return true;
}

}  // namespace

size_t FaceNameText(const char* line, const char* end, char (&text)[kMaterialNameCapacity]) {
    const char* p = line;
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    if (p < end) ++p;  // the keyword character
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    size_t length = 0;
    while (p < end && *p != '\r' && *p != '\n' && *p != '\0' && length < size_t(kMaterialNameCapacity - 1))
        text[length++] = *p++;
    text[length] = '\0';
    return length;
}

int32_t AddFaceName(Model& model, NameIndex& index, FaceNames& table, const char* line, const char* end) {
    char text[kMaterialNameCapacity];
    size_t length = FaceNameText(line, end, text);
    if (!index.HasSlots() && !index.Reserve(32)) return -1;
    uint32_t hash = NameHash(text, length);
    NameSlot* slot = index.Find(model, text, length, hash);
    if (slot->entry) return static_cast<int32_t>(slot->entry);
    uint32_t offset;
    if (!Grow(table) || !model.KeepName(text, length, kMaterialNameCapacity, offset)) return -1;
    int32_t entry = table.fill++;
    table.names[entry] = offset;
    *slot = {offset, static_cast<uint32_t>(entry), hash};
    return index.Reserve(uint64_t(table.fill)) ? entry : -1;
}

int32_t FindFaceName(const Model& model, const NameIndex& index, const char* line, const char* end) {
    char text[kMaterialNameCapacity];
    size_t length = FaceNameText(line, end, text);
    if (!index.HasSlots()) return -1;
    const NameSlot* slot = index.Find(model, text, length, NameHash(text, length));
    return slot->entry ? static_cast<int32_t>(slot->entry) : -1;
}
