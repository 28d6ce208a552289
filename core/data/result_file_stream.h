#pragma once
// A result file written in pieces while its text is made. The tree and rules files of a grown
// tree run to tens of megabytes on a large table (a rule repeats every test on its leaf's
// path), far more than the tree itself, and an exported table can be larger still, so their
// writers hand over the text a chunk at a time instead of holding it whole. The pieces go to a
// temporary file beside the result, which takes the result's name only when finished: no partial
// file ever carries it.

#include <filesystem>
#include <string>

#include "core/common/status.h"

namespace quarry {

class ResultFileStream {
 public:
  static constexpr size_t kChunk = 1 << 20;  // bytes of text held before they are written

  // With `makeFolders` the folders above `path` are created when missing.
  explicit ResultFileStream(std::filesystem::path path, bool makeFolders = true);
  // Removes the temporary file of a stream that was not finished.
  ~ResultFileStream();
  ResultFileStream(const ResultFileStream&) = delete;
  ResultFileStream& operator=(const ResultFileStream&) = delete;

  // Writes out and empties `text` once it holds kChunk bytes or more. After a failure the text
  // is dropped and Finish reports the failure.
  void Drain(std::string& text) {
    if (text.size() >= kChunk) Write(text);
  }
  // Ok until opening or writing the temporary file failed.
  const Status& status() const { return status_; }
  // Writes the rest of the text and gives the file its name.
  Status Finish(std::string& text);

 private:
  void Write(std::string& text);

  std::filesystem::path path_;
  std::filesystem::path temporary_;
  int fd_ = -1;
  Status status_ = Status::Ok();
};

}  // namespace quarry
