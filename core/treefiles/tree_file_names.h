#pragma once
// Where a tree or rules file with a given base name lives: the working folder, the base name
// made safe as a file name, and ".tree" or ".rules".

#include <filesystem>
#include <string_view>

namespace quarry::treefiles {

std::filesystem::path TreeFilePath(std::string_view baseName);
std::filesystem::path RulesFilePath(std::string_view baseName);

}  // namespace quarry::treefiles
