#pragma once
// The working folder holds every file the program writes: trees, rules, reports, scratch files.
// It is $QUARRY_HOME when set, else ~/QUARRY, and is created on demand.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/status.h"

namespace quarry {

std::filesystem::path WorkingFolder();

// Creates the working folder (and parents) if missing.
Status EnsureWorkingFolder();

// A path inside the working folder; `relative` uses "/" between its parts.
std::filesystem::path WorkingFile(std::string_view relative);

// A name (usually a table name) made safe to use as one file name inside the working folder:
// path separators and ".." are replaced by "_", so the file never lands outside the folder.
std::string SafeFileName(std::string_view name);

// The longest table name taken for a new table or for a job whose files are named after its
// table: a file name holds at most 255 bytes, and the longest name made from a table adds about
// 30 ("_prunePROBTHRESH.tree.part", "PRUNED.rules.staged").
inline constexpr size_t kLongestTableName = 200;

// Refuses a table name that is empty or too long to name the files made from it.
Status CheckTableName(std::string_view name);

// Writes `content` as the whole file, creating or truncating it; with `privateFile` the file is
// readable by its owner only (for files that hold connection details).
Status WriteWholeFile(const std::filesystem::path& path, std::string_view content,
                      bool privateFile = false);

// Writes a result file whole: the content goes to a temporary file beside `path`, which is then
// renamed, so no partial file ever carries the result's name.
Status WriteResultFile(const std::filesystem::path& path, std::string_view content,
                       bool privateFile = false);

// Adds `content` at the end of a result file that grows over runs (created when missing): the
// old content and the new are written as by WriteResultFile, so the file is either as it was or
// whole.
Status AppendToResultFile(const std::filesystem::path& path, std::string_view content,
                          bool privateFile = false);

// `status` with a line "not written: WHY" for each result file that could not be written (each
// WHY as the writers above give it); a job that succeeded but could not write them all fails with
// kIo.
Status WithFilesNotWritten(Status status, const std::vector<std::string>& warnings);

// Gives a finished temporary file its final name, replacing any file of that name; on failure the
// temporary is left where it is, for the caller to remove.
Status RenameIntoPlace(const std::filesystem::path& temporary, const std::filesystem::path& path);

// Appends `content` to a file, creating it when missing.
Status AppendToFile(const std::filesystem::path& path, std::string_view content);

}  // namespace quarry
