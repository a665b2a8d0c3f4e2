#pragma once
// Helpers of the reader tests: a Model's file image from a string, and a
// scratch folder for files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

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

// A fresh folder under /tmp for one test; its path ends with '/'.
// The current directory is put back when the folder goes.
class ScratchFolder {
public:
    ScratchFolder() {
        char pattern[] = "/tmp/quandre_reader_XXXXXX";
        const char* made = mkdtemp(pattern);
        path_ = made ? std::string(made) + "/" : std::string();
        char here[4096];
        if (getcwd(here, sizeof here)) start_ = here;
    }
    ~ScratchFolder() {
        if (!start_.empty() && chdir(start_.c_str()) != 0) std::perror("chdir");
        if (!path_.empty()) {
            std::string command = "rm -rf '" + path_ + "'";
            if (std::system(command.c_str()) != 0) std::perror("rm");
        }
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
    std::string start_;
};
