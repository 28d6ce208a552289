#include "core/treefiles/model_file.h"

#include <bit>
#include <cerrno>
#include <charconv>
#include <cstdint>
#include <cstdlib>

#include "core/common/text_util.h"
#include "core/data/working_folder.h"
#include "core/treefiles/decision_tree_writer.h"
#include "core/treefiles/model_tree_writer.h"

namespace quarry::treefiles {

namespace {

using dtree::AttributeTable;
using dtree::TreeNode;
using modeltree::ModelTreeNode;

constexpr std::string_view kMagic = "QUARRY model 1";
constexpr std::string_view kDecisionKind = "decision tree";
constexpr std::string_view kModelKind = "model tree";

std::string Escaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\\':
        out += "\\\\";
        break;
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      default:
        out += c;
    }
  }
  return out;
}

std::string Unescaped(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 == text.size()) {
      out += text[i];
      continue;
    }
    const char next = text[++i];
    out += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
  }
  return out;
}

// "%.9g" gives every float back exactly, "%.17g" every double.
struct F {
  explicit F(float v) : value(v) {}
  float value;
};
struct D {
  explicit D(double v) : value(v) {}
  double value;
};

// A record's fields are appended in place: a model file holds a dozen figures for every node of
// a tree that may have millions.
class Record {
 public:
  explicit Record(std::string& out, std::string_view tag) : out_(out) { out_ += tag; }
  ~Record() { out_ += '\n'; }
  Record& operator<<(std::string_view field) {
    out_ += '\t';
    out_ += field;
    return *this;
  }
  Record& operator<<(const char* field) { return *this << std::string_view(field); }
  Record& operator<<(long v) {
    char text[24];
    const char* end = std::to_chars(text, text + sizeof text, v).ptr;
    return *this << std::string_view(text, static_cast<size_t>(end - text));
  }
  Record& operator<<(F v) {
    // A node repeats many of its figures (a threshold as its bounds, its items in both test
    // parts, a pure leaf's items as its class's weight): a figure's text is made once a record.
    const uint32_t bits = std::bit_cast<uint32_t>(v.value);
    for (size_t k = 0; k < seen_; ++k) {
      if (seenBits_[k] != bits) continue;
      char text[32];
      const size_t size = seenSize_[k];
      out_.copy(text, size, seenAt_[k]);
      out_ += '\t';
      out_.append(text, size);
      return *this;
    }
    General(static_cast<double>(v.value), 9);
    if (seen_ < kSeen) {
      seenBits_[seen_] = bits;
      seenAt_[seen_] = at_;
      seenSize_[seen_] = out_.size() - at_;
      ++seen_;
    }
    return *this;
  }
  Record& operator<<(D v) { return General(v.value, 17); }
  Record& Name(std::string_view name) { return *this << std::string_view(Escaped(name)); }

 private:
  Record& General(double v, int precision) {
    out_ += '\t';
    at_ = out_.size();
    AppendGeneralText(out_, v, precision);
    return *this;
  }

  static constexpr size_t kSeen = 8;
  std::string& out_;
  size_t at_ = 0;  // where the last figure's text starts
  size_t seen_ = 0;
  uint32_t seenBits_[kSeen];
  size_t seenAt_[kSeen];
  size_t seenSize_[kSeen];
};

void AppendAttributes(std::string& out, const AttributeTable& att, bool classes) {
  Record(out, "attributes") << long{att.MaxAtt + 1};
  for (int a = 0; a <= att.MaxAtt; ++a) {
    Record r(out, "a");
    r << long{att.Status[a]} << long{att.ValueCount[a]};
    r.Name(att.AttName[a]);
    for (int v = 1; v <= att.ValueCount[a]; ++v) r.Name(att.ValueName[a][v]);
  }
  Record r(out, "target");
  r.Name(att.AttName[static_cast<size_t>(att.MaxAtt + 1)]);
  if (classes) {
    for (int c = 0; c <= att.MaxClass; ++c) r.Name(att.ClassName[c]);
  }
}

