#include "core/treefiles/branch_condition.h"

#include <algorithm>
#include <charconv>

#include "core/common/text_util.h"

namespace quarry::treefiles {

namespace {

constexpr std::string_view kOpen = "[case: ";

// Where the annotation starts and ends (the index of its closing "]"), if it has one.
bool FindAnnotation(std::string_view label, size_t& open, size_t& close) {
  open = label.find(kOpen);
  if (open == std::string_view::npos) return false;
  const size_t body = open + kOpen.size();
  // A subset may hold any text; its "}" comes before the closing bracket.
  const size_t brace = label.find(" in {", body);
  size_t from = body;
  if (brace != std::string_view::npos) {
    const size_t end = label.find('}', brace);
    if (end != std::string_view::npos) from = end;
  }
  close = label.find(']', from);
  return close != std::string_view::npos;
}

std::optional<double> ParseNumber(std::string_view text) {
  text = Trim(text);
  if (text.empty()) return std::nullopt;
  double value = 0;
  const char* end = text.data() + text.size();
  auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

}  // namespace

bool BranchCondition::Admits(std::string_view value) const {
  value = Trim(value);
  if (value.empty() || value == "?") return false;
  switch (op) {
    case Op::kEquals:
    case Op::kIn:
      return std::find(values.begin(), values.end(), value) != values.end();
    case Op::kLessEqual:
    case Op::kGreater: {
      const std::optional<double> number = ParseNumber(value);
      if (!number) return false;
      return op == Op::kLessEqual ? *number <= threshold : *number > threshold;
    }
  }
  return false;
}

std::string BranchText(std::string_view label) {
  size_t open = 0;
  size_t close = 0;
  if (!FindAnnotation(label, open, close)) return {};
  return std::string(Trim(label.substr(open + kOpen.size(), close - open - kOpen.size())));
}

std::string NodeCaption(std::string_view label) {
  size_t open = 0;
  size_t close = 0;
  if (FindAnnotation(label, open, close)) label = label.substr(0, open);
  return std::string(Trim(label));
}

std::optional<BranchCondition> ParseBranchCondition(std::string_view label) {
  const std::string text = BranchText(label);
  if (text.empty()) return std::nullopt;
  BranchCondition test;
  const std::string_view body(text);
  if (const size_t in = body.find(" in {"); in != std::string_view::npos) {
    test.op = BranchCondition::Op::kIn;
    test.attribute = std::string(Trim(body.substr(0, in)));
    std::string_view set = body.substr(in + 5);
    if (const size_t end = set.rfind('}'); end != std::string_view::npos) set = set.substr(0, end);
    if (!Trim(set).empty()) {
      for (const std::string& value : SplitFields(set, ',')) test.values.emplace_back(Trim(value));
    }
    return test;
  }
  struct Form {
    std::string_view op;
    BranchCondition::Op code;
  };
  for (const Form form : {Form{" <= ", BranchCondition::Op::kLessEqual},
                          Form{" > ", BranchCondition::Op::kGreater}}) {
    const size_t at = body.rfind(form.op);
    if (at == std::string_view::npos) continue;
    const std::optional<double> threshold = ParseNumber(body.substr(at + form.op.size()));
    if (!threshold) continue;
    test.op = form.code;
    test.attribute = std::string(Trim(body.substr(0, at)));
    test.threshold = *threshold;
    return test;
  }
  const size_t eq = body.find(" = ");
  if (eq == std::string_view::npos) return std::nullopt;
  test.op = BranchCondition::Op::kEquals;
  test.attribute = std::string(Trim(body.substr(0, eq)));
  test.values.emplace_back(Trim(body.substr(eq + 3)));
  return test;
}

std::vector<std::string> TestedAttributes(const TreeFile& tree) {
  std::vector<std::string> out;
  for (TestedAttribute& attribute : TestedAttributeValues(tree))
    out.push_back(std::move(attribute.name));
  return out;
}

std::vector<TestedAttribute> TestedAttributeValues(const TreeFile& tree) {
  std::vector<TestedAttribute> out;
  for (const ViewNode& node : tree.nodes) {
    const std::optional<BranchCondition> test = ParseBranchCondition(node.label);
    if (!test) continue;
    auto at = std::find_if(out.begin(), out.end(), [&](const TestedAttribute& attribute) {
      return attribute.name == test->attribute;
    });
    if (at == out.end()) at = out.insert(out.end(), TestedAttribute{test->attribute, false, {}});
    if (test->op != BranchCondition::Op::kEquals && test->op != BranchCondition::Op::kIn) continue;
    at->discrete = true;
    for (const std::string& value : test->values) {
      if (std::find(at->values.begin(), at->values.end(), value) == at->values.end())
        at->values.push_back(value);
    }
  }
  return out;
}

std::vector<int> FollowCase(
    const TreeFile& tree,
    const std::function<std::optional<std::string>(const std::string& attribute)>& valueOf) {
  std::vector<int> path;
  if (tree.nodes.empty()) return path;
  int at = 0;
  for (;;) {
    path.push_back(at);
    const ViewNode& node = tree.nodes[static_cast<size_t>(at)];
    if (node.children.empty()) break;
    int next = -1;
    if (node.kind == kRegressNode) {
      next = node.children.front();
    } else {
      for (int child : node.children) {
        const std::optional<BranchCondition> test =
            ParseBranchCondition(tree.nodes[static_cast<size_t>(child)].label);
        if (!test) continue;
        const std::optional<std::string> value = valueOf(test->attribute);
        if (value && test->Admits(*value)) {
          next = child;
          break;
        }
      }
    }
    if (next < 0) break;
    at = next;
  }
  return path;
}

}  // namespace quarry::treefiles
