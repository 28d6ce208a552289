#include "core/data/connect_string.h"

#include <filesystem>
#include <vector>

#include "core/common/text_util.h"

namespace quarry {

namespace {

struct Entry {
  std::string key;
  std::string value;
  bool hasValue;
};

// Splits at ";" outside "{...}" (ODBC braces protect values that contain ";").
std::vector<std::string> SplitEntries(std::string_view connect) {
  std::vector<std::string> entries;
  std::string current;
  bool inBraces = false;
  for (char c : connect) {
    if (c == '{') inBraces = true;
    if (c == '}') inBraces = false;
    if (c == ';' && !inBraces) {
      entries.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) entries.push_back(current);
  return entries;
}

Entry ParseEntry(const std::string& text) {
  const size_t eq = text.find('=');
  if (eq == std::string::npos) return {std::string(Trim(text)), "", false};
  return {std::string(Trim(std::string_view(text).substr(0, eq))), text.substr(eq + 1), true};
}

bool IsPasswordKey(std::string_view key) {
  return EqualsIgnoreCase(key, "PWD") || EqualsIgnoreCase(key, "PASSWORD");
}

std::string Unbrace(std::string value) {
  std::string_view v = Trim(value);
  if (v.size() >= 2 && v.front() == '{' && v.back() == '}') v = v.substr(1, v.size() - 2);
  return std::string(v);
}

std::string RewritePasswords(std::string_view connect, bool remove) {
  std::string out;
  for (const std::string& text : SplitEntries(connect)) {
    Entry e = ParseEntry(text);
    std::string piece = text;
    if (e.hasValue && IsPasswordKey(e.key)) {
      if (remove) continue;
      piece = e.key + "=********";
    }
    if (!out.empty()) out += ';';
    out += piece;
  }
  return out;
}

}  // namespace

std::string SqliteConnectString(std::string_view path) {
  return "DRIVER=SQLite3;Database=" + std::string(path) + ";StepAPI=1;NoCreat=1";
}

Expected<std::string> ConnectStringForDatabase(std::string_view connectOrPath) {
  if (connectOrPath.find('=') != std::string_view::npos) return std::string(connectOrPath);
  std::error_code ec;
  const std::filesystem::path path(connectOrPath);
  if (!std::filesystem::is_regular_file(path, ec)) {
    return NotFound("no database file " + std::string(connectOrPath));
  }
  return SqliteConnectString(std::filesystem::absolute(path, ec).string());
}

std::optional<std::string> ConnectStringValue(std::string_view connect, std::string_view key) {
  for (const std::string& text : SplitEntries(connect)) {
    Entry e = ParseEntry(text);
    if (e.hasValue && EqualsIgnoreCase(e.key, key)) return Unbrace(e.value);
  }
  return std::nullopt;
}

std::optional<std::string> SqliteDatabaseFile(std::string_view connect) {
  auto driver = ConnectStringValue(connect, "DRIVER");
  if (!driver || ToUpperAscii(*driver).find("SQLITE") == std::string::npos) return std::nullopt;
  return ConnectStringValue(connect, "Database");
}

std::string MaskPassword(std::string_view connect) { return RewritePasswords(connect, false); }

std::string RemovePassword(std::string_view connect) { return RewritePasswords(connect, true); }

}  // namespace quarry
