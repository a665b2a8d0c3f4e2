// The whole Convert on two inputs and the writer, into a scratch folder:
// "<original.obj>\n----\n<matching.obj>\n----\n<a.mtl>\n----\n<b.mtl>".
// Seeds name the libraries with "mtllib a.mtl" and "mtllib b.mtl".
//
// Before each run the targets new.obj and new.mtl hold earlier bytes. A run
// that fails must leave them as they were; a run that succeeds must leave a
// new.obj that loads again with the original's vertex count. Either way no
// other file may appear in the folder (no temporary left behind).
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "morph/convert.h"

namespace {

struct QuietHost : OperationHost {
    void ShowStatus(const char*) override {}
    void StepProgress() override {}
    void SetProgress(int32_t, int32_t) override {}
    int32_t AskToContinue(const char*, const char*) override { return 1; }
};

const char kEarlierObj[] = "# earlier new.obj\r\n";
const char kEarlierMtl[] = "# earlier new.mtl\r\n";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static ScratchFolder folder;

    folder.WriteParts(data, size, {"original.obj", "matching.obj", "a.mtl", "b.mtl"});
    folder.Write("new.obj", kEarlierObj);
    folder.Write("new.mtl", kEarlierMtl);

    QuietHost host;
    char message[kMessageCapacity] = "There was an error creating the morph.";
    int32_t code = ConvertFiles(folder.Join("original.obj").c_str(), folder.Join("matching.obj").c_str(),
                                folder.Join("new.obj").c_str(), &host, message);

    FUZZ_CHECK(code == 1 || (code >= -8 && code <= -2 && code != -6) );
    FUZZ_CHECK(Terminated(message));
    for (const std::string& entry : folder.Entries())
        FUZZ_CHECK(entry == "original.obj" || entry == "matching.obj" || entry == "a.mtl" || entry == "b.mtl" ||
                   entry == "new.obj" || entry == "new.mtl");
    if (code != 1) {
        FUZZ_CHECK(folder.Read("new.obj") == kEarlierObj);
        FUZZ_CHECK(folder.Read("new.mtl") == kEarlierMtl);
        return 0;
    }
    Model original, result;
    FUZZ_CHECK(original.LoadObj(folder.Join("original.obj").c_str()) == 1);
    FUZZ_CHECK(result.LoadObj(folder.Join("new.obj").c_str()) == 1);
    FUZZ_CHECK(result.vertex_count == original.vertex_count);
    CheckModel(result);
    return 0;
}
