#include "core/advisor/advice_speech.h"

#include <cctype>

#include "core/advisor/pruning_advisor.h"
#include "core/data/work_tables.h"

namespace quarry {

std::vector<std::string> AdviceSpeech(const PruningAdvisor& advisor) {
  if (!advisor.Succeeded()) {
    return {
        "You may select a _data table;\\pau=400\\ Make sure Dataset has been properly split into "
        "at "
        "least one _data and _test table.\\pau=500\\  ",
        "For dataset splitting, I suggest \\pau=300\\ for pruning Methods not utilizing an "
        "independent pruning set:\\pau=300\\ 70% of the dataset for the training set, \\pau=200\\ "
        "30% for the test set. \\pau=400\\ ",
        "For pruning Methods utilizing an indipendent pruning set, I suggest: \\pau=300\\ 49% of "
        "the dataset for the growing set,\\pau=200\\ 21 % for the pruning set,\\pau=200\\  30% for "
        "the test set.\\pau=800\\  ",
    };
  }
  return {
      "Dataset \\emp\\" + advisor.Table() + ".\\pau=800\\",
      advisor.Commentary(),
      "\\pau=150\\ Hence, If you want an induced tree with a \\emp\\ great accuracy, the "
      "appropriate pruning algorithm is: \\emp\\ " +
          advisor.AccurateTreeAdvice() + ". \\pau=1100\\",
      "If you want induce a  \\emp\\  simple tree I suggest: \\emp\\ " +
          advisor.SimpleTreeAdvice() + ".\\pau=1000\\",
      "Remember an accurated tree is probably complex to \\emp\\  understand, but a simple tree "
      "probably has some lacks in \\emp\\  predicitivity.\\pau=1100\\",
  };
}

SpokenAdvice SpeakAdvice(DataSource& source, const std::string& table,
                         const std::filesystem::path& counselPath, Progress& progress) {
  PruningAdvisor advisor(source, table);
  advisor.counselPath = counselPath;
  advisor.progress = &progress;
  RunPruningAdvisor(advisor);
  SpokenAdvice spoken{AdviceSpeech(advisor), advisor.Failure().message(), advisor.Failure()};
  if (const std::string dropped = LeftoversText(advisor.LeftoversDropped()); !dropped.empty())
    spoken.note += (spoken.note.empty() ? "" : "\n") + dropped;
  return spoken;
}

std::vector<std::string> NoTableSpeech() {
  return {
      "No dataset selected.. You may select a dataset, to have a support on type of pruning "
      "algorithm to utilize."};
}

std::string StripSpeechTags(std::string_view text) {
  std::string out;
  size_t i = 0;
  while (i < text.size()) {
    if (text[i] == '\\') {
      if (text.substr(i, 5) == "\\emp\\") {
        i += 5;
        continue;
      }
      if (text.substr(i, 5) == "\\pau=") {
        size_t j = i + 5;
        while (j < text.size() && std::isdigit(static_cast<unsigned char>(text[j]))) ++j;
        if (j > i + 5 && j < text.size() && text[j] == '\\') {
          i = j + 1;
          continue;
        }
      }
    }
    out += text[i++];
  }
  return out;
}

std::string DisplaySpeech(std::string_view text) {
  std::string out;
  bool blank = false;
  for (char c : StripSpeechTags(text)) {
    if (std::isspace(static_cast<unsigned char>(c))) {
      blank = !out.empty();
      continue;
    }
    if (blank) out += ' ';
    blank = false;
    out += c;
  }
  return out;
}

}  // namespace quarry
