#pragma once
// Reading an OBJ file and its material library into a Model.
//
// The Model holds what was read; an ObjReader holds what reading needs on
// the way: the file's text (or a window of it), the line buffer, the fill
// cursors, and what one pass finds for the next. One reader serves one load
// and is handed from step to step; Model::LoadObj runs the steps below in
// order.
#include <cstdint>

#include "model/model.h"
#include "platform/file_image.h"
#include "platform/load_help.h"

struct LineScanner;

// The window a large OBJ file is read through: large enough that reading it
// costs few calls; small enough that its one block, reused for every window
// and both passes, costs little fresh memory, and that a pass finds the
// bytes just read still in the cache.
constexpr uint32_t kObjWindowBytes = uint32_t(4) << 20;

// Told how far a load's reading passes are: the bytes they have read of
// the file, counted once for every pass, out of `total`. A file read through
// windows tells it once a window, so a call comes a few MB apart and costs
// nothing measurable; a file read whole is read at once and tells nothing.
// Called on the loading thread.
struct ReadProgress {
    void (*on_read)(void* context, uint64_t done, uint64_t total) = nullptr;
    void* context = nullptr;
};

// The tables a load fills besides the vertex table: none (LoadObjPositions),
// every face's vertex list alone (LoadObjVertexLists), or all (LoadObj).
enum class ObjTables { kPositions, kVertexLists, kAll };

// The file being parsed, whole or the window the passes are at, and how far
// the line reader has read.
// Taking an image leaves read_pos alone; releasing the reader's text resets it.
struct TextBuffer : FileImage {
    uint32_t read_pos = 0;  // bytes already consumed by the line reader
};

// Where the values pass is cut in two, so that a helper walks the second
// part while the loading thread walks the first: the file offset of the
// line the second part starts with (0: no cut), what the pass has stored
// before that line, and what the second part's walk leaves.
struct ValuesCut {
    uint32_t offset = 0;
    int32_t vertex_fill = 0;
    int32_t texcoord_fill = 0;
    int32_t normal_fill = 0;
    int32_t current_group = 0;   // as ObjReader::current_group
    int32_t group_line = 0;      // `g` lines before the cut
    int32_t material_entry = 0;  // of the last `usemtl` line before the cut
    int32_t object_entry = 0;     // of the last `o` line before the cut
    int32_t smoothing_entry = 0;  // of the last `s` line before the cut
    int64_t corner_fill = 0;     // as Model::corner_pool_fill; then the second part's
    // Per group: its faces before the cut, then the second part's fill.
    int32_t* face_fills = nullptr;
    // Per group: the material entry of its last face in the second part; -1 for none.
    int32_t* group_entries = nullptr;
    int32_t has_mtllib = 0;  // the second part's last `mtllib` line
    char mtllib_name[kPathCapacity] = {};
    int32_t result = 0;  // 1 when the second part was read whole
    int32_t error = 0;   // as Model::load_error, for the second part

    void Release();
};

struct ObjReader {
    Model& model;
    // Where this reader's failures are told: the model's load_error, or
    // the cut's own for the reader of a values pass's second part.
    int32_t& error;
    TextBuffer text;
    // An OBJ file larger than a window stays open while the passes read it
    // window by window into text (wavefront/obj_windows.cpp); one read whole
    // is closed at once.
    FileReader file;
    uint32_t window_bytes = kObjWindowBytes;  // 3 or more: a byte-order mark fits
    uint32_t window_capacity = 0;             // bytes text's block holds
    // The file offset just past the last `v` or `mtllib` line, as the survey
    // found it: a load that keeps positions only has no use for the lines
    // after it, which in most files are nearly all of them.
    uint32_t positions_end = 0;
    // Offered the value tables once they are made, and for a file read in
    // windows the second part of the values pass (`cut`); null for none.
    LoadHelp* help = nullptr;
    // Told as the passes read windows (Model::read_progress); null for none.
    const ReadProgress* progress = nullptr;
    int32_t passes_begun = 0;  // FirstWindow calls: the survey's, then the values pass's
    ValuesCut cut;
    int32_t cut_offered = 0;  // 1 from the offer of the second part until it is settled
    // The buffer ReadLine's callers use, sized by the survey's longest line
    // so that no OBJ line is ever cut.
    char* line_buffer = nullptr;
    int32_t line_buffer_size = 0;
    // 1-based position of the group chosen by the most recent `g` line; 0
    // before the first.
    int32_t current_group = 0;
    // Records stored so far in the vertex, texture coordinate, normal and
    // material tables.
    int32_t vertex_fill = 0;
    int32_t texcoord_fill = 0;
    int32_t normal_fill = 0;
    int32_t material_fill = 0;
    // The survey found a colour on the first `v` line: the vertices get a
    // colour table.
    bool coloured = false;
    // `l` lines and their corner entries stored so far.
    int32_t polyline_fill = 0;
    int64_t polyline_corner_fill = 0;
    // The face material names the survey met, over Model::material_names:
    // the values pass only looks them up.
    NameIndex material_index;
    // The same for the texts of `o` and `s` lines (Model::objects,
    // Model::smoothing_groups).
    NameIndex object_index;
    NameIndex smoothing_index;
    // The group of every `g` line in file order, as the ordinal of its name
    // (0 for the first name met): the survey finds them all, so the values
    // pass needs no name lookups. The values pass releases them.
    int32_t group_line_count = 0;
    int32_t* group_line_ordinals = nullptr;
    // The face material name entry (Model::material_names) of each group's
    // last face, -1 for none: the values pass leaves it for the library,
    // which then resolves each group from its entry instead of by name.
    int32_t* group_entries = nullptr;

