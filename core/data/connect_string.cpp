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
  const std::vector<std::string> entries = SplitEntries(connect);
  std::string out;
  for (size_t i = 0; i < entries.size(); ++i) {
    Entry e = ParseEntry(entries[i]);
    std::string piece = entries[i];
    if (e.hasValue && IsPasswordKey(e.key)) {
      // A password holding ";" outside braces runs on into the next entries: when an entry
      // without "=" follows, everything up to the last such entry may be part of it.
      for (size_t j = i + 1; j < entries.size(); ++j) {
        if (!ParseEntry(entries[j]).hasValue) i = j;
      }
      if (remove) continue;
      piece = e.key + "=********";
    }
    if (!out.empty()) out += ';';
    out += piece;
  }
  return out;
}

// A value as ODBC lets it stand in a connect string: in braces when it holds ";" or begins or
// ends with a blank.
std::string BraceIfNeeded(std::string_view value) {
  const bool needs = value.find(';') != std::string_view::npos ||
                     (!value.empty() && (value.front() == ' ' || value.back() == ' '));
  return needs ? "{" + std::string(value) + "}" : std::string(value);
}

}  // namespace

std::string WithConnectValue(std::string_view connect, std::string_view key,
                             std::string_view value) {
  const std::string entry = std::string(key) + "=" + BraceIfNeeded(value);
  std::string out;
  bool replaced = false;
  for (const std::string& text : SplitEntries(connect)) {
    if (Trim(text).empty()) continue;
    const Entry e = ParseEntry(text);
    std::string piece = text;
    if (e.hasValue && EqualsIgnoreCase(e.key, key)) {
      if (replaced) continue;
      piece = entry;
      replaced = true;
    }
    if (!out.empty()) out += ';';
    out += piece;
  }
  if (!replaced) {
    if (!out.empty()) out += ';';
    out += entry;
  }
  return out;
}

std::string PostgresConnectString(std::string_view host, int port, std::string_view database,
                                  std::string_view user, std::string_view password) {
  std::string connect = "DRIVER={PostgreSQL Unicode}";
  connect = WithConnectValue(connect, "Server", host);
  connect = WithConnectValue(connect, "Port", std::to_string(port));
  connect = WithConnectValue(connect, "Database", database);
  connect = WithConnectValue(connect, "UID", user);
  return WithConnectValue(connect, "PWD", password);
}

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
