// Files planted beside a new file where the program keeps its own (commit
// records, locks, leftovers): none of them makes a run touch a file it does
// not own, none makes it wait, and each refusal names the file and why.
#include <gtest/gtest.h>

#if !defined(_WIN32)
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <map>
#include <string>

#include "tests/wavefront/file_test_support.h"
#include "platform/files/output_file.h"
#include "platform/files/output_names.h"

namespace {

namespace fs = std::filesystem;

// Every entry under folder, pipes and links named, not read.
void List(const fs::path& folder, const std::string& prefix, Files& files) {
    for (const auto& entry : fs::directory_iterator(folder)) {
        std::string name = prefix + entry.path().filename().string();
        fs::file_status status = entry.symlink_status();
        if (fs::is_symlink(status)) files[name] = "<link to " + fs::read_symlink(entry).string() + ">";
        else if (fs::is_fifo(status)) files[name] = "<fifo>";
        else if (fs::is_directory(status)) files[name] = "<dir>", List(entry.path(), name + "/", files);
        else files[name] = Slurp(entry.path());
    }
}

const std::string kToken = "0123456789abcdef";

// A record as this program writes it, of the renames from -> to.
std::string Record(const std::vector<std::pair<std::string, std::string>>& renames, bool header = true) {
    std::string text = header ? "quandrelistaphor commit " + kToken + std::string(1, '\0') : "";
    for (const auto& [from, to] : renames) text += from + '\0' + to + '\0';
    return text;
}

}  // namespace

