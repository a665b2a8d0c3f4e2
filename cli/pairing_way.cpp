#include "cli/pairing_way.h"

#include <cstring>

#include "cli/run_options.h"

int ReadPairingWay(const Arguments& arguments, bool& by_topology, TopologySeed* seeds, int32_t& count) {
    const char* by = arguments.Option("--by");
    by_topology = by && std::strcmp(by, "topology") == 0;
    count = 0;
    if (by && !by_topology && std::strcmp(by, "position") != 0) return Usage("--by takes position or topology");
    char problem[kSeedProblemCapacity];
    if (!CollectSeeds(arguments, seeds, kMaxSeeds, count, problem, sizeof problem)) return Usage(problem);
    if (count > 0 && !by_topology) return Usage("--seed pairs by connectivity: give it with --by topology");
    return 0;
}

int ReadPairingOptions(const Arguments& arguments, ConvertOptions& options, TopologySeed* seeds) {
    if (int status = ReadTolerance(arguments, options.tolerance, options.automatic_tolerance)) return status;
    options.strict = arguments.Has("--strict");
    options.allow_count_change = arguments.Has("--allow-count-change");
    options.accept_unsure = arguments.Has("--accept-unsure");
    if (int status = ReadPairingWay(arguments, options.by_topology, seeds, options.seed_count)) return status;
    options.seeds = seeds;
    return 0;
}
