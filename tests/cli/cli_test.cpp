// Runs the real quandrelistaphor process: exit statuses, texts, the question
// on a terminal and without one.
#include "tests/cli/cli_fixture.h"

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
