#pragma once
// Helpers of the tests that read and write files: whole-file bytes, what a
// folder holds, and a scratch folder for one test.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>

inline std::string Slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void Put(const std::filesystem::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    EXPECT_TRUE(out << text) << path;
}

// Every entry of a folder: name -> bytes ("<dir>" for a folder, "<link to
// ...>" for a symbolic link). Two equal maps: nothing changed, appeared or went.
using Files = std::map<std::string, std::string>;
inline Files FilesIn(const std::filesystem::path& folder) {
    Files files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        std::error_code error;
        std::string& bytes = files[entry.path().filename().string()];
        if (entry.is_symlink(error)) bytes = "<link to " + std::filesystem::read_symlink(entry, error).string() + ">";
        else bytes = entry.is_directory(error) ? "<dir>" : Slurp(entry.path());
    }
    return files;
}

// A fresh folder in the system's temporary folder for one test; its path
// ends with '/'. The current directory is put back when the folder goes.
class ScratchFolder {
public:
    ScratchFolder() {
        namespace fs = std::filesystem;
        std::error_code error;
        start_ = fs::current_path(error);
        static unsigned serial = 0;
        std::random_device random;
        fs::path made = fs::temp_directory_path(error) /
                        ("quandre_test_" + std::to_string(random()) + "_" + std::to_string(++serial));
        if (fs::create_directories(made, error)) path_ = made.generic_string() + "/";
        EXPECT_FALSE(path_.empty());
    }
    ~ScratchFolder() {
        std::error_code error;
        if (!start_.empty()) std::filesystem::current_path(start_, error);
        if (!path_.empty()) std::filesystem::remove_all(path_, error);
    }
    const std::string& path() const { return path_; }
    std::string Join(const std::string& name) const { return path_ + name; }
    Files Contents() const { return FilesIn(path_); }

    // Writes a file, making the folders on its path; returns its path.
    std::string Write(const std::string& name, const std::string& content) const {
        std::error_code error;
        std::filesystem::create_directories(std::filesystem::path(Join(name)).parent_path(), error);
        Put(Join(name), content);
        return Join(name);
    }

private:
    std::string path_;
    std::filesystem::path start_;
};
