// Diagnostics of a match: the suggested tolerance and the vertex-count
// comparison, both from the exact position search.
#include "pairing/match_diagnostics.h"

#include <charconv>
#include <cmath>
#include <cstring>

#include "platform/block.h"
#include "pairing/equal_positions.h"

double SuggestedTolerance(double distance) {
    if (!(distance > 0) || !std::isfinite(distance)) return distance;
    // The binary value of a decimal such as 5e-06 lies a hair above or below
    // it; its shortest text is the decimal the user reads and types.
    char text[40];
    auto written = std::to_chars(text, text + sizeof text, distance, std::chars_format::scientific);
    const char* end = written.ptr;
    const char* e = static_cast<const char*>(std::memchr(text, 'e', size_t(end - text)));
    if (written.ec != std::errc() || !e) return distance;
    int exponent = 0;
    std::from_chars(e + 1 + (e[1] == '+'), end, exponent);

    int digits = 0, count = 0;
    bool rest = false;
    for (const char* c = text; c < e; ++c) {
        if (*c == '.') continue;
        if (count < 2) {
            digits = digits * 10 + (*c - '0');
            ++count;
        } else if (*c != '0') {
            rest = true;
        }
    }
    if (count < 2) digits *= 10;
    if (rest && ++digits == 100) {
        digits = 10;
        ++exponent;
    }
    char rounded[40];
    char* at = rounded;
    *at++ = char('0' + digits / 10);
    *at++ = '.';
    *at++ = char('0' + digits % 10);
    *at++ = 'e';
    at = std::to_chars(at, rounded + sizeof rounded, exponent).ptr;
    double value = distance;
    std::from_chars(rounded, at, value);
    return value;
}

int32_t CountVertexSharing(const Vertex* table, int32_t count, const int32_t* partner, int32_t partner_count,
                           VertexSharing& sharing) {
    if (count < 0 || partner_count < 0 || (count > 0 && !table) || (partner_count > 0 && !partner)) return 0;
    size_t records = count > 0 ? size_t(count) : 1;
    int32_t* first = AllocateUnclearedTable<int32_t>(records);
    int32_t* held = AllocateTable<int32_t>(records);    // original vertices at the position
    int32_t* paired = AllocateTable<int32_t>(records);  // matching vertices paired with it
    int32_t made = first && held && paired && FindFirstEqualPositions(table, count, table, count, first);
    if (made) {
        auto position = [&](int32_t k) { return first[k] >= 0 ? first[k] : k; };  // a NaN position is its own
        for (int32_t k = 0; k < count; ++k) ++held[position(k)];
        for (int32_t i = 0; i < partner_count; ++i)
            if (partner[i] >= 0 && partner[i] < count) ++paired[position(partner[i])];
        sharing = {0, 0, 0};
        for (int32_t k = 0; k < count; ++k) {
            int32_t o = held[k], p = paired[k];
            if (p > o) sharing.shared_count += p - o < o ? p - o : o;
            if (p < o) sharing.unpaired_count += o - p;
            if (p == 0) sharing.outside_count += o;
        }
    }
    ReleaseBlock(first);
    ReleaseBlock(held);
    ReleaseBlock(paired);
    return made;
}

int32_t DiagnoseVertexCounts(const Vertex* original, int32_t original_count, const Vertex* matching,
                             int32_t matching_count, CountDiagnosis& diagnosis) {
    if (matching_count < 0) return 0;
    int32_t* partner = AllocateUnclearedTable<int32_t>(matching_count > 0 ? size_t(matching_count) : 1);
    VertexSharing sharing{};
    int32_t made = partner &&
                   FindFirstEqualPositions(original, original_count, matching, matching_count, partner) &&
                   CountVertexSharing(original, original_count, partner, matching_count, sharing);
    if (made) {
        diagnosis.missing_count = 0;
        for (int32_t i = 0; i < matching_count; ++i) diagnosis.missing_count += partner[i] < 0;
        diagnosis.sharing = sharing;
    }
    ReleaseBlock(partner);
    return made;
}
