#include "core/dtree/induction_options.h"

#include <cstdlib>
#include <cstring>
#include <ostream>

#include "core/common/text_util.h"

namespace quarry::dtree {

namespace {

constexpr const char* kLetters = "f:bupv:t:w:i:gsm:c:GRCM:102345IP";

// Whether `letter` is an option letter and whether it takes a value.
bool LookUp(char letter, bool& takesValue) {
  const char* at = letter == ':' ? nullptr : std::strchr(kLetters, letter);
  if (at == nullptr || letter == '\0') return false;
  takesValue = at[1] == ':';
  return true;
}

// Whether `value` reads as the number 0: a window option of 0 (the dialog's default) asks for
// the size to be computed, while a text that is no number stays illegal.
bool ReadsAsZero(const std::string& value) {
  char* end = nullptr;
  const long number = std::strtol(value.c_str(), &end, 10);
  return end != value.c_str() && *end == '\0' && number == 0;
}

}  // namespace

Status ParseInductionOptions(const std::vector<std::string>& args, InductionOptions& options,
                             std::ostream& report) {
  options = InductionOptions();
  if (args.size() <= 1) {
    report << " ";
    return FatalError("no options: the engine needs at least the file stem (-f)");
  }
  bool first = true;
  auto illegal = [&report](char letter, const std::string& value) {
    report << "\t** illegal value **\n";
    return FatalError("** illegal value ** (-" + std::string(1, letter) + " " + value + ")");
  };
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.size() < 2 || arg[0] != '-') {
      report << "unknown option\n";
      return FatalError("unknown option " + arg);
    }
    // Letters may be grouped ("-gs"); a letter that takes a value takes the rest of the word or
    // the next word.
    for (size_t at = 1; at < arg.size(); ++at) {
      const char letter = arg[at];
      bool takesValue = false;
      std::string value;
      if (LookUp(letter, takesValue) && takesValue) {
        if (at + 1 < arg.size()) {
          value = arg.substr(at + 1);
        } else if (i + 1 < args.size()) {
          value = args[++i];
        } else {
          takesValue = false;
          report << "unknown option\n";
          return FatalError("option -" + std::string(1, letter) + " needs a value");
        }
        at = arg.size();
      } else if (!LookUp(letter, takesValue)) {
        report << "unknown option\n";
        return FatalError("unknown option -" + std::string(1, letter));
      }
      if (first) {
        report << "\n    Options:\n";
        first = false;
      }
      const int number = std::atoi(value.c_str());
      switch (letter) {
        case 'f':
          options.FileName = value;
          report << "\tFile stem <" << value << ">\n";
          break;
        case 'b':
          options.BATCH = true;
          report << "\tWindowing disabled (now the default)\n";
          break;
        case 'u':
          options.UNSEENS = true;
          report << "\tTrees evaluated on unseen cases\n";
          break;
        case 'p':
          options.PROBTHRESH = true;
          report << "\tProbability thresholds used\n";
          break;
        case 'v':
          options.VERBOSITY = number;
          report << Format("\tVerbosity level %d\n", number);
          break;
        case 't':
          options.TRIALS = number;
          options.BATCH = false;
          report << Format("\tWindowing enabled with %d trials\n", number);
          if (number < 1 || number > 10000) return illegal(letter, value);
          break;
        case 'w':
          options.WINDOW = number;
          options.BATCH = false;
          report << Format("\tInitial window size of %d items\n", number);
          if (!ReadsAsZero(value) && (number < 1 || number > 1000000))
            return illegal(letter, value);
          break;
        case 'i':
          options.INCREMENT = number;
          options.BATCH = false;
          report << Format("\tMaximum window increment of %d items\n", number);
          if (!ReadsAsZero(value) && (number < 1 || number > 1000000))
            return illegal(letter, value);
          break;
        case 'g':
          options.GAINRATIO = false;
          report << "\tGain criterion used\n";
          break;
        case 's':
          options.SUBSET = true;
          report << "\tTests on discrete attribute groups\n";
          break;
        case 'm':
          options.MINOBJS = number;
          report << Format("\tSensible test requires 2 branches with >=%d cases\n", number);
          if (number < 1 || number > 1000000) return illegal(letter, value);
          break;
        case 'c': {
          options.CF = static_cast<float>(std::atof(value.c_str()));
          report << Format("\tPruning confidence level %g%%\n", static_cast<double>(options.CF));
          // The error estimates interpolate a table of confidence levels in (0, 1]: outside
          // it they would read beyond the table and give negative error counts.
          if (!(options.CF > 0.0f && options.CF <= 1.0f)) return illegal(letter, value);
          break;
        }
        default:
          break;  // letters of the pruning workflow
      }
    }
  }
  return Status::Ok();
}

}  // namespace quarry::dtree
