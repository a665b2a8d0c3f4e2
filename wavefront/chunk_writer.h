#pragma once
// Long runs of lines formatted on several threads and written in order.
//
// A run of `count` records is cut into chunks of plan.chunk_lines records;
// each chunk is formatted into a text of its own, and the texts are handed
// to the output file in chunk order, so the bytes are those one thread
// would write. While one thread writes the texts of a round, the others
// format the next round's.
#include <cstddef>
#include <cstdint>
#include <functional>

#include "platform/files/output_file.h"

// How a writer spreads its formatting: threads to use (1: all on the
// calling thread) and records per chunk.
struct WritePlan {
    static constexpr int32_t kChunkLines = 1 << 16;
    int32_t threads = 1;
    int32_t chunk_lines = kChunkLines;
    // Told on the writing call's thread how many more records of a run are
    // in the file, as they go in; empty: nobody asks.
    std::function<void(int32_t records)> on_written;
    // Asked on the writing call's thread before each round of chunks: 1
    // ends the write there, the file failed with kReasonStopped, so that a
    // run the user stops doesn't go on writing what it will throw away.
    // Empty: the write runs to its end.
    std::function<int32_t()> stop;
};

// The formatted text of one chunk; its block is kept from chunk to chunk.
struct ChunkText {
    char* data = nullptr;
    size_t capacity = 0;
    size_t length = 0;
    int32_t ok = 0;

    ChunkText() = default;
    ChunkText(const ChunkText&) = delete;
    ChunkText& operator=(const ChunkText&) = delete;
    ~ChunkText();
    // Room for `bytes` bytes from data on; null when it can't be had.
    char* Reserve(size_t bytes);
};

// Formats records [first, end) into text (Reserve, then set length);
// returns 1, or 0 when it can't.
using ChunkFormat = std::function<int32_t(int32_t first, int32_t end, ChunkText& text)>;

class ChunkWriter {
public:
    ChunkWriter(OutputFile* file, const WritePlan& plan);
    ChunkWriter(const ChunkWriter&) = delete;
    ChunkWriter& operator=(const ChunkWriter&) = delete;

    OutputFile* File() const { return file_; }
    // The text of records 0 .. count - 1 in order. Returns 1, or 0 when a
    // chunk could not be formatted or the file failed.
    int32_t Write(int32_t count, const ChunkFormat& format);

private:
    static constexpr int32_t kMaxThreads = 4;
    static constexpr int32_t kRound = 2 * kMaxThreads;  // chunks formatted per round at most

    int32_t WriteRound(ChunkText* texts, int32_t n);

    // Records [first_chunk, first_chunk + chunks) of a run of `count` are written.
    void Written(int32_t first_chunk, int32_t chunks, int32_t count) const;
    // 1 when the plan's stop says so; the file has then failed.
    int32_t Stopped();

    OutputFile* file_;
    std::function<void(int32_t records)> on_written_;
    std::function<int32_t()> stop_;
    int32_t threads_;
    int32_t chunk_lines_;
    int32_t round_;          // chunks per round
    ChunkText texts_[2][kRound];  // one round being written, the next being formatted
};