TEST(PlantedFilesTest, OnlyTheRunsOwnFilesAreTouched) {
    using Plant = std::function<void(const std::string& root)>;
    const std::string tmp = "new.obj~" + kToken + ".00000001.tmp";
    auto put = [](const std::string& path, const std::string& text) { Put(path, text); };
    struct Row {
        const char* what;
        Plant plant;
        Files changed;  // what differs after opening: name -> bytes, "" when gone
        int opened;
        std::string notice;
    } rows[] = {
        {"the run's own record rolls forward",
         [&](const std::string& r) { put(r + tmp, "finished"), put(r + "new.obj~commit", Record({{r + tmp, r + "new.obj"}})); },
         {{"new.obj", "finished"}, {tmp, ""}, {"new.obj~commit", ""}}, 1, ""},
        {"a victim in another folder",
         [&](const std::string& r) {
             put(r + "v/precious.obj~" + kToken + ".00000001.tmp", "evil");
             put(r + "new.obj~commit", Record({{r + "v/precious.obj~" + kToken + ".00000001.tmp", r + "v/precious.obj"}}));
         },
         {{"new.obj~commit", ""}}, 1, "Ignored 1 entries of the commit record \""},
        {"a victim through ..",
         [&](const std::string& r) {
             put(r + "v/new.obj~" + kToken + ".00000001.tmp", "evil");
             put(r + "new.obj~commit", Record({{r + "v/../v/new.obj~" + kToken + ".00000001.tmp", r + "v/../v/new.obj"}}));
         },
         {{"new.obj~commit", ""}}, 1, "Ignored 1 entries"},
        {"relative paths",
         [&](const std::string& r) { put(r + tmp, "evil"), put(r + "new.obj~commit", Record({{tmp, "new.obj"}})); },
         {{"new.obj~commit", ""}, {tmp, ""}}, 1, "Ignored 1 entries"},
        {"a backup put back over the current file",
         [&](const std::string& r) {
             put(r + "new.obj~" + kToken + ".00000002.bak", "old");
             put(r + "new.obj~commit", Record({{r + "new.obj~" + kToken + ".00000002.bak", r + "new.obj"}}));
         },
         {{"new.obj~commit", ""}, {"new.obj~" + kToken + ".00000002.bak", ""}}, 1, "Ignored 1 entries"},
        {"a record that is a link to another folder's",
         [&](const std::string& r) {
             put(r + "v/precious.obj~" + kToken + ".00000001.tmp", "evil");
             put(r + "v/x~commit", Record({{r + "v/precious.obj~" + kToken + ".00000001.tmp", r + "v/precious.obj"}}));
             fs::create_symlink(r + "v/x~commit", r + "new.obj~commit");
         },
         {}, 1, "Left alone the commit record \"@new.obj~commit\": it is a symbolic link."},
        {"a temporary that is a link",
         [&](const std::string& r) {
             fs::create_symlink(r + "v/precious.obj", r + tmp);
             put(r + "new.obj~commit", Record({{r + tmp, r + "new.obj"}}));
         },
         {{"new.obj~commit", ""}}, 1, "Ignored 1 entries"},
        {"a record without this program's header",
         [&](const std::string& r) { put(r + tmp, "evil"), put(r + "new.obj~commit", Record({{r + tmp, r + "new.obj"}}, false)); },
         {{tmp, ""}}, 1, "\": this program did not write it."},
        {"a record that is a pipe", [](const std::string& r) { mkfifo((r + "new.obj~commit").c_str(), 0600); }, {}, 1,
         ": it is a pipe, device or socket, not a file."},
        {"a record that is a folder", [](const std::string& r) { fs::create_directory(r + "new.obj~commit"); }, {}, 1,
         "Left alone the commit record \"@new.obj~commit\": Is a directory."},
        {"a user's files named like leftovers",
         [&](const std::string& r) { put(r + "new.obj~1.bak", "a"), put(r + "new.obj~cafe.bak", "b"), put(r + "new.mtl~7.tmp", "c"); },
         {}, 1, ""},
        // Only root can plant another user's files.
        {"another user's record",
         [&](const std::string& r) {
             put(r + tmp, "theirs"), put(r + "new.obj~commit", Record({{r + tmp, r + "new.obj"}}));
             (void)!chown((r + "new.obj~commit").c_str(), 1234, 1234);
         },
         {{tmp, ""}}, 1, "\": it belongs to another user."},
        {"another user's temporary",
         [&](const std::string& r) {
             put(r + tmp, "theirs"), put(r + "new.obj~commit", Record({{r + tmp, r + "new.obj"}}));
             (void)!chown((r + tmp).c_str(), 1234, 1234);
         },
         {{"new.obj~commit", ""}}, 1, "Ignored 1 entries"},
        {"a lock that is a link", [](const std::string& r) { fs::create_symlink(r + "v/precious.obj", r + "new.obj~lock"); },
         {}, 0, "Can't use the lock file \"@new.obj~lock\": it is a symbolic link."},
        {"a lock that is a pipe", [](const std::string& r) { mkfifo((r + "new.mtl~lock").c_str(), 0600); }, {}, 0,
         "Can't use the lock file \"@new.mtl~lock\": it is a pipe, device or socket, not a file."},
        {"a lock that is a folder", [](const std::string& r) { fs::create_directory(r + "new.obj~lock"); }, {}, 0,
         "Can't use the lock file \"@new.obj~lock\": Is a directory."},
        // The lock is the held lock, not the file: a file nobody holds stops nothing.
        {"a user's own file at the lock's name", [&](const std::string& r) { put(r + "new.obj~lock", "notes"); }, {}, 1,
         "Left alone the lock file \"@new.obj~lock\": this program did not write it."},
        {"a lock a killed run left", [&](const std::string& r) { put(r + "new.mtl~lock", "quandrelistaphor lock\n"); },
         {{"new.mtl~lock", ""}}, 1, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        if (std::string(row.what).rfind("another user", 0) == 0 && geteuid() != 0) continue;
        ScratchFolder folder;
        const std::string r = folder.path();
        folder.Write("new.obj", "earlier obj");
        folder.Write("v/precious.obj", "precious");
        folder.Write("v/new.obj", "precious too");
        fs::create_directory(r + "sub");
        row.plant(r);
        Files expected;
        List(r, "", expected);
        for (const auto& [name, bytes] : row.changed) {
            if (bytes.empty()) expected.erase(name);
            else expected[name] = bytes;
        }
        std::string notice = row.notice;
        if (size_t at = notice.find('@'); at != std::string::npos) notice.replace(at, 1, r);
        ASSERT_EQ(chdir(r.c_str()), 0);
        OutputFault fault;
        OutputFile obj, mtl;
        OutputFile* open[] = {&obj, &mtl};
        const std::string targets_text[] = {r + "new.obj", r + "new.mtl"};
        const char* targets[] = {targets_text[0].c_str(), targets_text[1].c_str()};
        EXPECT_EQ(OpenOutputFiles(open, targets, 2, 2, &fault), row.opened);
        DiscardOutputFile(obj), DiscardOutputFile(mtl);
        Files after;
        List(r, "", after);
        EXPECT_EQ(after, expected);
        if (notice.empty()) EXPECT_STREQ(fault.notice, "");
        else EXPECT_NE(std::string(fault.notice).find(notice), std::string::npos) << fault.notice;
    }
}

#endif
