#include "core/treefiles/tree_file_reader.h"

#include <fstream>
#include <iterator>
#include <sstream>

#include "core/common/text_util.h"
#include "core/data/working_folder.h"

namespace quarry::treefiles {

namespace {

constexpr std::string_view kDecisionHeader = "Decision tree";
constexpr std::string_view kModelHeader = "Regression tree";
constexpr std::string_view kReadPrefix = "Read  ";
constexpr int kLinesPerNode = 4;
constexpr int kFirstNodeLine = 3;

Status BadFormat() { return ParseError(std::string(kBadTreeFileFormat)); }

bool IsKnownKind(std::string_view kind) {
  return kind == kDiscreteNode || kind == kContinuousNode || kind == kRegressNode ||
         kind == kLeafNode;
}

// The node kind of a node line and where its label starts; false when the line names none.
bool SplitNodeLine(std::string_view line, std::string_view& kind, std::string_view& label) {
  const size_t arrow = line.find('>');
  if (arrow == std::string_view::npos) return false;
  const size_t colon = line.find(':', arrow + 1);
  if (colon == std::string_view::npos) return false;
  kind = line.substr(arrow + 1, colon - arrow - 1);
  label = line.substr(colon + 1);
  return IsKnownKind(kind);
}

int CountDepth(std::string_view line) {
  int depth = 0;
  for (char c : line) {
    if (c == '-') break;
    if (c == '|') ++depth;
  }
  return depth;
}

// Validates the header and the node blocks; returns the index of the empty line that ends them.
Expected<size_t> CheckBlocks(const TextLines& text, TreeKind& kind) {
  const auto& lines = text.lines;
  if (lines.empty() || !text.complete[0]) return BadFormat();
  if (lines[0] == kDecisionHeader) {
    kind = TreeKind::kDecisionTree;
  } else if (lines[0] == kModelHeader) {
    kind = TreeKind::kModelTree;
  } else {
    return BadFormat();
  }
  if (lines.size() <= kFirstNodeLine || !StartsWith(lines[1], kReadPrefix) || !lines[2].empty()) {
    return BadFormat();
  }
  size_t at = kFirstNodeLine;
  while (true) {
    if (at >= lines.size()) return BadFormat();  // ended before the empty line
    if (lines[at].empty() && text.complete[at]) {
      if (at == kFirstNodeLine) return BadFormat();  // a tree has at least its root
      return at;
    }
    std::string_view kindText, label;
    if (!SplitNodeLine(lines[at], kindText, label)) return BadFormat();
    // The three detail lines must be there, each with its caption.
    if (at + kLinesPerNode - 1 >= lines.size()) return BadFormat();
    for (size_t d = 1; d < kLinesPerNode; ++d) {
      if (lines[at + d].find(':') == std::string_view::npos) return BadFormat();
    }
    at += kLinesPerNode;
  }
}

std::string AfterFirstColon(std::string_view line) {
  return std::string(line.substr(line.find(':') + 1));
}

}  // namespace

const char* TreeFile::DetailCaption(TreeKind kind, int detail) {
  static const char* const kDecision[] = {"CLASS", "ERROR", "NUMBER OF ITEMS"};
  static const char* const kModel[] = {"MEAN", "DEVIANCE", "NUMBER OF ITEMS"};
  if (detail < 0 || detail > 2) return "";
  return kind == TreeKind::kModelTree ? kModel[detail] : kDecision[detail];
}

TextLines SplitTextLines(std::string_view text) {
  TextLines out;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      out.lines.push_back(text.substr(start));
      out.complete.push_back(false);
      break;
    }
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    out.lines.push_back(line);
    out.complete.push_back(true);
    start = end + 1;
  }
  return out;
}

Expected<int> CheckTreeText(std::string_view text) {
  auto tree = ParseTreeText(text);
  if (!tree) return tree.status();
  return static_cast<int>(tree->nodes.size());
}

Expected<TreeFile> ParseTreeText(std::string_view text) {
  TextLines lines = SplitTextLines(text);
  TreeFile tree;
  auto end = CheckBlocks(lines, tree.kind);
  if (!end) return end.status();
  tree.readLine = std::string(lines.lines[1]);
  tree.nodes.reserve((*end - kFirstNodeLine) / kLinesPerNode);

  // The parent of a node is the nearest earlier node one level up; `lastAtDepth[d]` is the
  // latest node seen at depth d.
  std::vector<int> lastAtDepth;
  for (size_t at = kFirstNodeLine; at < *end; at += kLinesPerNode) {
    ViewNode node;
    std::string_view kind, label;
    SplitNodeLine(lines.lines[at], kind, label);
    node.depth = CountDepth(lines.lines[at]);
    node.kind = std::string(kind);
    node.label = std::string(label);
    node.detail1 = AfterFirstColon(lines.lines[at + 1]);
    node.detail2 = AfterFirstColon(lines.lines[at + 2]);
    node.detail3 = AfterFirstColon(lines.lines[at + 3]);
    const int index = static_cast<int>(tree.nodes.size());
    // One root, and no node deeper than one level below the node before it: anything else has
    // no place in a tree.
    if ((index == 0) != (node.depth == 0)) return BadFormat();
    if (node.depth > static_cast<int>(lastAtDepth.size())) return BadFormat();
    if (node.depth > 0) {
      node.parent = lastAtDepth[static_cast<size_t>(node.depth - 1)];
      tree.nodes[static_cast<size_t>(node.parent)].children.push_back(index);
    }
    lastAtDepth.resize(static_cast<size_t>(node.depth));
    lastAtDepth.push_back(index);
    tree.nodes.push_back(std::move(node));
  }

  for (size_t at = *end + 1; at < lines.lines.size(); ++at) {
    std::string_view line = lines.lines[at];
    if (StartsWith(line, "ERROR = ") && tree.errorLine.empty()) {
      tree.errorLine = std::string(line);
      if (at + 1 < lines.lines.size()) tree.measureLine = std::string(lines.lines[at + 1]);
    }
    if (!line.empty()) tree.summary.emplace_back(line);
  }
  return tree;
}

Expected<std::string> ReadTextFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return IoError("cannot open " + path.string());
  std::ostringstream content;
  content << in.rdbuf();
  if (in.bad()) return IoError("cannot read " + path.string());
  return content.str();
}

Expected<int> CheckTreeFile(const std::filesystem::path& path) {
  auto text = ReadTextFile(path);
  if (!text) return BadFormat();
  return CheckTreeText(*text);
}

Expected<TreeFile> ReadTreeFile(const std::filesystem::path& path) {
  auto text = ReadTextFile(path);
  if (!text) return BadFormat();
  return ParseTreeText(*text);
}

std::filesystem::path FindResultFile(const std::string& name, std::string_view extension) {
  namespace fs = std::filesystem;
  std::vector<fs::path> candidates = {fs::path(name), fs::path(name + std::string(extension))};
  if (fs::path(name).is_relative()) {
    candidates.push_back(WorkingFile(name));
    candidates.push_back(WorkingFile(name + std::string(extension)));
  }
  for (const fs::path& candidate : candidates) {
    std::error_code ec;
    if (fs::is_regular_file(candidate, ec)) return candidate;
  }
  return candidates.front();
}

}  // namespace quarry::treefiles
