#pragma once
// --by: how the commands that pair two meshes pair them, by position (as
// always) or by connectivity.
#include <cstdint>

#include "cli/arguments.h"
#include "cli/seed_option.h"
#include "morph/convert.h"

// --by position|topology (position without it) and, with topology, every
// --seed into seeds[0..count) (kMaxSeeds of room). Returns 0, or the usage
// error's status: another --by, a bad seed, or a seed without topology.
int ReadPairingWay(const Arguments& arguments, bool& by_topology, TopologySeed* seeds, int32_t& count);

// Every option of convert and pair that decides how the files pair:
// --tolerance, --strict, --allow-count-change, --by and --seed (into
// seeds, kMaxSeeds of room, which options.seeds then names). Returns 0, or
// the usage error's status.
int ReadPairingOptions(const Arguments& arguments, ConvertOptions& options, TopologySeed* seeds);
