#pragma once
// The commands of the command line, each run from its parsed arguments;
// each returns the process's exit status.
#include "cli/arguments.h"

int RunConvertCommand(const Arguments& arguments);
int RunReportCommand(const Arguments& arguments);
int RunShapesCommand(const Arguments& arguments);
int RunBatchCommand(const Arguments& arguments);
int RunPairCommand(const Arguments& arguments);