void AppendDecisionNode(std::string& out, const TreeNode& node, const AttributeTable& att) {
  {
    Record r(out, "n");
    r << long{node.NodeType} << long{node.Forks} << long{node.Leaf};
    r << long{node.Cont.Tested} << F(node.Cont.Items) << F(node.Cont.Errors) << F(node.Cont.Cut)
      << F(node.Cont.Lower) << F(node.Cont.Upper);
    r << long{node.Discr.Tested} << F(node.Discr.Items) << F(node.Discr.Errors)
      << long{node.Discr.Kind};
    r << static_cast<long>(node.ClassDist.size());
    for (float w : node.ClassDist) r << F(w);
  }
  if (node.NodeType == dtree::kSubsetTest) {
    const int a = node.Tested();
    for (int b = 1; b <= node.Forks; ++b) {
      Record r(out, "s");
      r << long{b};
      for (int v = 1; v <= att.ValueCount[a]; ++v) {
        if (dtree::InSet(node.Discr.Subset[static_cast<size_t>(b)], v)) r << long{v};
      }
    }
  }
  for (int b = 1; b <= node.Forks; ++b) AppendDecisionNode(out, node.Child(b), att);
}

void AppendModelNode(std::string& out, const ModelTreeNode& node) {
  Record(out, "n") << long{node.id} << long{node.kind} << F(node.mean) << D(node.deviance)
                   << long{node.Items()};
  if (node.test) {
    Record r(out, "t");
    if (const auto* cut = dynamic_cast<const modeltree::ContinuousSplit*>(node.test.get())) {
      r << "c" << long{cut->attribute} << F(cut->threshold);
    } else {
      const auto& subset = static_cast<const modeltree::DiscreteSplit&>(*node.test);
      r << "d" << long{subset.attribute};
      for (int16_t v : subset.subset) r << long{v};
    }
  }
  if (node.model) {
    const modeltree::LinearModel& m = *node.model;
    Record r(out, "m");
    r << long{m.variable} << long{m.count} << D(m.intercept) << D(m.slope)
      << static_cast<long>(m.coefficients.size());
    for (const auto& pair : m.coefficients) r << D(pair.intercept) << D(pair.slope);
  }
  if (node.left) AppendModelNode(out, *node.left);
  if (node.right) AppendModelNode(out, *node.right);
}

// Reads the records of a model file in order.
class Reader {
 public:
  explicit Reader(std::string_view text) : lines_(SplitTextLines(text)) {}

  bool Next(std::string_view tag) {
    if (at_ >= lines_.lines.size()) return false;
    fields_ = SplitFields(lines_.lines[at_], '\t');
    if (fields_.empty() || fields_[0] != tag) return false;
    ++at_;
    field_ = 1;
    return true;
  }
  std::string_view Line(size_t i) const {
    return i < lines_.lines.size() ? lines_.lines[i] : std::string_view();
  }
  size_t Fields() const { return fields_.size(); }
  bool More() const { return field_ < fields_.size(); }
  std::string Name() { return More() ? Unescaped(fields_[field_++]) : Fail(); }
  long Int() {
    if (!More()) return Fail(), 0;
    const std::string& f = fields_[field_++];
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(f.c_str(), &end, 10);
    if (f.empty() || *end != '\0' || errno != 0) Fail();
    return v;
  }
  double Real() {
    if (!More()) return Fail(), 0.0;
    const std::string& f = fields_[field_++];
    char* end = nullptr;
    const double v = std::strtod(f.c_str(), &end);
    if (f.empty() || *end != '\0') Fail();
    return v;
  }
  float Float() { return static_cast<float>(Real()); }
  void Skip(size_t lines) { at_ += lines; }
  bool ok() const { return ok_; }
  std::string Fail() {
    ok_ = false;
    return {};
  }

 private:
  TextLines lines_;
  size_t at_ = 0;
  std::vector<std::string> fields_;
  size_t field_ = 1;
  bool ok_ = true;
};

Status NotAModel(std::string_view why) {
  return ParseError("not a model file (" + std::string(why) + ")");
}

