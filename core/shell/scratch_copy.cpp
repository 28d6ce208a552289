#include "core/shell/scratch_copy.h"

#include <fstream>
#include <utility>

#include "core/data/working_folder.h"

namespace quarry {

ScratchCopy::~ScratchCopy() { Remove(); }

ScratchCopy::ScratchCopy(ScratchCopy&& other) noexcept : path_(std::exchange(other.path_, {})) {}

ScratchCopy& ScratchCopy::operator=(ScratchCopy&& other) noexcept {
  if (this != &other) {
    Remove();
    path_ = std::exchange(other.path_, {});
  }
  return *this;
}

void ScratchCopy::Remove() noexcept {
  if (path_.empty()) return;
  std::error_code ec;
  std::filesystem::remove(path_, ec);
  path_.clear();
}

Expected<ScratchCopy> ScratchCopy::Make(const std::filesystem::path& source,
                                        const std::string& scratchName) {
  if (Status s = EnsureWorkingFolder(); !s.ok()) return s;
  std::ifstream in(source, std::ios::binary);
  if (!in) return IoError("cannot open " + source.string());
  ScratchCopy copy;
  const std::filesystem::path target = WorkingFile(scratchName);
  // The user may pick a scratch file itself; truncating it first would lose the document.
  std::error_code ec;
  if (std::filesystem::equivalent(source, target, ec))
    return IoError("cannot copy " + source.string() + " onto itself");
  std::ofstream out(target, std::ios::binary | std::ios::trunc);
  if (!out) return IoError("cannot write " + target.string());
  copy.path_ = target;
  std::string line;
  while (std::getline(in, line)) {
    out << line << '\n';
  }
  out.close();
  if (!out) return IoError("cannot write " + target.string());
  return copy;
}

}  // namespace quarry
