// Runs the real quandrelistaphor process: exit statuses, texts, the question
// on a terminal and without one.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/morph/family_generator.h"
#include "tests/wavefront/file_test_support.h"

namespace {

namespace fs = std::filesystem;

struct Result {
    int status = -1;
    std::string out, err;
};

struct CliTest : ::testing::Test {
    ScratchFolder folder;
    const std::string root = fs::canonical(folder.path()).string() + "/";

    // Runs the program in root with standard input from a file (not a terminal).
    Result Run(std::vector<std::string> args, const std::string& input = "") {
        folder.Write(".stdin", input);
        pid_t pid = fork();
        if (pid == 0) {
            int in = open((root + ".stdin").c_str(), O_RDONLY);
            int out = open((root + ".stdout").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            int err = open((root + ".stderr").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(in, 0);
            dup2(out, 1);
            dup2(err, 2);
            Exec(args);
        }
        Result result;
        result.status = Wait(pid);
        result.out = Slurp(root + ".stdout");
        result.err = Slurp(root + ".stderr");
        for (const char* name : {".stdin", ".stdout", ".stderr"}) fs::remove(root + name);
        return result;
    }

    // Runs the program on a pseudo-terminal, typing `answer` once it asks.
    Result RunOnTerminal(std::vector<std::string> args, const std::string& answer) {
        int master = -1;
        pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
        if (pid == 0) Exec(args);
        Result result;
        char buffer[4096];
        bool answered = false;
        for (;;) {
            ssize_t n = read(master, buffer, sizeof buffer);
            if (n <= 0) break;
            result.err.append(buffer, size_t(n));
            if (!answered && result.err.find("[y/N] ") != std::string::npos) {
                answered = true;
                if (write(master, answer.data(), answer.size()) < 0) break;
            }
        }
        close(master);
        result.status = Wait(pid);
        return result;
    }

    [[noreturn]] void Exec(std::vector<std::string>& args) const {
        if (chdir(root.c_str()) != 0) _exit(120);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(QUANDRE_CLI));
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(QUANDRE_CLI, argv.data());
        _exit(127);
    }

    static int Wait(pid_t pid) {
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // A triangle pair: the original names a library in its own folder (loading
    // it moves the current directory there), the matching copy is permuted.
    // Text with the scratch folder's path left out, for golden files.
    std::string WithoutRoot(std::string text) const {
        for (size_t at = text.find(root); at != std::string::npos; at = text.find(root, at)) text.erase(at, root.size());
        return text;
    }

    void WritePair(const std::string& extra_matching_faces = "") {
        folder.Write("a/original.obj", "mtllib original.mtl\nv 1 0 0\nv 0 1 0\nv 0 0 1\nusemtl red\nf 1 2 3\n");
        folder.Write("a/original.mtl", "newmtl red\nKd 1 0 0\n");
        folder.Write("b/matching.obj", "v 0 0 1\nv 1 0 0\nv 0 1 0\nf 2 3 1\n" + extra_matching_faces);
    }
};

TEST_F(CliTest, HelpVersionAndUsageErrors) {
    WritePair();
    Result help = Run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("quandrelistaphor convert ORIGINAL MATCHING NEW [--yes]"), std::string::npos);
    EXPECT_NE(help.out.find("  64  usage error"), std::string::npos);
    Result version = Run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("quandrelistaphor ", 0), 0u);

