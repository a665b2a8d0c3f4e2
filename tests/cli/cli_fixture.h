#pragma once
// The fixture of the command-line tests: the real quandrelistaphor process run in a scratch folder, with
// standard input from a file or on a pseudo-terminal.
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
