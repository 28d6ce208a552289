#include "core/data/result_file_stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

#include "core/data/working_folder.h"

namespace quarry {

ResultFileStream::ResultFileStream(std::filesystem::path path, bool makeFolders)
    : path_(std::move(path)) {
  temporary_ = path_;
  temporary_ += ".part";
  std::error_code ec;
  if (makeFolders && path_.has_parent_path()) {
    std::filesystem::create_directories(path_.parent_path(), ec);
  }
  fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd_ < 0) status_ = IoError("cannot write " + path_.string() + ": " + std::strerror(errno));
}

ResultFileStream::~ResultFileStream() {
  if (fd_ >= 0) ::close(fd_);
  if (!temporary_.empty()) {
    std::error_code ec;
    std::filesystem::remove(temporary_, ec);
  }
}

void ResultFileStream::Write(std::string& text) {
  size_t done = 0;
  while (status_.ok() && done < text.size()) {
    const ssize_t n = ::write(fd_, text.data() + done, text.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      status_ = IoError("cannot write " + path_.string() + ": " + std::strerror(errno));
    } else {
      done += static_cast<size_t>(n);
    }
  }
  text.clear();
}

Status ResultFileStream::Finish(std::string& text) {
  Write(text);
  if (fd_ >= 0) {
    if (::close(fd_) != 0 && status_.ok()) status_ = IoError("cannot write " + path_.string());
    fd_ = -1;
  }
  if (!status_.ok()) return status_;
  if (Status renamed = RenameIntoPlace(temporary_, path_); !renamed.ok()) return renamed;
  temporary_.clear();
  return Status::Ok();
}

}  // namespace quarry
