#include "cli/file_run.h"

#include <cstdio>
#include <cstring>

#include "cli/convert_json.h"
#include "cli/reasons.h"
#include "platform/text.h"
#include "platform/path_text.h"
#include "platform/files/interrupt.h"

namespace {

// The message on one line: its line ends become single blanks.
void Flatten(char* out, size_t capacity, const char* message) {
    size_t used = 0;
    bool blank = false;
    for (const char* p = message; *p && used + 1 < capacity; ++p) {
        if (*p == '\r' || *p == '\n') {
            blank = used > 0;
            continue;
        }
        if (blank && used + 2 < capacity) out[used++] = ' ';
        blank = false;
        out[used++] = *p;
    }
    out[used] = '\0';
}

}  // namespace

FileRun::FileRun(const char* const* names, int32_t count, bool yes, RunOutput output, RunFacts facts)
    : names_(names), output_(output), facts_(facts), outcomes_(count > 0 ? size_t(count) : 0),
      diagnoses_(output.json ? outcomes_.size() : 0) {
    console_.Attach(yes);
    console_.quiet = output.quiet;
    console_.output = stderr;
}

void EndFilesOnInterrupt() {
    const char line[] =
        "quandrelistaphor: interrupted: the files not reported done were not written; their earlier new files are "
        "untouched\n";
    char text[sizeof line + 1] = "\n";
    ConsoleHost console;
    console.Attach(false);
    // On a terminal the line starts below the bar.
    EndRunOnInterrupt(console.terminal ? (AppendText(text, line), text) : line, nullptr);
}

void FileRun::Notice(const char* text) {
    std::lock_guard<std::mutex> guard(lock_);
    console_.ClearLine();
    std::fprintf(stderr, "%s\n", text);
    std::fflush(stderr);
}

void FileRun::Draw(const char* name) {
    if (!console_.terminal) return;
    char status[kPathCapacity];
    std::snprintf(status, sizeof status, "%d/%d %s", ended_, int(outcomes_.size()), FileNamePart(name));
    console_.ShowStatus(status);
    console_.SetProgress(ended_, int32_t(outcomes_.size()));
}

void FileRun::Begin(int32_t k) {
    std::lock_guard<std::mutex> guard(lock_);
    Draw(names_[k]);
}

void FileRun::End(int32_t k, int32_t code, const char* message, const char* note, const PairingCheck* check,
                  const ConvertDiagnostics* diagnosis) {
    std::lock_guard<std::mutex> guard(lock_);
    Outcome& outcome = outcomes_[size_t(k)];
    outcome.code = code;
    outcome.checked = check != nullptr;
    if (check) outcome.check = *check;
    outcome.ended = true;
    ++ended_;
    // A shape paired by connectivity hands its message as its note too: a
    // failure says it once.
    if (code != 1 && note == message) note = nullptr;
    if (output_.json) {
        if (code != 1 && code != -8) CopyText(outcome.message, message ? message : "");
        CopyText(outcome.note, note ? note : "");
        if (diagnosis) diagnoses_[size_t(k)] = *diagnosis;
    }
    char flat[kMessageCapacity];
    if (code == 1) {
        Flatten(flat, sizeof flat, note ? note : "");
        std::snprintf(outcome.text, sizeof outcome.text, "%s: done%s%s", names_[k], flat[0] ? ", " : "", flat);
        if (output_.quiet && !flat[0]) outcome.text[0] = '\0';  // a done line that tells nothing more
    } else {
        Flatten(flat, sizeof flat, code == -8 ? "declined at the face-count question" : message);
        std::snprintf(outcome.text, sizeof outcome.text, "%s: failed, exit status %d: %s%s%s", names_[k],
                      ExitStatus(code), flat, note && note[0] ? "; " : "", note ? note : "");
    }
    PrintReady();
    Draw(names_[k]);
}

void FileRun::PrintReady() {
    if (output_.json) return;
    bool cleared = false;
    while (printed_ < int32_t(outcomes_.size()) && outcomes_[size_t(printed_)].ended) {
        if (!cleared) console_.ClearLine();
        cleared = true;
        const char* text = outcomes_[size_t(printed_++)].text;
        if (text[0]) std::printf("%s\n", text);
    }
    if (cleared) std::fflush(stdout);
}

int32_t FileRun::Ask(int32_t k, const char* text, const char* title) {
    std::lock_guard<std::mutex> guard(lock_);
    console_.ClearLine();
    // Several files may ask in turn: "Warning: <file>: The total face count ..."
    char named[kPathCapacity + 64];
    std::snprintf(named, sizeof named, "%s: %s", title ? title : "Warning", names_[k]);
    return console_.AskToContinue(text, named);
}

