#pragma once
// Helpers of the reader tests: a Model's file image from a string, and a
// scratch folder for files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <filesystem>
#include <random>

#include "model/block.h"
#include "model/model.h"

inline void SetText(Model& model, const std::string& content) {
    model.ReleaseText();
    if (!content.empty()) {
        model.text.data = static_cast<unsigned char*>(AllocateBlock(content.size()));
        std::memcpy(model.text.data, content.data(), content.size());
    }
    model.text.size = static_cast<uint32_t>(content.size());
    model.text.read_pos = 0;
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
                        ("quandre_reader_" + std::to_string(random()) + "_" + std::to_string(++serial));
        if (fs::create_directories(made, error)) path_ = made.generic_string() + "/";
    }
    ~ScratchFolder() {
        std::error_code error;
        if (!start_.empty()) std::filesystem::current_path(start_, error);
        if (!path_.empty()) std::filesystem::remove_all(path_, error);
    }
    const std::string& path() const { return path_; }

    std::string Write(const std::string& name, const std::string& content) const {
        std::string full = path_ + name;
        std::FILE* file = std::fopen(full.c_str(), "wb");
        EXPECT_NE(file, nullptr) << full;
        if (file) {
            std::fwrite(content.data(), 1, content.size(), file);
            std::fclose(file);
        }
        return full;
    }

private:
    std::string path_;
    std::filesystem::path start_;
};
