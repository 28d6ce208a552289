#pragma once
// What the assistant says about each control of the decision-tree dialog, by the control's
// caption (or the caption of the label that names a field).

#include <string>
#include <vector>

namespace quarry::gui {

inline constexpr const char* kNoComment = "No comment....";

// The texts spoken, in order, for the control captioned `caption` ("windowing enabled",
// "E&xecute", ...; accelerator marks and surrounding blanks do not matter). The m-values field is
// known as "MValues". An unknown caption gives kNoComment alone.
std::vector<std::string> DecisionTreeHelpTexts(const std::string& caption);

// Whether `caption` is one of the controls the assistant explains.
bool HasDecisionTreeHelp(const std::string& caption);

}  // namespace quarry::gui
