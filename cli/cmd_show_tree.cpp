#include <CLI/CLI.hpp>

#include <filesystem>

#include "cli/commands.h"
#include "core/common/text_util.h"
#include "core/treefiles/tree_file_reader.h"

namespace quarry::cli {

namespace {

using treefiles::TreeFile;
using treefiles::ViewNode;

void PrintNode(const TreeFile& tree, int index, std::ostream& out) {
  const ViewNode& node = tree.nodes[static_cast<size_t>(index)];
  out << std::string(static_cast<size_t>(node.depth) * 2, ' ') << node.kind << ": "
      << Trim(node.label) << "  (";
  const std::string* details[] = {&node.detail1, &node.detail2, &node.detail3};
  for (int d = 0; d < 3; ++d) {
    out << (d ? ", " : "") << TreeFile::DetailCaption(tree.kind, d) << ": " << Trim(*details[d]);
  }
  out << ")\n";
  for (int child : node.children) PrintNode(tree, child, out);
}

}  // namespace

void AddShowTreeCommand(CLI::App& app, CliContext& ctx) {
  auto* cmd = app.add_subcommand(
      "show-tree",
      "Show a tree file (decision or model tree): the indented tree, its nodes and summary");
  static std::string name;
  cmd->add_option("file", name,
                  "The tree file, or its name in the working folder with or without .tree")
      ->required();
  cmd->callback([&ctx] {
    ctx.action = [] {
      const std::filesystem::path path = treefiles::FindResultFile(name, ".tree");
      if (!std::filesystem::exists(path)) return CliContext::Fail(NotFound("no tree file " + name));
      auto tree = treefiles::ReadTreeFile(path);
      if (!tree) return CliContext::Fail(tree.status());
      int leaves = 0;
      int depth = 0;
      for (const ViewNode& node : tree->nodes) {
        leaves += node.IsLeaf() ? 1 : 0;
        depth = std::max(depth, node.depth);
      }
      std::cout << (tree->IsModelTree() ? "Model tree " : "Decision tree ") << path.string() << "\n"
                << tree->readLine << "\n\n";
      PrintNode(*tree, 0, std::cout);
      std::cout << "\n"
                << tree->nodes.size() << " nodes, " << leaves << " leaves, depth " << depth << "\n";
      for (const std::string& line : tree->summary) std::cout << line << "\n";
      return kExitOk;
    };
  });
}

}  // namespace quarry::cli
