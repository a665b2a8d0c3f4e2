#pragma once
// The console side of a run over many files (batch, shapes): a progress bar
// with the current file's name on a terminal, one line per file on standard
// output in the order the files were given (done, or its exit status and
// message), a summary, and the face-count question asked one at a time.
// Every member may be called from any job's thread.
#include <cstdint>
#include <cstring>
#include <mutex>
#include <vector>

#include "cli/console_host.h"
#include "cli/json_writer.h"
#include "morph/convert.h"
#include "platform/reasons.h"

// How a run speaks: --json (one document on standard output at the end
// instead of the lines) and --quiet (no bar or status lines).
struct RunOutput {
    bool json = false;
    bool quiet = false;
    double tolerance = 0;  // as given: a run that ends early still says it
    bool automatic = false;
};

// What a run as a whole used, for its JSON document.
struct RunFacts {
    double tolerance = 0;
    bool automatic = false;
    int32_t ambiguous = -1;  // shapes: the vertices of MATCHING ambiguous within the tolerance; -1 unknown
    const PairingCheck* check = nullptr;  // shapes: the check of MATCHING's pairing, when it was made
    // shapes: how MATCHING shares the original's vertices (a part), when paired.
    const VertexSharing* sharing = nullptr;
    int32_t original_vertices = 0;
    bool strict = false;  // --strict: a file's diagnosis says when an ambiguous vertex refused it
};

class FileRun {
public:
    // `names` (count of them) are the files as they are shown, `outputs`
    // their new files; `yes` answers every question.
    FileRun(const char* const* names, int32_t count, bool yes, RunOutput output = {}, RunFacts facts = {});

    // File k starts: the bar shows its name.
    void Begin(int32_t k);
    // File k ended with `code` (1 done; else Convert's codes, the message
    // telling why); `note` (may be null or empty) is added to the line;
    // `check` (may be null) is the check of the file's own pairing;
    // `diagnosis` (may be null: nothing more to say) what its failure's
    // JSON says beyond the message, as convert's does.
    void End(int32_t k, int32_t code, const char* message, const char* note, const PairingCheck* check = nullptr,
             const ConvertDiagnostics* diagnosis = nullptr);
    // The face-count question of file k: the question names the file.
    int32_t Ask(int32_t k, const char* text, const char* title);
    // A line on standard error between the files' lines (a wait for
    // another run writing one of the new files).
    void Notice(const char* text);
    // The glTF file of the run (shapes --gltf) at `path` ended with `code`
    // (1 written, with `targets` morph targets and what the writing noted
    // in `note`; else its message and the system's reason). Its line comes
    // after the files'; a failure counts in the exit status when every file
    // was done.
    void EndGltf(const char* path, int32_t code, int32_t targets, const char* message, int32_t reason,
                 const char* note);
    // Prints the summary ("<command>: N of M files written, K failed"), or
    // the JSON document, and returns the exit status: 0 when every file was
    // done, else that of the first failed file in the order given.
    int Finish(const char* command);

private:
    struct Outcome {
        int32_t code = 0;
        bool ended = false;
        char text[kMessageCapacity + 352] = {};  // the file's line
        char message[kMessageCapacity] = {};     // --json: its message and note as given
        char note[kMessageCapacity] = {};
        bool checked = false;
        PairingCheck check;
    };
    struct GltfOutcome {
        bool given = false;
        int32_t code = 0;
        int32_t targets = 0;
        int32_t reason = 0;
        char path[kPathCapacity] = {};
        char message[kMessageCapacity] = {};
        char note[kMessageCapacity] = {};
    };
    void PrintGltf();  // under the lock
    void WriteGltfJson(JsonWriter& json);
    void PrintReady();  // under the lock
    void PrintJson(const char* command, int status, int32_t failed);  // under the lock
    void Draw(const char* name);  // under the lock

    std::mutex lock_;
    ConsoleHost console_;
    const char* const* names_;
    RunOutput output_;
    RunFacts facts_;
    std::vector<Outcome> outcomes_;
    std::vector<ConvertDiagnostics> diagnoses_;  // --json only: one a file
    GltfOutcome gltf_;
    int32_t printed_ = 0;
    int32_t ended_ = 0;
};

// The host an operation of one file runs with: its status and progress are
// the run's business, its question goes to the run.
struct FileHost : OperationHost {
    FileHost(FileRun& run, int32_t k) : run_(run), k_(k) {}
    // Of the statuses, only a wait for another run is the user's business.
    void ShowStatus(const char* text) override {
        if (text && std::strncmp(text, "waiting for another run", 23) == 0) run_.Notice(text);
    }
    void StepProgress() override {}
    void SetProgress(int32_t, int32_t) override {}
    int32_t AskToContinue(const char* text, const char* title) override { return run_.Ask(k_, text, title); }

private:
    FileRun& run_;
    int32_t k_;  // the file's place in the run
};

// Ctrl-C or SIGTERM ends a run over many files leaving nothing of it behind;
// the files reported done stay.
void EndFilesOnInterrupt();

// The exit status of an operation's code, as convert gives it.
inline int ExitStatus(int32_t code) { return 1 - code; }

// A convert's exit status: a new file that is an input is a mistake in the
// command, like a usage error (2), not a failed write.
inline int ConvertExitStatus(int32_t code, int32_t reason) {
    return code == -4 && reason == kReasonReplacesInput ? 2 : ExitStatus(code);
}

// The JSON document of a run that ended before its files (the original
// didn't load, DIR can't be used): its status, message and reason
// (platform/reasons.h; 0 for none), the tolerance given and no file written.
void PrintRunFailureJson(const char* command, int status, const char* message, int32_t reason,
                         const RunOutput& output);
