#pragma once
// What the assistant of the decision-tree dialog says about pruning, in order. The texts carry
// the speech tags "\emp\" (stress the next word) and "\pau=N\" (pause N milliseconds).

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/status.h"
#include "core/jobs/progress.h"

namespace quarry {

class DataSource;
class PruningAdvisor;

// The advice after a request: the five texts of a success, or the three of a failure.
std::vector<std::string> AdviceSpeech(const PruningAdvisor& advisor);

// What the assistant says about one table, as one job: the advice speech, the smaller line
// shown below it (why there is no advice, and the tables of a stopped run that were dropped;
// shown, not spoken) and the request's outcome.
struct SpokenAdvice {
  std::vector<std::string> speech;
  std::string note;
  Status status;
};
// Runs the pruning adviser on `table` (counsel at `counselPath`, empty for the one beside the
// program), reporting to `progress`, whose stop request ends the run without a sample left.
SpokenAdvice SpeakAdvice(DataSource& source, const std::string& table,
                         const std::filesystem::path& counselPath, Progress& progress);

// When no table is selected.
std::vector<std::string> NoTableSpeech();

// `text` without its speech tags.
std::string StripSpeechTags(std::string_view text);

// A text as a balloon or a terminal shows it: tags stripped, every run of blanks and line ends
// made one space, no blanks at either end.
std::string DisplaySpeech(std::string_view text);

}  // namespace quarry
