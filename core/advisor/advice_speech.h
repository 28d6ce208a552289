#pragma once
// What the assistant of the decision-tree dialog says about pruning, in order. The texts carry
// the speech tags "\emp\" (stress the next word) and "\pau=N\" (pause N milliseconds).

#include <string>
#include <string_view>
#include <vector>

namespace quarry {

class PruningAdvisor;

// The advice after a request: the five texts of a success, or the three of a failure.
std::vector<std::string> AdviceSpeech(const PruningAdvisor& advisor);

// When no table is selected.
std::vector<std::string> NoTableSpeech();

// `text` without its speech tags.
std::string StripSpeechTags(std::string_view text);

// A text as a balloon or a terminal shows it: tags stripped, every run of blanks and line ends
// made one space, no blanks at either end.
std::string DisplaySpeech(std::string_view text);

}  // namespace quarry
