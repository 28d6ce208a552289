#pragma once
// A line-by-line copy of a text file in the working folder that lives as long as its owner: the
// textual view shows its documents from such copies ("Reg1.txt" for the document, "Reg2.txt" for
// the view), so the file the user chose is never held open.

#include <filesystem>
#include <string>

#include "core/common/status.h"

namespace quarry {

inline constexpr const char* kDocumentScratchName = "Reg1.txt";
inline constexpr const char* kViewScratchName = "Reg2.txt";

class ScratchCopy {
 public:
  ScratchCopy() = default;
  ~ScratchCopy();
  ScratchCopy(ScratchCopy&& other) noexcept;
  ScratchCopy& operator=(ScratchCopy&& other) noexcept;
  ScratchCopy(const ScratchCopy&) = delete;
  ScratchCopy& operator=(const ScratchCopy&) = delete;

  // Copies every line of `source` into the working-folder file `scratchName` (created or
  // truncated), each line followed by "\n". kIo when either file cannot be opened or written;
  // no scratch file is left behind then.
  static Expected<ScratchCopy> Make(const std::filesystem::path& source,
                                    const std::string& scratchName);

  const std::filesystem::path& path() const { return path_; }
  bool empty() const { return path_.empty(); }

 private:
  void Remove() noexcept;
  std::filesystem::path path_;
};

}  // namespace quarry
