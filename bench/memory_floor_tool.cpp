// memory_floor_tool SMALL_BYTES LARGE_BYTES [ROUNDS]: what this machine's
// memory itself charges for growth, in blocks of the program's own kind
// (huge-page advised). For a block of each size it times
//   fresh   the first touch of a new block (one byte every 4 KiB): what
//           every table a process makes pays once
// and then two plain loops, each the least of ROUNDS:
//   read    sums every 8-byte word (a stage that only looks at its table)
//   update  adds one to every 8-byte word in place (a stage that rewrites it,
//           as regrouping clears names and matching renumbers corners)
// and prints "floor <kind> <small_ms> <large_ms> <growth>" for each. A stage
// that walks its table once cannot grow by less than the loop of its kind,
// whatever its own code does.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/block.h"

namespace {

double Now() { return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count(); }

struct Floor {
    double fresh = 1e30;
    double read = 1e30;
    double update = 1e30;
};

Floor Measure(size_t bytes, int rounds) {
    Floor floor;
    size_t words = bytes / 8;
    ReleaseSpareBlocks();  // so that the block comes new from the system
    double made = Now();
    uint64_t* table = AllocateUnclearedTable<uint64_t>(words);
    if (!table) return floor;
    for (size_t i = 0; i < words; i += 512) table[i] = 0;
    floor.fresh = Now() - made;
    for (size_t i = 0; i < words; ++i) table[i] = i;
    volatile uint64_t sink = 0;
    for (int r = 0; r < rounds; ++r) {
        double start = Now();
        uint64_t sum[4] = {0, 0, 0, 0};  // four chains, so that the adds keep up with memory
        for (size_t i = 0; i + 4 <= words; i += 4) {
            sum[0] += table[i];
            sum[1] += table[i + 1];
            sum[2] += table[i + 2];
            sum[3] += table[i + 3];
        }
        sink = sink + sum[0] + sum[1] + sum[2] + sum[3];
        double middle = Now();
        for (size_t i = 0; i < words; ++i) table[i] += 1;
        double end = Now();
        if (middle - start < floor.read) floor.read = middle - start;
        if (end - middle < floor.update) floor.update = end - middle;
    }
    sink = sink + table[words / 2];
    ReleaseBlock(table);
    ReleaseSpareBlocks();
    return floor;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s SMALL_BYTES LARGE_BYTES [ROUNDS]\n", argv[0]);
        return 2;
    }
    size_t small = std::strtoull(argv[1], nullptr, 10);
    size_t large = std::strtoull(argv[2], nullptr, 10);
    int rounds = argc > 3 ? std::atoi(argv[3]) : 15;
    if (small < 8 || large < 8 || rounds < 1) return 2;
    Floor a = Measure(small, rounds);
    Floor b = Measure(large, rounds);
    if (a.read >= 1e30 || b.read >= 1e30) return 1;
    std::printf("floor fresh %.3f %.3f %.1f\n", a.fresh * 1e3, b.fresh * 1e3, b.fresh / a.fresh);
    std::printf("floor read %.3f %.3f %.1f\n", a.read * 1e3, b.read * 1e3, b.read / a.read);
    std::printf("floor update %.3f %.3f %.1f\n", a.update * 1e3, b.update * 1e3, b.update / a.update);
    return 0;
}