bool ReadAttributes(Reader& in, AttributeTable& att, bool classes) {
  if (!in.Next("attributes")) return false;
  const long n = in.Int();
  if (!in.ok() || n < 1 || n > 32000) return false;
  att.MaxAtt = static_cast<int16_t>(n - 1);
  for (long a = 0; a < n; ++a) {
    if (!in.Next("a")) return false;
    const long status = in.Int();
    const long count = in.Int();
    if (status < dtree::kIgnored || status > dtree::kContinuous || count < 0 || count > 65535)
      return false;
    att.Status.push_back(static_cast<uint8_t>(status));
    att.ValueCount.push_back(static_cast<int32_t>(count));
    att.AttName.push_back(in.Name());
    std::vector<std::string> values(1);
    for (long v = 0; v < count; ++v) values.push_back(in.Name());
    att.ValueName.push_back(std::move(values));
    if (count > att.MaxDiscrVal) att.MaxDiscrVal = static_cast<int16_t>(count);
  }
  if (!in.Next("target")) return false;
  att.AttName.push_back(in.Name());
  att.Status.push_back(classes ? dtree::kDiscrete : dtree::kContinuous);
  att.ValueCount.push_back(0);
  att.ValueName.emplace_back();
  if (classes) {
    while (in.More()) att.ClassName.push_back(in.Name());
    if (att.ClassName.empty()) return false;
    att.MaxClass = static_cast<int16_t>(att.ClassName.size() - 1);
    att.ClassFreq.assign(att.ClassName.size(), 0.0f);
  }
  return in.ok();
}

bool ValidAttribute(const AttributeTable& att, long a) { return a >= 0 && a <= att.MaxAtt; }

std::unique_ptr<TreeNode> ReadDecisionNode(Reader& in, const AttributeTable& att, int depth) {
  if (depth > 10000 || !in.Next("n")) return nullptr;
  auto node = std::make_unique<TreeNode>();
  const long type = in.Int();
  const long forks = in.Int();
  const long leaf = in.Int();
  if (type < dtree::kLeaf || type > dtree::kSubsetTest || forks < 0 || forks > 65535 || leaf < 0 ||
      leaf > att.MaxClass) {
    return nullptr;
  }
  node->NodeType = static_cast<int16_t>(type);
  node->Leaf = static_cast<int16_t>(leaf);
  node->Cont.Tested = static_cast<int16_t>(in.Int());
  node->Cont.Items = in.Float();
  node->Cont.Errors = in.Float();
  node->Cont.Cut = in.Float();
  node->Cont.Lower = in.Float();
  node->Cont.Upper = in.Float();
  node->Discr.Tested = static_cast<int16_t>(in.Int());
  node->Discr.Items = in.Float();
  node->Discr.Errors = in.Float();
  node->Discr.Kind = static_cast<int16_t>(in.Int());
  const long classes = in.Int();
  if (!in.ok() || classes < 0 || classes > att.MaxClass + 1) return nullptr;
  std::vector<float> dist;
  for (long c = 0; c < classes; ++c) dist.push_back(in.Float());
  node->ClassDist = dist;
  if (!in.ok() || in.More()) return nullptr;
  if (node->IsLeaf()) {
    if (forks != 0) return nullptr;
    return node;
  }
  // A leaf's vote reads every class weight.
  if (forks < 1 || !ValidAttribute(att, node->Tested())) return nullptr;
  const int a = node->Tested();
  if (type != dtree::kCutTest && att.ValueCount[a] < 1) return nullptr;
  node->SetForks(static_cast<int>(forks));
  if (type == dtree::kSubsetTest) {
    node->Discr.Subset.assign(static_cast<size_t>(forks) + 1,
                              dtree::ValueSet(dtree::ValueSetBytes(att.ValueCount[a])));
    for (long b = 1; b <= forks; ++b) {
      if (!in.Next("s") || in.Int() != b) return nullptr;
      while (in.More()) {
        const long v = in.Int();
        if (v < 1 || v > att.ValueCount[a]) return nullptr;
        dtree::AddToSet(node->Discr.Subset[static_cast<size_t>(b)], static_cast<int>(v));
      }
    }
  }
  for (int b = 1; b <= forks; ++b) {
    node->Branch[static_cast<size_t>(b)] = ReadDecisionNode(in, att, depth + 1);
    if (!node->Branch[static_cast<size_t>(b)]) return nullptr;
  }
  if (!in.ok()) return nullptr;
  return node;
}

