#pragma once
// The options that convert, batch and shapes share.
#include <cstdint>
#include <cstdio>

#include "cli/arguments.h"
#include "pairing/tolerant_partners.h"

// --jobs N: a whole number from 1 to kMaxJobs; without it, the number of
// cores. Returns 0, or the usage error's status.
constexpr int32_t kMaxJobs = 256;
int ReadJobs(const Arguments& arguments, int32_t& jobs);

// --tolerance EPS|auto: EPS a distance of 0 or more (0: exact positions);
// `automatic` for auto, whose distance comes from the original once it is
// loaded. Without the option: 0. Returns 0, or the usage error's status.
int ReadTolerance(const Arguments& arguments, double& tolerance, bool& automatic);

// Says on standard error which tolerance a run uses, when it is not exact
// (as convert says it; not when `quiet`), and which vertices `auto` left out
// of the mesh's size (may be null).
void ReportTolerance(double tolerance, bool automatic, const SizeOutliers* outliers, bool quiet);

// The words on the vertices `auto` left out, after the tolerance; nothing
// when there are none.
void PrintSizeOutliers(std::FILE* stream, const SizeOutliers& outliers);
