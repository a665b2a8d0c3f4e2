// Runs of the real process that write files: many jobs, inputs never written
// over, interrupted runs and runs that wait for another.
#include "tests/cli/cli_fixture.h"

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