std::unique_ptr<ModelTreeNode> ReadModelNode(Reader& in, const AttributeTable& att, int depth) {
  if (depth > 10000 || !in.Next("n")) return nullptr;
  auto node = std::make_unique<ModelTreeNode>();
  node->id = static_cast<int32_t>(in.Int());
  node->kind = static_cast<int32_t>(in.Int());
  node->mean = in.Float();
  node->deviance = in.Real();
  const long items = in.Int();
  if (!in.ok() || items < 0) return nullptr;
  node->first = 0;
  node->last = static_cast<int32_t>(items - 1);
  const bool split =
      node->kind == modeltree::kContinuousSplit || node->kind == modeltree::kDiscreteSplit;
  if (!split && node->kind != modeltree::kLeaf && node->kind != modeltree::kRegression)
    return nullptr;
  if (split) {
    if (!in.Next("t")) return nullptr;
    const std::string which = in.Name();
    const long a = in.Int();
    if (!ValidAttribute(att, a)) return nullptr;
    if ((which == "c") != (node->kind == modeltree::kContinuousSplit)) return nullptr;
    if (which == "c") {
      node->test =
          std::make_unique<modeltree::ContinuousSplit>(static_cast<int16_t>(a), in.Float());
    } else {
      std::vector<int16_t> values;
      while (in.More()) {
        const long v = in.Int();
        if (v < 0 || v > att.ValueCount[a]) return nullptr;
        values.push_back(static_cast<int16_t>(v));
      }
      node->test =
          std::make_unique<modeltree::DiscreteSplit>(static_cast<int16_t>(a), std::move(values));
    }
  } else {
    if (!in.Next("m")) return nullptr;
    auto model = std::make_unique<modeltree::LinearModel>(att.MaxAtt);
    const long variable = in.Int();
    if (variable != -1 && !ValidAttribute(att, variable)) return nullptr;
    if (node->kind == modeltree::kRegression && variable < 0) return nullptr;
    model->variable = static_cast<int16_t>(variable);
    model->count = static_cast<int32_t>(in.Int());
    model->intercept = in.Real();
    model->slope = in.Real();
    if (in.Int() != static_cast<long>(model->coefficients.size())) return nullptr;
    for (auto& pair : model->coefficients) {
      pair.intercept = in.Real();
      pair.slope = in.Real();
    }
    node->model = std::move(model);
  }
  if (!in.ok() || in.More()) return nullptr;
  if (split || node->kind == modeltree::kRegression) {
    node->left = ReadModelNode(in, att, depth + 1);
    if (!node->left) return nullptr;
  }
  if (split) {
    node->right = ReadModelNode(in, att, depth + 1);
    if (!node->right) return nullptr;
  }
  return node;
}

// The text the tree file's writer gives the model's tree, up to its summary.
std::string TreeFileStart(const SavedTree& tree) {
  if (tree.kind == TreeKind::kDecisionTree) {
    return DecisionTreeHeader(*tree.decision, tree.att) +
           DecisionTreeBlocks(*tree.decision, tree.att);
  }
  std::string text = ModelTreeHeader(tree.cases, tree.att.MaxAtt + 1);
  modeltree::ModelTreeCounts counts;
  WriteModelTree(text, *tree.model, tree.att, counts);
  return text;
}

}  // namespace

std::filesystem::path ModelFileFor(const std::filesystem::path& treeFile) {
  std::filesystem::path path = treeFile;
  path.replace_extension(kModelFileExtension);
  return path;
}

std::string DecisionModelText(const TreeNode& root, const AttributeTable& att,
                              dtree::LeafVote vote) {
  std::string out;
  out += kMagic;
  out += '\n';
  out += kDecisionKind;
  out += '\n';
  Record(out, "vote") << (vote == dtree::LeafVote::kWholeCase ? "whole" : "distribution");
  AppendAttributes(out, att, true);
  out += "nodes\n";
  AppendDecisionNode(out, root, att);
  out += "end\n";
  return out;
}