int FileRun::Finish(const char* command) {
    std::lock_guard<std::mutex> guard(lock_);
    console_.ClearLine();
    int32_t failed = 0;
    int status = 0;
    for (const Outcome& outcome : outcomes_) {
        if (outcome.code == 1) continue;
        if (failed++ == 0) status = ExitStatus(outcome.code);
    }
    // The glTF file holds the shapes done: with none, their failures said it all.
    if (gltf_.given && gltf_.code != 1 && status == 0) status = ExitStatus(gltf_.code);
    int32_t count = int32_t(outcomes_.size());
    if (output_.json) {
        PrintJson(command, status, failed);
        return status;
    }
    PrintGltf();
    if (!output_.quiet || failed > 0)
        std::printf("%s: %d of %d files written, %d failed\n", command, count - failed, count, failed);
    std::fflush(stdout);
    return status;
}

void FileRun::PrintJson(const char* command, int status, int32_t failed) {
    JsonWriter json(stdout);
    json.BeginObject();
    WriteJsonHeading(json, command);
    json.Integer("status", status);
    json.Boolean("success", status == 0);
    json.Null("message");
    json.BeginObject("tolerance");
    json.Number("value", facts_.tolerance);
    json.Boolean("automatic", facts_.automatic);
    json.End();
    if (facts_.ambiguous >= 0) json.Integer("ambiguous", facts_.ambiguous);
    if (facts_.check) WritePairingCheck(json, true, *facts_.check);
    if (facts_.sharing) WritePart(json, true, *facts_.sharing, facts_.original_vertices);
    json.Integer("written", int32_t(outcomes_.size()) - failed);
    json.Integer("failed", failed);
    json.BeginArray("files");
    for (size_t k = 0; k < outcomes_.size(); ++k) {
        const Outcome& outcome = outcomes_[k];
        json.BeginObject();
        json.Text("file", names_[k]);
        json.Integer("status", ExitStatus(outcome.code));
        json.Boolean("success", outcome.code == 1);
        json.Boolean("declined", outcome.code == -8);
        json.Message("message", outcome.code == 1 || outcome.code == -8 ? nullptr : outcome.message);
        json.Message("note", outcome.note[0] ? outcome.note : nullptr);
        WritePairingCheck(json, outcome.checked, outcome.check);
        WriteDiagnosis(json, outcome.code, facts_.strict, diagnoses_[k]);
        json.End();
    }
    json.End();
    WriteGltfJson(json);
    json.End();
}

void FileRun::EndGltf(const char* path, int32_t code, int32_t targets, const char* message, int32_t reason,
                      const char* note) {
    std::lock_guard<std::mutex> guard(lock_);
    gltf_.given = true;
    gltf_.code = code;
    gltf_.targets = targets;
    gltf_.reason = reason;
    CopyText(gltf_.path, path);
    CopyText(gltf_.message, code == 1 ? "" : message);
    CopyText(gltf_.note, note ? note : "");
}

void FileRun::PrintGltf() {
    if (!gltf_.given) return;
    char flat[kMessageCapacity];
    if (gltf_.code == 1) {
        Flatten(flat, sizeof flat, gltf_.note);
        if (!output_.quiet || flat[0])
            std::printf("%s: written, %d morph target%s%s%s\n", gltf_.path, gltf_.targets, gltf_.targets == 1 ? "" : "s",
                        flat[0] ? ", " : "", flat);
    } else {
        char reason[kReasonNoteCapacity] = "";
        FormatReason(gltf_.reason, reason, sizeof reason);
        Flatten(flat, sizeof flat, gltf_.message);
        std::printf("%s: failed, exit status %d: %s%s%s\n", gltf_.path, ExitStatus(gltf_.code), flat,
                    reason[0] ? "; " : "", reason);
    }
}

void FileRun::WriteGltfJson(JsonWriter& json) {
    if (!gltf_.given) return;
    json.BeginObject("gltf");
    json.Text("path", gltf_.path);
    json.Integer("status", ExitStatus(gltf_.code));
    json.Boolean("success", gltf_.code == 1);
    json.Integer("targets", gltf_.code == 1 ? gltf_.targets : 0);
    json.Message("message", gltf_.code == 1 ? nullptr : gltf_.message);
    json.Message("note", gltf_.note[0] ? gltf_.note : nullptr);
    WriteReason(json, gltf_.reason);
    json.End();
}

void PrintRunFailureJson(const char* command, int status, const char* message, int32_t reason,
                         const RunOutput& output) {
    JsonWriter json(stdout);
    json.BeginObject();
    WriteJsonHeading(json, command);
    json.Integer("status", status);
    json.Boolean("success", false);
    json.Message("message", message);
    json.BeginObject("tolerance");
    json.Number("value", output.tolerance);
    json.Boolean("automatic", output.automatic);
    json.End();
    json.Integer("written", 0);
    json.Integer("failed", 0);
    WriteReason(json, reason);
    json.BeginArray("files");
    json.End();
    json.End();
}
