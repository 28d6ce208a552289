#pragma once
// The one reader of tree files, for both kinds: decision trees ("Decision tree") and model trees
// ("Regression tree"). The viewers and quarry-cli show trees only through it, so any writer that
// follows the layout is shown correctly.
//
// Layout shared by both kinds: a header line, the "Read  ..." line, an empty line, then one
// four-line block per node in depth-first order (node line, three detail lines), then an empty
// line and the summary. A node line is "| " times the depth, "-->", the node kind, ":" and the
// label; a detail line is a caption, ":" and a value.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/common/status.h"

namespace quarry::treefiles {

// The message every reader gives for a file it cannot show.
inline constexpr std::string_view kBadTreeFileFormat =
    "This file hasn't a correct format, please select another.";

enum class TreeKind { kDecisionTree, kModelTree };

// Node kinds as the node lines name them.
inline constexpr std::string_view kDiscreteNode = "DISCRETE NODE";
inline constexpr std::string_view kContinuousNode = "CONTINUOUS NODE";
inline constexpr std::string_view kRegressNode = "REGRESS NODE";
inline constexpr std::string_view kLeafNode = "LEAF";

// One node block of a tree file, in file order.
struct ViewNode {
  int depth = 0;              // the "|" characters before the first "-" of the node line
  std::string kind;           // the text between the first ">" and the next ":"
  std::string label;          // the rest of the node line: name or model, branch annotation
  std::string detail1;        // the text after the first ":" of each detail line: class, error and
  std::string detail2;        // items of a decision-tree node; mean, deviance and items of a
  std::string detail3;        // model-tree node (values keep their leading space)
  int parent = -1;            // index of the parent record; -1 for the root
  std::vector<int> children;  // indexes of the child records, in file order

  bool IsLeaf() const { return kind == kLeafNode; }
};

struct TreeFile {
  TreeKind kind = TreeKind::kDecisionTree;
  std::string readLine;              // "Read  14.000000 cases, with 4  attributes."
  std::vector<ViewNode> nodes;       // nodes[0] is the root
  std::vector<std::string> summary;  // every line after the node blocks, empty lines dropped
  std::string errorLine;             // the summary line that begins with "ERROR = "
  std::string measureLine;           // the line after it: "Errors/N = ..." or "SSres/Syy = ..."

  bool IsModelTree() const { return kind == TreeKind::kModelTree; }
  // Captions of the three detail lines as the viewers show them.
  static const char* DetailCaption(TreeKind kind, int detail);
};

// The grammar check: the number of nodes of a well-formed tree text, or a kParse status with
// kBadTreeFileFormat.
Expected<int> CheckTreeText(std::string_view text);
Expected<int> CheckTreeFile(const std::filesystem::path& path);

// Checks the grammar and parses every node block into its record.
Expected<TreeFile> ParseTreeText(std::string_view text);
Expected<TreeFile> ReadTreeFile(const std::filesystem::path& path);

// Reads a whole text file; kIo status when it cannot be read.
Expected<std::string> ReadTextFile(const std::filesystem::path& path);

// Splits text into lines at "\n". A line end of "\r\n" counts as "\n". `complete[i]` tells
// whether line i ended with a line end (the last line of a truncated file does not).
struct TextLines {
  std::vector<std::string_view> lines;
  std::vector<bool> complete;
};
TextLines SplitTextLines(std::string_view text);

// The file a viewer shows for `name`: `name` itself when it exists, else `name` + `extension`,
// else the same two inside the working folder. The first candidate when none exists.
std::filesystem::path FindResultFile(const std::string& name, std::string_view extension);

}  // namespace quarry::treefiles