    const std::vector<std::vector<std::string>> wrong = {
        {}, {"morph", "a", "b"}, {"convert", "a", "b"}, {"convert", "a", "b", "c", "d"},
        {"report", "a"}, {"report", "a", "b", "--yes"}, {"convert", "a", "b", "c", "--output", "x"},
        {"convert", "a", "b", "c", "--frobnicate"}, {"report", "a", "b", "--output"},
        {"convert", "a", "b", "c", "--tolerance", "-1"}, {"convert", "a", "b", "c", "--tolerance", "1e-6x"},
        {"convert", "a", "b", "c", "--tolerance", "inf"}, {"report", "a", "b", "--strict"},
        {"convert", "a/original.obj", "b/matching.obj", "out/"},
        {"report", "a/original.obj", "b/matching.obj", "--output", "b/matching.obj"},
        {"report", "a/original.obj", "b/matching.obj", "--output", "b/../a/original.obj"},
        {"convert", "a", "b", "c", "--by", "shape"}, {"convert", "a", "b", "c", "--seed", "1,2,3=1,2,3"},
        {"convert", "a", "b", "c", "--by", "topology", "--seed", "1,2=1,2,3"},
        {"shapes", "a", "b", "--out-dir", "o", "--by", "nearest"}, {"shapes", "a", "--out-dir", "o", "--by", "topology"}};
    for (const auto& args : wrong) {
        Result r = Run(args);
        EXPECT_EQ(r.status, 64) << (args.empty() ? "(none)" : args[0]);
        EXPECT_NE(r.err.find("Usage:"), std::string::npos);
        EXPECT_TRUE(r.out.empty());
    }
    EXPECT_EQ(Slurp(root + "a/original.obj").rfind("mtllib", 0), 0u);
    EXPECT_EQ(Slurp(root + "b/matching.obj").rfind("v 0 0 1", 0), 0u);
}

// The messages of every failure are pinned where Convert makes them; here
// what the front end adds: the exit status, LF line ends, absolute paths,
// the diagnosis after the message.
TEST_F(CliTest, FailuresPrintTheMessageAndExitWithOneMinusTheCode) {
    WritePair();
    folder.Write("c/four.obj", "v 0 0 1\nv 1 0 0\nv 0 1 0\nv 2 2 2\nf 2 3 1\n");
    struct Case { std::vector<std::string> args; int status; std::string err; } cases[] = {
        {{"convert", "", "b/matching.obj", "new.obj"}, 2, "There was an error creating the morph.\n"},
        {{"convert", "missing.obj", "b/matching.obj", "new.obj"}, 3,
         "There was an error loading the original morph file:\n\nfilepath: \"" + root +
             "missing.obj\"\nreason: No such file or directory\n"},
        {{"convert", "a/original.obj", "b/matching.obj", "nowhere/new.obj"}, 5,
         "There was an error saving the new morph file:\n\nfilepath: \"" + root +
             "nowhere/new.obj\"\nreason: No such file or directory\n"},
        {{"convert", "a/original.obj", "c/four.obj", "new.obj"}, 6,
         "There was an error creating the new morph file.\nVertex count does not match:\n\n"
         "original: 3 vertices\nmatching: 4 vertices\n1 matching vertices sit at no position of the original\n"
         "  split: 0 original vertices would be shared by several matching vertices\n"
         "  welded: 0 original vertices would have no matching vertex\n--allow-count-change converts a copy whose "
         "vertices were split or welded (with --tolerance when its positions moved)\n"},
    };
    for (const Case& c : cases) {
        Result r = Run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args[1] << " " << c.args[2] << "\n" << r.err;
        ASSERT_GE(r.err.size(), c.err.size());
        EXPECT_EQ(r.err.substr(r.err.size() - c.err.size()), c.err);
        EXPECT_TRUE(r.out.empty());
    }
    EXPECT_FALSE(fs::exists(root + "new.obj"));
}

// Without a terminal the question is declined (an answer on standard input
// is not taken) unless --yes; on a terminal the answer decides. batch's
// question names the file it is about.
TEST_F(CliTest, FaceCountQuestion) {
    WritePair("f 1 2 3\n");
    struct Case {
        bool terminal;
        std::vector<std::string> args;
        std::string answer;
        int status;
        std::string err_part;
        std::string made = "new.obj";
    };
    const Case cases[] = {
        {false, {"convert", "a/original.obj", "b/matching.obj", "new.obj"}, "y\n", 9,
         "The total face count does not match:\n\noriginal: 1 faces\nmatching: 2 faces\n\nContinue anyway? [y/N]"},
        {false, {"convert", "--yes", "a/original.obj", "b/matching.obj", "new.obj"}, "", 0,
         "Saving file...(please wait)\n"},
        {true, {"convert", "a/original.obj", "b/matching.obj", "new.obj"}, "n\n", 9, "Continue anyway? [y/N] "},
        {true, {"convert", "a/original.obj", "b/matching.obj", "new.obj"}, "y\n", 0,
         "] 100% Saving file...(please wait)"},
        {true, {"batch", "a/original.obj", "b/matching.obj", "--out-dir", "new"}, "y\n", 0,
         "Warning: b/matching.obj: The total face count does not match:", "new/matching.obj"},
        {false, {"batch", "a/original.obj", "b/matching.obj", "--out-dir", "new"}, "", 9,
         "Warning: b/matching.obj: The total face count", "new/matching.obj"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "terminal " << c.terminal << " answer " << c.answer);
        Result r = c.terminal ? RunOnTerminal(c.args, c.answer) : Run(c.args, c.answer);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.err_part), std::string::npos) << r.err;
        EXPECT_EQ(fs::exists(root + c.made), c.status == 0);
        fs::remove(root + "new.obj"), fs::remove(root + "new.mtl"), fs::remove_all(root + "new");
    }
}

