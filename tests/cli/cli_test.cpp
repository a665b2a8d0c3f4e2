// Runs the real quandrelistaphor process: exit statuses, texts, the question
// on a terminal and without one.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

struct Result {
    int status = -1;
    std::string out, err;
};

std::string ReadBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

struct CliTest : ::testing::Test {
    fs::path root;
    void SetUp() override {
        std::random_device device;
        root = fs::temp_directory_path() / ("quandre_cli_" + std::to_string(device()) + std::to_string(device()));
        fs::create_directories(root);
        root = fs::canonical(root);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root, ignored);
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        fs::create_directories((root / name).parent_path());
        std::ofstream(root / name, std::ios::binary) << bytes;
        return (root / name).string();
    }

    // Runs the program in root with standard input from a file (not a terminal).
    Result Run(std::vector<std::string> args, const std::string& input = "") {
        Write(".stdin", input);
        pid_t pid = fork();
        if (pid == 0) {
            if (chdir(root.c_str()) != 0) _exit(120);
            int in = open(".stdin", O_RDONLY);
            int out = open(".stdout", O_WRONLY | O_CREAT | O_TRUNC, 0600);
            int err = open(".stderr", O_WRONLY | O_CREAT | O_TRUNC, 0600);
            dup2(in, 0);
            dup2(out, 1);
            dup2(err, 2);
            Exec(args);
        }
        Result result;
        int status = 0;
        waitpid(pid, &status, 0);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        result.out = ReadBytes(root / ".stdout");
        result.err = ReadBytes(root / ".stderr");
        fs::remove(root / ".stdin");
        fs::remove(root / ".stdout");
        fs::remove(root / ".stderr");
        return result;
    }

    // Runs the program on a pseudo-terminal, typing `answer` once it asks.
    Result RunOnTerminal(std::vector<std::string> args, const std::string& answer) {
        int master = -1;
        pid_t pid = forkpty(&master, nullptr, nullptr, nullptr);
        if (pid == 0) {
            if (chdir(root.c_str()) != 0) _exit(120);
            Exec(args);
        }
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
        int status = 0;
        waitpid(pid, &status, 0);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return result;
    }

    [[noreturn]] static void Exec(std::vector<std::string>& args) {
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(QUANDRE_CLI));
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(QUANDRE_CLI, argv.data());
        _exit(127);
    }

    // A triangle pair: the original names a library in its own folder (loading
    // it moves the current directory there), the matching copy is permuted.
    void WritePair(const std::string& extra_matching_faces = "") {
        Write("a/original.obj", "mtllib original.mtl\nv 1 0 0\nv 0 1 0\nv 0 0 1\nusemtl red\nf 1 2 3\n");
        Write("a/original.mtl", "newmtl red\nKd 1 0 0\n");
        Write("b/matching.obj", "v 0 0 1\nv 1 0 0\nv 0 1 0\nf 2 3 1\n" + extra_matching_faces);
    }
};

TEST_F(CliTest, HelpVersionAndUsageErrors) {
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
        {"convert", "a", "b", "c", "--frobnicate"}, {"report", "a", "b", "--output"}};
    for (const auto& args : wrong) {
        Result r = Run(args);
        EXPECT_EQ(r.status, 64) << (args.empty() ? "(none)" : args[0]);
        EXPECT_NE(r.err.find("Usage:"), std::string::npos);
        EXPECT_TRUE(r.out.empty());
    }
}

