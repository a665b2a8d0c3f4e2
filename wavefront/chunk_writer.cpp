#include "wavefront/chunk_writer.h"

#include "platform/block.h"
#include "platform/parallel.h"

ChunkText::~ChunkText() { ReleaseBlock(data); }

char* ChunkText::Reserve(size_t bytes) {
    if (bytes == 0) bytes = 1;
    if (bytes > capacity) {
        ReleaseBlock(data);
        data = static_cast<char*>(AllocateUnclearedBlock(bytes));
        capacity = data ? bytes : 0;
    }
    return data;
}

ChunkWriter::ChunkWriter(OutputFile* file, const WritePlan& plan) : file_(file), on_written_(plan.on_written), stop_(plan.stop) {
    threads_ = plan.threads < 1 ? 1 : (plan.threads > kMaxThreads ? kMaxThreads : plan.threads);
    chunk_lines_ = plan.chunk_lines < 1 ? 1 : plan.chunk_lines;
    round_ = 2 * threads_;
}

int32_t ChunkWriter::WriteRound(ChunkText* texts, int32_t n) {
    for (int32_t k = 0; k < n; ++k) {
        if (!texts[k].ok || !WriteOutput(file_, texts[k].data, texts[k].length)) return 0;
    }
    return 1;
}

void ChunkWriter::Written(int32_t first_chunk, int32_t chunks, int32_t count) const {
    if (!on_written_ || chunks <= 0) return;
    int64_t begin = int64_t(first_chunk) * chunk_lines_;
    int64_t end = int64_t(first_chunk + chunks) * chunk_lines_;
    on_written_(int32_t((end < count ? end : count) - begin));
}

int32_t ChunkWriter::Stopped() {
    if (!stop_ || !stop_()) return 0;
    if (file_ && !file_->failed) {
        file_->failed = 1;
        file_->error = kReasonStopped;
        if (file_->fault && !file_->fault->error) file_->fault->error = kReasonStopped;
    }
    return 1;
}

int32_t ChunkWriter::Write(int32_t count, const ChunkFormat& format) {
    if (count <= 0) return 1;
    int32_t chunks = static_cast<int32_t>((int64_t(count) + chunk_lines_ - 1) / chunk_lines_);
    auto format_chunk = [&](int32_t chunk, ChunkText& text) {
        int32_t first = chunk * chunk_lines_;
        int32_t end = count - first > chunk_lines_ ? first + chunk_lines_ : count;
        text.length = 0;
        text.ok = format(first, end, text);
    };
    if (threads_ == 1 || chunks == 1) {
        for (int32_t chunk = 0; chunk < chunks; ++chunk) {
            if (Stopped()) return 0;
            format_chunk(chunk, texts_[0][0]);
            if (!WriteRound(texts_[0], 1)) return 0;
            Written(chunk, 1, count);
        }
        return 1;
    }
    // Round r formats its chunks into one set of texts while item 0 writes
    // round r - 1 from the other set; the round after r - 1 may only start
    // once both are done, which RunInParallel's return gives.
    int32_t rounds = (chunks + round_ - 1) / round_;
    int32_t written_ok = 1;
    int32_t previous = 0;  // chunks in round r - 1
    for (int32_t r = 0; r <= rounds && written_ok; ++r) {
        if (Stopped()) return 0;
        ChunkText* fill = texts_[r % 2];
        ChunkText* drain = texts_[(r + 1) % 2];
        int32_t first_chunk = r * round_;
        int32_t n = r < rounds ? (chunks - first_chunk < round_ ? chunks - first_chunk : round_) : 0;
        RunInParallel(n + 1, threads_, [&](int32_t item) {
            if (item == 0) {
                if (previous > 0) written_ok = WriteRound(drain, previous);
            } else {
                format_chunk(first_chunk + item - 1, fill[item - 1]);
            }
        });
        if (written_ok) Written(first_chunk - round_, previous, count);
        previous = n;
    }
    return written_ok;
}