TEST_F(CliTest, ReportPrintsTextAndWritesOutputWithCrLf) {
    WritePair();
    Result r = Run({"report", "a/original.obj", "b/matching.obj", "--output", "out/report.txt"});
    EXPECT_EQ(r.status, 2);  // no folder "out": the file can't be written
    EXPECT_NE(r.err.find("There was an error creating the report file:\n\nfilepath: \"" + root + "out/report.txt\"\n"),
              std::string::npos) << r.err;
    EXPECT_NE(r.err.find("\nreason: No such file or directory\n"), std::string::npos) << r.err;

    r = Run({"report", "a/original.obj", "b/matching.obj", "--output", "report.txt"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("\nQuandrelistaphor Report\n", 0), 0u);
    EXPECT_NE(r.out.find("     object filepath: \"" + root + "a/original.obj\"\n              loaded: yes\n"),
              std::string::npos) << r.out;
    EXPECT_NE(r.out.find("   material filepath: \"" + root + "a/original.mtl\"\n              loaded: yes\n"),
              std::string::npos) << r.out;
    std::string crlf;
    for (char c : r.out) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(Slurp(root + "report.txt"), crlf);

    // Devices are written straight; standard output gets the report twice, CR LF first.
    Result device = Run({"report", "a/original.obj", "b/matching.obj", "--output", "/dev/stdout"});
    EXPECT_EQ(device.status, 0) << device.err;
    EXPECT_EQ(device.out, crlf + r.out);
}

// The corpus of copies as other programs hand them back: what each run says
// (tests/data/cli/corpus_runs.txt holds every run's exit status and standard
// error), and that a run which pairs a copy within a tolerance or with
// another vertex count writes what the exact run on the unmoved copy writes.
TEST_F(CliTest, CorpusRunsSayWhatWentWrongAndMatchTheExactConversion) {
    const std::string corpus = QUANDRE_TEST_DATA "/corpus/";
    enum Compare { kNothing, kWhole, kVertices, kNoFile, kNoLibrary };
    struct Case {
        std::vector<std::string> args;  // original, matching, options
        Compare compare;
    } cases[] = {
        {{"original.obj", "reordered.obj"}, kWhole}, {{"original.obj", "rotated.obj"}, kNoFile},
        {{"original.obj", "rotated.obj", "--tolerance", "auto"}, kWhole},
        {{"original.obj", "rotated.obj", "--tolerance", "1e-7"}, kNoFile},
        {{"original.obj", "rotated.obj", "--tolerance", "1"}, kWhole},
        {{"original.obj", "rotated.obj", "--tolerance", "1", "--strict"}, kNoFile},
        {{"sixdigits_base.obj", "sixdigits.obj"}, kNoFile},
        {{"sixdigits_base.obj", "sixdigits.obj", "--tolerance", "auto", "--strict"}, kNothing},
        {{"original.obj", "welded.obj"}, kNoFile},
        {{"original.obj", "welded.obj", "--allow-count-change"}, kVertices},
        {{"original.obj", "split.obj", "--tolerance", "auto"}, kNoFile},
        {{"original.obj", "split.obj", "--allow-count-change"}, kWhole},
        {{"original.obj", "nolibrary.obj"}, kNoLibrary},
    };
    // The exact conversion of the unmoved copy, written first.
    std::string reference, transcript;
    auto material_names = [](const std::string& text) {  // of the usemtl lines, line ends left out
        std::set<std::string> names;
        for (size_t at = text.find("\nusemtl "); at != std::string::npos; at = text.find("\nusemtl ", at + 1))
            names.insert(text.substr(at + 8, text.find_first_of("\r\n", at + 8) - at - 8));
        return names;
    };
    auto vertex_lines = [](const std::string& text) {
        std::string lines;
        for (size_t at = text.find("\nv "); at != std::string::npos; at = text.find("\nv ", at + 1))
            lines += text.substr(at, text.find('\n', at + 1) - at);
        return lines;
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"convert", corpus + c.args[0], corpus + c.args[1], "new.obj"};
        args.insert(args.end(), c.args.begin() + 2, c.args.end());
        Result r = Run(args);
        transcript += "$ convert";
        for (const std::string& a : c.args) transcript += " " + a;
        transcript += "\nexit " + std::to_string(r.status) + "\n" + r.out + WithoutRoot(r.err) + "\n";
        std::string written = fs::exists(root + "new.obj") ? Slurp(root + "new.obj") : "";
        SCOPED_TRACE(c.args[1] + (c.args.size() > 2 ? " " + c.args[2] : ""));
        if (reference.empty()) reference = written;
        switch (c.compare) {
            case kWhole: EXPECT_EQ(written, reference); break;
            case kVertices: EXPECT_EQ(vertex_lines(written), vertex_lines(reference)); break;
            case kNoFile: EXPECT_FALSE(fs::exists(root + "new.obj")); break;
            case kNoLibrary:  // every usemtl line and the library line kept, no library made up
                EXPECT_EQ(material_names(written), material_names(Slurp(corpus + c.args[1])));
                EXPECT_EQ(material_names(written).size(), 2u);
                EXPECT_NE(written.find("\nmtllib missing.mtl\r\n"), std::string::npos);
                EXPECT_FALSE(fs::exists(root + "new.mtl"));
                break;
            case kNothing: break;
        }
        fs::remove(root + "new.obj");
        fs::remove(root + "new.mtl");
    }
    ASSERT_FALSE(reference.empty());
    if (const char* update = std::getenv("QUANDRE_WRITE_GOLDEN")) Put(update, transcript);
    EXPECT_EQ(transcript, Slurp(QUANDRE_TEST_DATA "/cli/corpus_runs.txt"));
}