TEST_F(CliTest, ConvertWithRelativePathsAfterTheLibraryMovedTheCurrentDirectory) {
    WritePair();
    Result r = Run({"convert", "a/original.obj", "b/matching.obj", "new.obj"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "The morph was created successfully.\n");
    EXPECT_EQ(r.err,
              "Loading original file...(please wait)\nLoading matching file...(please wait)\n"
              "Matching vertices...(please wait)\nSaving file...(please wait)\n");
    std::string text = ReadBytes(root / "new.obj");
    EXPECT_NE(text.find("v 1.000000 0.000000 0.000000\r\nv 0.000000 1.000000 0.000000\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nf 1 2 3 "), std::string::npos);
}

TEST_F(CliTest, FailuresPrintTheMessageAndExitWithOneMinusTheCode) {
    WritePair();
    Write("c/four.obj", "v 0 0 1\nv 1 0 0\nv 0 1 0\nv 2 2 2\nf 2 3 1\n");
    Write("c/moved.obj", "v 0 0 1\nv 1 0.5 0\nv 0 1 0\nf 2 3 1\n");
    std::string dir = root.string() + "/";
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{"convert", "", "b/matching.obj", "new.obj"}, 2, "There was an error creating the morph.\n"},
        {{"convert", "missing.obj", "b/matching.obj", "new.obj"}, 3,
         "There was an error loading the original morph file:\n\nfilepath: \"" + dir + "missing.obj\"\n"},
        {{"convert", "a/original.obj", "b/none.obj", "new.obj"}, 4,
         "There was an error loading the matching morph file:\n\nfilepath: \"" + dir + "b/none.obj\"\n"},
        {{"convert", "a/original.obj", "b/matching.obj", "nowhere/new.obj"}, 5,
         "There was an error saving the new morph file:\n\nfilepath: \"" + dir + "nowhere/new.obj\"\n"},
        {{"convert", "a/original.obj", "c/four.obj", "new.obj"}, 6,
         "There was an error creating the new morph file.\nVertex count does not match:\n\n"
         "original: 3 vertices\nmatching: 4 vertices\n"},
        {{"convert", "a/original.obj", "c/moved.obj", "new.obj"}, 8,
         "There was an error creating the new morph file.\nUnable to match all vertices:\n\n"
         "num_matches: 1\ntotal_vertices: 3\n"},
    };
    for (const Case& c : cases) {
        Result r = Run(c.args);
        EXPECT_EQ(r.status, c.status) << c.args[1] << " " << c.args[2] << "\n" << r.err;
        ASSERT_GE(r.err.size(), c.err.size());
        EXPECT_EQ(r.err.substr(r.err.size() - c.err.size()), c.err);
        EXPECT_TRUE(r.out.empty());
    }
    EXPECT_FALSE(fs::exists(root / "new.obj"));
}

TEST_F(CliTest, FaceCountQuestionWithoutATerminalDeclinesUnlessYes) {
    WritePair("f 1 2 3\n");
    Result declined = Run({"convert", "a/original.obj", "b/matching.obj", "new.obj"}, "y\n");
    EXPECT_EQ(declined.status, 9);
    EXPECT_NE(declined.err.find("The total face count does not match:\n\noriginal: 1 faces\nmatching: 2 faces\n\n"
                                "Continue anyway? [y/N]"),
              std::string::npos)
        << declined.err;
    EXPECT_FALSE(fs::exists(root / "new.obj"));

    Result yes = Run({"convert", "--yes", "a/original.obj", "b/matching.obj", "new.obj"});
    EXPECT_EQ(yes.status, 0) << yes.err;
    EXPECT_TRUE(fs::exists(root / "new.obj"));
}

TEST_F(CliTest, FaceCountQuestionOnATerminal) {
    WritePair("f 1 2 3\n");
    Result no = RunOnTerminal({"convert", "a/original.obj", "b/matching.obj", "new.obj"}, "n\n");
    EXPECT_EQ(no.status, 9);
    EXPECT_NE(no.err.find("Continue anyway? [y/N] "), std::string::npos) << no.err;
    EXPECT_FALSE(fs::exists(root / "new.obj"));

    Result yes = RunOnTerminal({"convert", "a/original.obj", "b/matching.obj", "new.obj"}, "y\n");
    EXPECT_EQ(yes.status, 0) << yes.err;
    EXPECT_NE(yes.err.find("] 100% Saving file...(please wait)"), std::string::npos) << yes.err;
    EXPECT_TRUE(fs::exists(root / "new.obj"));
}

TEST_F(CliTest, ReportPrintsTextAndWritesOutputWithCrLf) {
    WritePair();
    Result r = Run({"report", "a/original.obj", "b/matching.obj", "--output", "out/report.txt"});
    EXPECT_EQ(r.status, 2);  // no folder "out": the file can't be written
    EXPECT_NE(r.err.find("There was an error creating the report file.  If another application\n"), std::string::npos);

    r = Run({"report", "a/original.obj", "b/matching.obj", "--output", "report.txt"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.rfind("\nQuandrelistaphor Report\n", 0), 0u);
    EXPECT_NE(r.out.find("     object filepath: \"" + root.string() + "/a/original.obj\"\n              loaded: yes\n"),
              std::string::npos) << r.out;
    EXPECT_NE(r.out.find("   material filepath: \"" + root.string() + "/a/original.mtl\"\n              loaded: yes\n"),
              std::string::npos) << r.out;
    std::string crlf;
    for (char c : r.out) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    EXPECT_EQ(ReadBytes(root / "report.txt"), crlf);

    Result plain = Run({"report", "a/original.obj", ""});
    EXPECT_EQ(plain.status, 0);
    EXPECT_NE(plain.out.find("Matching File\n-------------\n     object filepath: \"\"\n"
                             "              loaded: Failed to load or file does not exist\n"),
              std::string::npos);
}

}  // namespace
