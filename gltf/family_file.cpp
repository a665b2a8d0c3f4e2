#include <cstring>
#include <new>
#include <sstream>
#include <streambuf>

#include <nlohmann/json.hpp>
#include <tiny_gltf.h>

#include "gltf/family_document.h"
#include "gltf/family_materials.h"
#include "gltf/gltf_family.h"
#include "platform/text.h"

namespace {

// A stream onto an output file, so that tinygltf writes the binary file
// straight into it, through its buffer, with no copy of the whole in memory.
class OutputStreamBuffer : public std::streambuf {
public:
    explicit OutputStreamBuffer(OutputFile* file) : file_(file) {}

protected:
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        return WriteOutput(file_, text, size_t(count)) ? count : 0;
    }
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        const char byte = traits_type::to_char_type(c);
        return WriteOutput(file_, &byte, 1) ? c : traits_type::eof();
    }

private:
    OutputFile* file_;
};

bool EndsWith(const char* path, const char* ending) {
    const size_t length = std::strlen(path);
    const size_t tail = std::strlen(ending);
    if (length < tail) return false;
    for (size_t k = 0; k < tail; ++k) {
        char c = path[length - tail + k];
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
        if (c != ending[k]) return false;
    }
    return true;
}

// The binary form: tinygltf writes the whole file through the stream.
int32_t WriteBinary(tinygltf::Model& document, const char* path, WrittenGltfFiles& files) {
    if (!OpenOutputFile(files.gltf, path)) return -1;
    OutputStreamBuffer buffer(&files.gltf);
    std::ostream stream(&buffer);
    tinygltf::TinyGLTF writer;
    writer.SetImageWriter(nullptr, nullptr);
    writer.WriteGltfSceneToStream(&document, stream, false, true);
    if (!files.gltf.failed && stream.good()) return 1;
    DiscardOutputFile(files.gltf);
    return -1;
}

// The JSON form: tinygltf writes the document without its buffer, whose
// bytes go to their own file; the buffer the document then names is that file.
int32_t WriteJson(tinygltf::Model& document, const char* path, WrittenGltfFiles& files) {
    char buffer_path[kPathCapacity];
    char buffer_name[kPathCapacity];
    if (!MakeGltfBufferPath(path, buffer_path, buffer_name)) return -1;
    std::vector<unsigned char> bytes;
    bytes.swap(document.buffers[0].data);
    document.buffers.clear();
    std::ostringstream text;
    tinygltf::TinyGLTF writer;
    writer.SetImageWriter(nullptr, nullptr);
    writer.WriteGltfSceneToStream(&document, text, true, false);
    nlohmann::json json = nlohmann::json::parse(text.str());
    json["buffers"] = nlohmann::json::array({{{"byteLength", bytes.size()}, {"uri", FileUri(buffer_name)}}});
    const std::string written = json.dump(2);
    OutputFile* set[] = {&files.gltf, &files.bin};
    const char* targets[] = {path, buffer_path};
    if (!OpenOutputFiles(set, targets, 2, 2)) return -1;
    files.with_bin = 1;
    if (WriteOutput(&files.gltf, written.data(), written.size()) &&
        WriteOutput(&files.bin, reinterpret_cast<const char*>(bytes.data()), bytes.size()))
        return 1;
    DiscardOutputFile(files.gltf);
    DiscardOutputFile(files.bin);
    return -1;
}

}  // namespace

int32_t IsGltfJsonPath(const char* path) { return path && EndsWith(path, ".gltf") ? 1 : 0; }

int32_t MakeGltfBufferPath(const char* path, char (&buffer_path)[kPathCapacity], char (&buffer_name)[kPathCapacity]) {
    if (!IsGltfJsonPath(path)) return 0;
    const size_t stem = std::strlen(path) - 5;
    if (stem + 4 >= size_t(kPathCapacity)) return 0;
    std::memcpy(buffer_path, path, stem);
    std::memcpy(buffer_path + stem, ".bin", 5);
    CopyText(buffer_name, FileNamePart(buffer_path));
    return 1;
}

int32_t FormatGltfFamily(const Model& base, const GltfTarget* targets, int32_t count, const char* path,
                         WrittenGltfFiles& files) {
    if (!path || !path[0] || count < 0 || (count > 0 && !targets)) return 0;
    try {
        tinygltf::Model document;
        {
            CornerSplit split;
            const int32_t split_code = SplitCorners(base, split);
            if (split_code != 1) return split_code < 0 ? -2 : 0;
            if (!BuildFamilyDocument(base, split, targets, count, document)) return 0;
        }
        return IsGltfJsonPath(path) ? WriteJson(document, path, files) : WriteBinary(document, path, files);
    } catch (const std::exception&) {  // out of memory, in tinygltf's or the JSON library's hands
        DiscardOutputFile(files.gltf);
        DiscardOutputFile(files.bin);
        return 0;
    }
}

int32_t CommitGltfFiles(WrittenGltfFiles& files) {
    if (!files.with_bin) return CommitOutputFile(files.gltf);
    // The JSON file, which names the buffer, goes in place last.
    OutputFile* set[] = {&files.bin, &files.gltf};
    return CommitOutputFiles(set, 2);
}