// Details follow the report text, on standard output and in the file; a path
// too long to keep is an unwritable one.
TEST_F(CliTest, ReportDetails) {
    const std::string corpus = QUANDRE_TEST_DATA "/corpus/";
    Result plain = Run({"report", corpus + "original.obj", corpus + "welded.obj"});
    Result r = Run({"report", corpus + "original.obj", corpus + "welded.obj", "--details", "--output", "report.txt"});
    EXPECT_EQ(r.status, 0) << r.err;
    ASSERT_EQ(r.out.rfind(plain.out, 0), 0u);
    EXPECT_EQ(r.out.substr(plain.out.size()), Slurp(QUANDRE_TEST_DATA "/cli/corpus_details.txt"));
    std::string crlf;
    for (char c : r.out) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(Slurp(root + "report.txt"), crlf);

    Result long_path = Run({"report", corpus + "original.obj", corpus + "welded.obj", "--output", std::string(300, 'x')});
    EXPECT_EQ(long_path.status, 2);
    EXPECT_EQ(long_path.out, plain.out);
}

}  // namespace

// Runs over many files: a generated family (tests/morph/family_generator.h).
TEST_F(CliTest, BatchAndShapesWriteTheSameFilesForAnyNumberOfJobs) {
    family::Family family(8, 0, 5);
    family.WriteAll(folder);
    folder.Write("in/broken.obj", "v 1 2 3\nf 1 1 1\n");
    folder.Write("in/extra.obj", Slurp(root + "in/matching.obj") + "f 1 2 3\n");
    // Under other folders, names whose new files would share a library with in/matching.obj's.
    folder.Write("in/copy/matching", Slurp(root + "in/matching.obj"));
    folder.Write("in/copy/matching.mtl", Slurp(root + "in/matching.obj"));
    const std::string same_library = ": failed, exit status 5: Another file of this run has the same name or material "
                                     "library: filepath: \"" + root + "in/matching.obj\"\n";
    struct Case { std::vector<std::string> args; int status; std::string out; } cases[] = {
        {{"batch", "in/base.obj", "in/matching.obj", "in/broken.obj", "in/missing.obj", "in/shape_5.obj"}, 6,
         "in/matching.obj: done\n"
         "in/broken.obj: failed, exit status 6: There was an error creating the new morph file. Vertex count does "
         "not match: original: 64 vertices matching: 1 vertices; 1 matching vertices sit at no position of the "
         "original; split 0, welded 64; --allow-count-change converts a copy whose vertices were split or welded "
         "(with --tolerance when its positions moved)\n"
         "in/missing.obj: failed, exit status 4: There was an error loading the matching morph file: filepath: \"" +
             root + "in/missing.obj\"; reason: No such file or directory\n"
             "in/shape_5.obj: done\nbatch: 2 of 4 files written, 2 failed\n"},
        {{"shapes", "in/base.obj", "in/matching.obj", "in/shape_0.obj", "in/broken.obj", "in/shape_1.obj",
          "in/shape_5.obj"},
         6,
         "in/shape_0.obj: done\n"
         "in/broken.obj: failed, exit status 6: There was an error creating the new morph file. Vertex count does "
         "not match: matching: 64 vertices shape: 1 vertices\n"
         "in/shape_1.obj: done\nin/shape_5.obj: done\nshapes: 3 of 4 files written, 1 failed\n"},
        {{"shapes", "in/base.obj", "in/broken.obj", "in/shape_0.obj"}, 6, ""},
        {{"batch", "in/base.obj", "in/extra.obj", "in/matching.obj"}, 9,
         "in/extra.obj: failed, exit status 9: declined at the face-count question\nin/matching.obj: done\n"
         "batch: 1 of 2 files written, 1 failed\n"},
        {{"batch", "in/base.obj", "in/extra.obj", "--yes"}, 0,
         "in/extra.obj: done, warning: 1 face of the matching file is not a face of the original once renumbered; "
         "it is f 12 30 56 (the original's vertex numbers)\nbatch: 1 of 1 files written, 0 failed\n"},
        {{"batch", "in/base.obj", "in/matching.obj", "in/copy/matching", "in/copy/matching.mtl"}, 5,
         "in/matching.obj: done\nin/copy/matching" + same_library + "in/copy/matching.mtl" + same_library +
             "batch: 1 of 3 files written, 2 failed\n"},
        {{"shapes", "in/base.obj", "in/matching.obj", "in/shape_0.obj", "in/missing.obj"}, 4,
         "in/shape_0.obj: done\nin/missing.obj: failed, exit status 4: There was an error loading the shape file: "
         "filepath: \"" + root + "in/missing.obj\"; reason: No such file or directory\n"
         "shapes: 1 of 2 files written, 1 failed\n"},
        {{"batch", "in/base.obj", "in/matching.obj", "in/matching.obj"}, 5,
         "in/matching.obj: done\nin/matching.obj: failed, exit status 5: Another file of this run has the same "
         "name: filepath: \"" + root + "in/matching.obj\"\nbatch: 1 of 2 files written, 1 failed\n"},
    };
    for (const Case& c : cases) {
        Files first;
        for (const char* jobs : {"1", "4"}) {
            SCOPED_TRACE(c.args[0] + " --jobs " + jobs);
            std::vector<std::string> args = c.args;
            for (const char* option : {"--out-dir", "out", "--jobs", jobs}) args.push_back(option);
            Result r = Run(args);
            EXPECT_EQ(r.status, c.status) << r.err;
            EXPECT_EQ(r.out, c.out);
            Files written = FilesIn(root + "out");
            // Each file done is there: a shape with the base's library, a copy without one.
            size_t done = 0;
            for (size_t at = c.out.find(": done"); at != std::string::npos; at = c.out.find(": done", at + 1)) ++done;
            EXPECT_EQ(written.size(), (c.args[0] == "shapes" ? 2 : 1) * done);
            if (first.empty()) first = written;
            EXPECT_EQ(written, first);
            fs::remove_all(root + "out");
        }
    }
}

