#pragma once
// --by: how the commands that pair two meshes pair them, by position (as
// always) or by connectivity.
#include <cstdint>

#include "cli/arguments.h"
#include "cli/seed_option.h"

// --by position|topology (position without it) and, with topology, every
// --seed into seeds[0..count) (kMaxSeeds of room). Returns 0, or the usage
// error's status: another --by, a bad seed, or a seed without topology.
int ReadPairingWay(const Arguments& arguments, bool& by_topology, TopologySeed* seeds, int32_t& count);