    explicit ObjReader(Model& target) : model(target), error(target.load_error) {}
    ObjReader(Model& target, int32_t& own_error) : model(target), error(own_error) {}
    ObjReader(const ObjReader&) = delete;
    ObjReader& operator=(const ObjReader&) = delete;
    ~ObjReader() { Release(); }

    // Gives back the text, the line buffer and what the passes handed on.
    void Release();
    void ReleaseText();
    void ReleaseLineBuffer();
    // A zero-filled line buffer of line_buffer_size bytes (none for a size
    // of 0 or less); 0 when it can't be had.
    int32_t AllocateLineBuffer();

    // --- the OBJ text a window at a time (wavefront/obj_windows.cpp)
    // The file opened and its first window read (the whole file when it
    // fits): 1, or 0 with model.load_error set.
    int32_t OpenText(const char* path);
    // The file opened again for the second part of a cut pass, which
    // starts at `offset`, a line's start, and that part's scanner over its
    // first window: 1, or 0 with `error` set (kReasonFileChanged when the
    // file's length is no longer `size`).
    int32_t OpenTextAt(const char* path, uint32_t size, uint32_t offset, LineScanner& scanner);
    // A pass's scanner over the first window, read again unless held: 1, or
    // 0 with model.load_error set.
    int32_t FirstWindow(LineScanner& scanner);
    // Once the scanner has taken every line its window holds whole: the next
    // window, opening with the line left unfinished. 1 for a window, 0 after
    // the last, -1 with model.load_error set when reading fails.
    int32_t NextWindow(LineScanner& scanner);
    // The file offset of the window's first byte.
    uint32_t WindowStart() const { return file.file ? file.offset - text.size : 0; }

    // --- the passes over the OBJ text (wavefront/obj_passes.cpp, line_reader.cpp)
    int32_t ReadLine(char* buffer, int32_t capacity);
    int32_t FillElements();

    // --- the material library in text (wavefront/mtl_reader.cpp)
    int32_t ReadMaterialLibrary();
    int32_t CountMaterials();
    int32_t FillMaterials();
};

// The steps of a load, in order (wavefront/obj_reader.cpp). Each returns 1
// to go on and 0 with model.load_error set when the load fails; after a
// failure the caller empties the Model.
//   ReadObjText     the Model emptied, the file opened and its first window
//                   read (the whole file when it fits), its path kept
//   SurveyObjText   group names, longest line, groups, counts, face
//                   material names, and the cut for a helper (one walk)
//   MakeValueTables the tables sized by the survey that `tables` asks for
//   FillElements    (a member) the values pass
//   MakeGroupNameTable  the group-name table, and the group of every face record
//   LoadMaterialLibrary the library the file names, if any (never fails)
int32_t ReadObjText(ObjReader& reader, const char* path);
int32_t SurveyObjText(ObjReader& reader);
int32_t MakeValueTables(ObjReader& reader, ObjTables tables);
int32_t MakeGroupNameTable(ObjReader& reader);
void LoadMaterialLibrary(ObjReader& reader, bool change_directory);
