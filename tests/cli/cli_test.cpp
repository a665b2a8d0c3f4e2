// Runs the real quandrelistaphor process: exit statuses, texts, the question
// on a terminal and without one.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

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

    // Runs start in root, or `depth` folders of 250 characters below it
    // (made by the run, step by step: their path is too long for one call).
    int depth = 0;

    [[noreturn]] void Exec(std::vector<std::string>& args) const {
        if (chdir(root.c_str()) != 0) _exit(120);
        const std::string step(250, 'd');
        for (int k = 0; k < depth; ++k)
            if ((mkdir(step.c_str(), 0700) != 0 && errno != EEXIST) || chdir(step.c_str()) != 0) _exit(121);
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
        {"convert", "a/original.obj", "b/matching.obj", "out/"},
        {"report", "a/original.obj", "b/matching.obj", "--output", "b/matching.obj"},
        {"report", "a/original.obj", "b/matching.obj", "--output", "b/../a/original.obj"}};
    for (const auto& args : wrong) {
        Result r = Run(args);
        EXPECT_EQ(r.status, 64) << (args.empty() ? "(none)" : args[0]);
        EXPECT_NE(r.err.find("Usage:"), std::string::npos);
        EXPECT_TRUE(r.out.empty());
    }
    EXPECT_EQ(Slurp(root + "a/original.obj").rfind("mtllib", 0), 0u);
    EXPECT_EQ(Slurp(root + "b/matching.obj").rfind("v 0 0 1", 0), 0u);
}

// A current directory too long to read would leave relative paths relative:
// they are refused, absolute ones still work.
TEST_F(CliTest, ACurrentDirectoryThatCantBeReadRefusesRelativePaths) {
    WritePair();
    depth = 17;
    Result relative = Run({"convert", "../original.obj", "../matching.obj", "new.obj"});
    EXPECT_EQ(relative.status, 64);
    EXPECT_NE(relative.err.find("the current directory can't be read"), std::string::npos) << relative.err;
    Result absolute = Run({"convert", root + "a/original.obj", root + "b/matching.obj", root + "new.obj"});
    EXPECT_EQ(absolute.status, 0) << absolute.err;
    depth = 0;
    EXPECT_EQ(std::system(("rm -rf '" + root + std::string(250, 'd') + "'").c_str()), 0);
}

TEST_F(CliTest, ConvertWithRelativePathsAfterTheLibraryMovedTheCurrentDirectory) {
    WritePair();
    Result r = Run({"convert", "a/original.obj", "b/matching.obj", "new.obj"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "The morph was created successfully.\n");
    EXPECT_EQ(r.err,
              "Loading original file...(please wait)\nLoading matching file...(please wait)\n"
              "Matching vertices...(please wait)\nSaving file...(please wait)\n");
    std::string text = Slurp(root + "new.obj");
    EXPECT_NE(text.find("v 1.000000 0.000000 0.000000\r\nv 0.000000 1.000000 0.000000\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nf 1 2 3 "), std::string::npos);
}

// The messages of every failure are pinned where Convert makes them; here
// what the front end adds: the exit status, LF line ends, absolute paths.
TEST_F(CliTest, FailuresPrintTheMessageAndExitWithOneMinusTheCode) {
    WritePair();
    folder.Write("c/four.obj", "v 0 0 1\nv 1 0 0\nv 0 1 0\nv 2 2 2\nf 2 3 1\n");
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{"convert", "", "b/matching.obj", "new.obj"}, 2, "There was an error creating the morph.\n"},
        {{"convert", "missing.obj", "b/matching.obj", "new.obj"}, 3,
         "There was an error loading the original morph file:\n\nfilepath: \"" + root + "missing.obj\"\n"},
        {{"convert", "a/original.obj", "b/matching.obj", "nowhere/new.obj"}, 5,
         "There was an error saving the new morph file:\n\nfilepath: \"" + root + "nowhere/new.obj\"\n"},
        {{"convert", "a/original.obj", "c/four.obj", "new.obj"}, 6,
         "There was an error creating the new morph file.\nVertex count does not match:\n\n"
         "original: 3 vertices\nmatching: 4 vertices\n"},
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
// is not taken) unless --yes; on a terminal the answer decides.
TEST_F(CliTest, FaceCountQuestion) {
    WritePair("f 1 2 3\n");
    struct Case {
        bool terminal;
        std::vector<std::string> args;
        std::string answer;
        int status;
        std::string err_part;
    } cases[] = {
        {false, {"convert", "a/original.obj", "b/matching.obj", "new.obj"}, "y\n", 9,
         "The total face count does not match:\n\noriginal: 1 faces\nmatching: 2 faces\n\nContinue anyway? [y/N]"},
        {false, {"convert", "--yes", "a/original.obj", "b/matching.obj", "new.obj"}, "", 0,
         "Saving file...(please wait)\n"},
        {true, {"convert", "a/original.obj", "b/matching.obj", "new.obj"}, "n\n", 9, "Continue anyway? [y/N] "},
        {true, {"convert", "a/original.obj", "b/matching.obj", "new.obj"}, "y\n", 0,
         "] 100% Saving file...(please wait)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "terminal " << c.terminal << " answer " << c.answer);
        Result r = c.terminal ? RunOnTerminal(c.args, c.answer) : Run(c.args, c.answer);
        EXPECT_EQ(r.status, c.status) << r.err;
        EXPECT_NE(r.err.find(c.err_part), std::string::npos) << r.err;
        EXPECT_EQ(fs::exists(root + "new.obj"), c.status == 0);
        fs::remove(root + "new.obj");
        fs::remove(root + "new.mtl");
    }
}

TEST_F(CliTest, ReportPrintsTextAndWritesOutputWithCrLf) {
    WritePair();
    Result r = Run({"report", "a/original.obj", "b/matching.obj", "--output", "out/report.txt"});
    EXPECT_EQ(r.status, 2);  // no folder "out": the file can't be written
    EXPECT_NE(r.err.find("There was an error creating the report file.  If another application\n"), std::string::npos);
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
    device = Run({"report", "a/original.obj", "b/matching.obj", "--output", "/dev/null"});
    EXPECT_EQ(device.status, 0) << device.err;
    EXPECT_EQ(device.out, r.out);

    Result plain = Run({"report", "a/original.obj", ""});
    EXPECT_EQ(plain.status, 0);
    EXPECT_NE(plain.out.find("Matching File\n-------------\n     object filepath: \"\"\n"
                             "              loaded: Failed to load or file does not exist\n"),
              std::string::npos);
}

// Control characters from a file (here a library name that would retitle
// the terminal) reach a terminal escaped, and the --output file as they are.
TEST_F(CliTest, ReportOnATerminalEscapesControlCharacters) {
    folder.Write("title.obj", "mtllib \x1b]0;owned\x07.mtl\nv 0 0 0\n");
    Result r = RunOnTerminal({"report", "title.obj", "title.obj", "--output", "report.txt"}, "");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.err.find("\\x1b]0;owned\\x07.mtl"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\x07'), std::string::npos);
    EXPECT_NE(Slurp(root + "report.txt").find("\x1b]0;owned\x07.mtl"), std::string::npos);
}

}  // namespace
