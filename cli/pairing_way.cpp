#include "cli/pairing_way.h"

#include <cstring>

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