std::string ModelTreeModelText(const ModelTreeNode& root, const AttributeTable& att, int cases) {
  std::string out;
  out += kMagic;
  out += '\n';
  out += kModelKind;
  out += '\n';
  Record(out, "cases") << long{cases};
  AppendAttributes(out, att, false);
  out += "nodes\n";
  AppendModelNode(out, root);
  out += "end\n";
  return out;
}

Status WriteDecisionModelFile(const TreeNode& root, const AttributeTable& att, dtree::LeafVote vote,
                              const std::filesystem::path& path) {
  return WriteResultFile(path, DecisionModelText(root, att, vote));
}

Status WriteModelTreeModelFile(const ModelTreeNode& root, const AttributeTable& att, int cases,
                               const std::filesystem::path& path) {
  return WriteResultFile(path, ModelTreeModelText(root, att, cases));
}

Expected<SavedTree> ParseModelText(std::string_view text) {
  Reader in(text);
  if (in.Line(0) != kMagic) return NotAModel("its first line is not \"QUARRY model 1\"");
  SavedTree tree;
  if (in.Line(1) == kDecisionKind) {
    tree.kind = TreeKind::kDecisionTree;
  } else if (in.Line(1) == kModelKind) {
    tree.kind = TreeKind::kModelTree;
  } else {
    return NotAModel("unknown kind of tree");
  }
  in.Skip(2);
  const bool decision = tree.kind == TreeKind::kDecisionTree;
  if (decision) {
    if (!in.Next("vote")) return NotAModel("no vote line");
    const std::string vote = in.Name();
    if (vote != "distribution" && vote != "whole") return NotAModel("unknown vote");
    tree.vote = vote == "whole" ? dtree::LeafVote::kWholeCase : dtree::LeafVote::kDistribution;
  } else {
    if (!in.Next("cases")) return NotAModel("no cases line");
    tree.cases = static_cast<int>(in.Int());
  }
  if (!ReadAttributes(in, tree.att, decision)) return NotAModel("bad attribute table");
  if (!in.Next("nodes")) return NotAModel("no nodes");
  if (decision) {
    tree.decision = ReadDecisionNode(in, tree.att, 0);
  } else {
    tree.model = ReadModelNode(in, tree.att, 0);
  }
  if (!tree.decision && !tree.model) return NotAModel("bad node record");
  if (!in.Next("end")) return NotAModel("no end line after the nodes");
  return tree;
}

Expected<SavedTree> ReadSavedTree(const std::filesystem::path& file) {
  namespace fs = std::filesystem;
  std::error_code ec;
  const bool givenModel = file.extension() == kModelFileExtension;
  const fs::path modelPath = givenModel ? file : ModelFileFor(file);
  fs::path treePath = file;
  if (givenModel) treePath.replace_extension(".tree");
  if (!givenModel) {
    if (!fs::is_regular_file(file, ec)) return NotFound("no tree file " + file.string());
    auto check = CheckTreeFile(file);
    if (!check) return ParseError(file.string() + ": " + std::string(kBadTreeFileFormat));
    if (!fs::is_regular_file(modelPath, ec)) {
      return NotFound(file.string() + " has no model file beside it (" +
                      modelPath.filename().string() +
                      "): only trees grown by this version are saved as models; grow the tree "
                      "again to apply it");
    }
  }
  auto text = ReadTextFile(modelPath);
  if (!text) return NotFound("cannot read the model file " + modelPath.string());
  auto tree = ParseModelText(*text);
  if (!tree)
    return Status(tree.status().code(), modelPath.string() + ": " + tree.status().message());
  if (fs::is_regular_file(treePath, ec)) {
    auto treeText = ReadTextFile(treePath);
    if (!treeText) return NotFound("cannot read the tree file " + treePath.string());
    const std::string start = TreeFileStart(*tree);
    if (!StartsWith(*treeText, start)) {
      return ParseError(modelPath.string() + " does not hold the tree of " + treePath.string() +
                        " (the tree file was written again without it)");
    }
    tree->treeFile = treePath;
  }
  return tree;
}

}  // namespace quarry::treefiles
