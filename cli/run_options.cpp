#include "cli/run_options.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "morph/diagnosis_text.h"
#include "platform/parallel.h"

int ReadJobs(const Arguments& arguments, int32_t& jobs) {
    jobs = ProcessorCount();
    const char* text = arguments.Option("--jobs");
    if (!text) return 0;
    const char* end = text + std::strlen(text);
    auto result = std::from_chars(text, end, jobs);
    if (result.ec != std::errc() || result.ptr != end || jobs < 1 || jobs > kMaxJobs) {
        char problem[96];
        std::snprintf(problem, sizeof problem, "--jobs takes a whole number from 1 to %d", kMaxJobs);
        return Usage(problem);
    }
    return 0;
}

int ReadTolerance(const Arguments& arguments, double& tolerance, bool& automatic) {
    tolerance = 0;
    automatic = false;
    const char* text = arguments.Option("--tolerance");
    if (!text) return 0;
    if (std::strcmp(text, "auto") == 0) {
        automatic = true;
        return 0;
    }
    const char* end = text + std::strlen(text);
    auto result = std::from_chars(text, end, tolerance);
    if (result.ec != std::errc() || result.ptr != end || !std::isfinite(tolerance) || tolerance < 0)
        return Usage("--tolerance takes a distance of 0 or more (model units), or auto");
    return 0;
}

void PrintSizeOutliers(std::FILE* stream, const SizeOutliers& outliers) {
    if (outliers.count <= 0) return;
    std::fprintf(stream, "auto left out %d vertices far beyond the rest of ORIGINAL (the farthest: vertex %d, at %g)\n",
                 outliers.count, outliers.farthest + 1, double(outliers.size));
}

void ReportTolerance(double tolerance, bool automatic, const SizeOutliers* outliers, bool quiet) {
    if (tolerance > 0 && !quiet)
        std::fprintf(stderr, "tolerance: %s%s\n", ExactNumber(tolerance).text, automatic ? " (auto)" : "");
    if (automatic && outliers) PrintSizeOutliers(stderr, *outliers);
}
