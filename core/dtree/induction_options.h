#pragma once
// The decision-tree engine's options, parsed from the argument vector a job builds (the letters
// "f:bupv:t:w:i:gsm:c:GRCM:102345IP"), each printed as it is read.

#include <iosfwd>
#include <string>
#include <vector>

#include "core/common/status.h"

namespace quarry::dtree {

struct InductionOptions {
  std::string FileName;     // -f: the file stem, the name of the training table
  bool BATCH = true;        // -b; -t, -w and -i switch windowing on
  bool UNSEENS = false;     // -u: evaluate on the test table too
  bool PROBTHRESH = false;  // -p: soften thresholds
  int VERBOSITY = 0;        // -v
  int TRIALS = 10;          // -t: windowing trials
  int WINDOW = 0;           // -w: initial window size; 0 (given or not) computes it
  int INCREMENT = 0;        // -i: maximum window increment; 0 (given or not) computes it
  bool GAINRATIO = true;    // -g selects the gain criterion
  bool SUBSET = false;      // -s: tests on groups of discrete values
  int MINOBJS = 2;          // -m: cases in at least two branches of a sensible test
  float CF = 0.25f;         // -c: confidence of error-based pruning, a fraction
};

// Parses `args` (args[0] is a program name and is skipped) into `options`, which starts from the
// defaults, writing "\n    Options:\n" and each option's line to `report`. An unknown letter or
// a value out of range writes its message and returns kFatal with it; so does a vector without
// options.
Status ParseInductionOptions(const std::vector<std::string>& args, InductionOptions& options,
                             std::ostream& report);

}  // namespace quarry::dtree