TEST_F(CliTest, InputsAreNeverWrittenOver) {
    family::Family family(4, 0, 5);
    family.WriteAll(folder);
    const Files before = FilesIn(root + "in");
    Result r = Run({"batch", "in/base.obj", "in/matching.obj", "--out-dir", "in"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("the output folder holds the input file " + root + "in/base.obj"), std::string::npos);
    r = Run({"batch", "in/base.obj", "in/matching.obj", "in/shape_0.obj", "--out-dir", "in/", "--force"});
    EXPECT_EQ(r.status, 5) << r.out;
    EXPECT_NE(r.out.find("in/matching.obj: failed, exit status 5: The new morph file would replace an input file"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(FilesIn(root + "in"), before);
    // On a terminal a bar carries the name of the file at work.
    r = RunOnTerminal({"shapes", "in/base.obj", "in/matching.obj", "in/shape_0.obj", "--out-dir", "out"}, "");
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(r.err.find("] 100% 1/1 shape_0.obj"), std::string::npos) << r.err;
}

// A new file that is an input, or an input's library, however its path is
// spelled, is refused before anything is written: every input stays.
TEST_F(CliTest, ConvertNeverWritesOverAnInput) {
    WritePair("usemtl red\n");
    folder.Write("b/matching.mtl", "newmtl red\n");
    fs::create_symlink(root + "a/original.obj", root + "link.obj");
    fs::create_hard_link(root + "b/matching.obj", root + "hard.obj");
    const struct { std::string new_path, sentence; } cases[] = {
        {"a/original.obj", "The new file is the original file,"},
        {"b/matching.obj", "The new file is the matching file,"},
        {"b/../a/original.obj", "The new file is the original file,"},
        {"link.obj", "The new file is the original file,"},
        {"hard.obj", "The new file is the matching file,"},
        {"a/original.mtl", "The new file is the original file's material library,"},
        {"a/original", "The new file's material library is the original file's material library,"},
    };
    const Files before = FilesIn(root + "a"), before_b = FilesIn(root + "b");
    for (const auto& c : cases) {
        Result r = Run({"convert", "a/original.obj", "b/matching.obj", c.new_path});
        EXPECT_EQ(r.status, 2) << c.new_path;
        EXPECT_NE(r.err.find(c.sentence + " which is never written over."), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("reason: the new file would be written over an input file"), std::string::npos);
        EXPECT_TRUE(FilesIn(root + "a") == before && FilesIn(root + "b") == before_b) << c.new_path;
    }
}

// A report is printed whatever loaded; its status says which file didn't,
// with the message and reason convert gives.
TEST_F(CliTest, ReportStatusSaysWhichFileDidNotLoad) {
    WritePair();
    const struct { std::string original, matching; int status; std::string err; } cases[] = {
        {"a/original.obj", "b/matching.obj", 0, ""},
        {"gone.obj", "b/matching.obj", 3, "original morph file:\n\nfilepath: \"" + root + "gone.obj\"\nreason: No such"},
        {"a/original.obj", "a/original.mtl", 4, "matching morph file:\n\nfilepath: \"" + root +
             "a/original.mtl\"\nreason: not an OBJ file"},
        {"gone.obj", "b/gone.obj", 3, "matching morph file:\n\nfilepath: \"" + root + "b/gone.obj\"\nreason: No such"},
    };
    for (const auto& c : cases) {
        Result r = Run({"report", c.original, c.matching});
        EXPECT_EQ(r.status, c.status) << c.original << " " << c.matching;
        EXPECT_EQ(r.out.rfind("\nQuandrelistaphor Report\n", 0), 0u);
        EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
}

namespace {

// A run in the background whose standard error the test reads as it comes.
struct Running {
    pid_t pid = -1;
    int err = -1;
    std::string text;

    // Reads until `part` has come (true) or the run ended or 60 s passed.
    bool WaitFor(const std::string& part) {
        for (int polls = 0; text.find(part) == std::string::npos && polls < 6000; ++polls) {
            char buffer[4096];
            ssize_t n = read(err, buffer, sizeof buffer);
            if (n == 0) return false;
            if (n > 0) text.append(buffer, size_t(n));
            else usleep(10000);
        }
        return text.find(part) != std::string::npos;
    }
    int Stop(int signal) {
        kill(pid, signal);
        WaitFor("\n\xff");  // the rest, to the end
        close(err);
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
};

Running Start(const std::string& root, std::vector<std::string> args) {
    int pipe_ends[2];
    EXPECT_EQ(pipe(pipe_ends), 0);
    Running run;
    run.pid = fork();
    if (run.pid == 0) {
        dup2(pipe_ends[1], 2);
        int none = open("/dev/null", O_RDWR);
        dup2(none, 0), dup2(none, 1);
        if (chdir(root.c_str()) != 0) _exit(120);
        std::vector<char*> argv{const_cast<char*>(QUANDRE_CLI)};
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(QUANDRE_CLI, argv.data());
        _exit(127);
    }
    close(pipe_ends[1]);
    fcntl(pipe_ends[0], F_SETFL, O_NONBLOCK);
    run.err = pipe_ends[0];
    return run;
}

}  // namespace

// Ctrl-C or SIGTERM at any step leaves nothing of the run behind, and the
// earlier new file as it was.
TEST_F(CliTest, InterruptedRunsLeaveNothingBehind) {
    family::Family family(700, 0, 5);
    family.WriteAll(folder);
    folder.Write("out/new.obj", "earlier");
    folder.Write("out/new.mtl", "earlier library");
    const Files before = FilesIn(root + "out");
    // Saving, the signal comes once the temporaries are there.
    auto temporaries = [&] {
        size_t count = 0;
        for (const auto& entry : fs::directory_iterator(root + "out"))
            count += entry.path().filename().string().find(".tmp") != std::string::npos;
        return count;
    };
    const struct { const char* step; int signal, status; } cases[] = {
        {"Loading original file", SIGINT, 130}, {"Matching vertices", SIGINT, 130},
        {"Saving file", SIGINT, 130}, {"Saving file", SIGTERM, 143}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.step);
        Running run = Start(root, {"convert", "in/base.obj", "in/matching.obj", "out/new.obj", "--jobs", "1"});
        ASSERT_TRUE(run.WaitFor(c.step)) << run.text;
        for (int polls = 0; c.step[0] == 'S' && temporaries() == 0 && polls < 200000; ++polls) {
        }
        if (c.step[0] == 'S') {
            EXPECT_EQ(temporaries(), 1u);  // the matching file has no library
        }
        EXPECT_EQ(run.Stop(c.signal), c.status) << run.text;
        EXPECT_NE(run.text.find("interrupted: nothing was written; the earlier " + root +
                                "out/new.obj, if any, is untouched\n"),
                  std::string::npos)
            << run.text;
        EXPECT_TRUE(FilesIn(root + "out") == before);
    }
}

// A run onto a new file that another run is writing says so after a second
// and can be stopped there.
TEST_F(CliTest, WaitingForAnotherRunIsToldAndCanBeStopped) {
    WritePair();
    folder.Write("new.obj", "earlier");
    int lock = open((root + "new.obj~lock").c_str(), O_RDWR | O_CREAT, 0644);
    ASSERT_EQ(flock(lock, LOCK_EX), 0);
    const Files before = FilesIn(root);
    Running run = Start(root, {"convert", "a/original.obj", "b/matching.obj", "new.obj"});
    EXPECT_TRUE(run.WaitFor("waiting for another run writing " + root + "new.obj ...\n")) << run.text;
    EXPECT_EQ(run.Stop(SIGINT), 130) << run.text;
    EXPECT_EQ(FilesIn(root), before);
    close(lock);
}
