#include "core/data/working_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "core/common/text_util.h"

namespace quarry {

std::filesystem::path WorkingFolder() {
  if (const char* home = std::getenv("QUARRY_HOME"); home != nullptr && *home != '\0') {
    return std::filesystem::path(home);
  }
  const char* userHome = std::getenv("HOME");
  return std::filesystem::path(userHome != nullptr ? userHome : ".") / "QUARRY";
}

Status EnsureWorkingFolder() {
  std::error_code ec;
  std::filesystem::create_directories(WorkingFolder(), ec);
  if (ec)
    return IoError("cannot create the working folder " + WorkingFolder().string() + ": " +
                   ec.message());
  return Status::Ok();
}

std::filesystem::path WorkingFile(std::string_view relative) {
  return WorkingFolder() / std::filesystem::path(std::string(relative)).relative_path();
}

std::string SafeFileName(std::string_view name) {
  std::string out;
  out.reserve(name.size());
  for (size_t i = 0; i < name.size(); ++i) {
    const char c = name[i];
    if (c == '/' || c == '\\' || c == '\0') {
      out += '_';
    } else if (c == '.' && i + 1 < name.size() && name[i + 1] == '.') {
      out.append(2, '_');
      ++i;
    } else {
      out += c;
    }
  }
  if (out.empty()) out.push_back('_');
  return out;
}

Status CheckTableName(std::string_view name) {
  if (Trim(name).empty()) return InvalidArgument("a table name cannot be empty");
  if (name.size() > kLongestTableName) {
    return InvalidArgument("the table name " + std::string(name.substr(0, 40)) +
                           "... is too long: " + std::to_string(name.size()) +
                           " characters, at most " + std::to_string(kLongestTableName));
  }
  return Status::Ok();
}

Status WriteWholeFile(const std::filesystem::path& path, std::string_view content,
                      bool privateFile) {
  std::error_code ec;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
  const mode_t mode = privateFile ? 0600 : 0644;
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
  if (fd < 0) return IoError("cannot write " + path.string() + ": " + std::strerror(errno));
  // An existing file keeps its old mode on open; a private file must not stay readable.
  if (privateFile) ::fchmod(fd, 0600);
  size_t done = 0;
  while (done < content.size()) {
    ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      const std::string why = std::strerror(errno);
      ::close(fd);
      return IoError("cannot write " + path.string() + ": " + why);
    }
    done += static_cast<size_t>(n);
  }
  if (::close(fd) != 0) return IoError("cannot write " + path.string());
  return Status::Ok();
}

Status WriteResultFile(const std::filesystem::path& path, std::string_view content,
                       bool privateFile) {
  std::filesystem::path temporary = path;
  temporary += ".part";
  if (Status s = WriteWholeFile(temporary, content, privateFile); !s.ok()) {
    std::error_code ec;
    std::filesystem::remove(temporary, ec);
    // The user knows the file by its own name.
    return Status(s.code(), ReplaceAll(s.message(), temporary.string(), path.string()));
  }
  Status renamed = RenameIntoPlace(temporary, path);
  if (!renamed.ok()) {
    std::error_code ec;
    std::filesystem::remove(temporary, ec);
  }
  return renamed;
}

Status AppendToResultFile(const std::filesystem::path& path, std::string_view content,
                          bool privateFile) {
  std::string text;
  std::error_code ec;
  if (std::filesystem::exists(path, ec)) {
    if (content.empty()) return Status::Ok();
    std::ifstream in(path, std::ios::binary);
    std::ostringstream old;
    old << in.rdbuf();
    if (!in.good() && !in.eof()) return IoError("cannot read " + path.string());
    text = old.str();
  }
  text += content;
  return WriteResultFile(path, text, privateFile);
}

Status WithFilesNotWritten(Status status, const std::vector<std::string>& warnings) {
  if (warnings.empty()) return status;
  std::string lines;
  for (const std::string& warning : warnings) {
    lines += (lines.empty() ? "" : "\n") + std::string("not written: ") + warning;
  }
  if (status.ok()) return IoError(lines);
  return Status(status.code(), status.message() + "\n" + lines);
}

Status RenameIntoPlace(const std::filesystem::path& temporary, const std::filesystem::path& path) {
  std::error_code ec;
  std::filesystem::rename(temporary, path, ec);
  if (ec) return IoError("cannot write " + path.string() + ": " + ec.message());
  return Status::Ok();
}

Status AppendToFile(const std::filesystem::path& path, std::string_view content) {
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
  if (fd < 0) return IoError("cannot append to " + path.string() + ": " + std::strerror(errno));
  size_t done = 0;
  while (done < content.size()) {
    ssize_t n = ::write(fd, content.data() + done, content.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      const std::string why = std::strerror(errno);
      ::close(fd);
      return IoError("cannot append to " + path.string() + ": " + why);
    }
    done += static_cast<size_t>(n);
  }
  if (::close(fd) != 0) return IoError("cannot append to " + path.string());
  return Status::Ok();
}

}  // namespace quarry
