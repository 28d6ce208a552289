#include "core/treefiles/tree_file_names.h"

#include <string>

#include "core/data/working_folder.h"

namespace quarry::treefiles {

std::filesystem::path TreeFilePath(std::string_view baseName) {
  return WorkingFile(SafeFileName(baseName) + ".tree");
}

std::filesystem::path RulesFilePath(std::string_view baseName) {
  return WorkingFile(SafeFileName(baseName) + ".rules");
}

}  // namespace quarry::treefiles
