#include "core/dtree/error_based_pruning.h"

#include <cmath>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/common/text_util.h"
#include "core/data/working_folder.h"
#include "core/dtree/induction_engine.h"

namespace quarry::dtree {

namespace {

// Confidence levels and the normal deviates they interpolate between.
constexpr float kVal[] = {0, 0.001f, 0.005f, 0.01f, 0.05f, 0.10f, 0.20f, 0.40f, 1.00f};
constexpr float kDev[] = {100.0f, 3.09f, 2.58f, 2.33f, 1.65f, 1.28f, 0.84f, 0.25f, 0.00f};
constexpr int kLevels = sizeof kVal / sizeof kVal[0];

void WriteIndent(std::string& log, int shift) {
  log += "\n";
  for (int i = 0; i < shift; ++i) log += "| ";
}

class ErrorEstimator {
 public:
  ErrorEstimator(InductionEngine& engine, std::string& log) : e_(engine), log_(log) {}

  // With no unknown value among the loaded cases every weight stays 1 and every sum is a count,
  // whatever order the cases are in: a node's largest branch can then be estimated on the node's
  // cases from the counts its own cases left in the branch plus those of the node's other cases.
  // (Float sums of ones stay exact up to 2^24 cases.)
  void CountWhenExact(bool on) {
    countsExact_ = on && e_.MaxItem() < (1 << 24) && NoUnknownValues();
  }

  float Estimate(TreeNode& node, int fp, int lp, int shift, bool update, bool& changed);

 private:
  // The node's extra cases below a branch: how many reach each node, by class at the leaves.
  struct Extra {
    float items = 0;
    std::vector<float> dist;
  };

  bool NoUnknownValues() const;
  // Estimate(branch, fp, lp, -1000, false) from counts; false (nothing estimated) when a case
  // cannot be counted that way.
  bool EstimateBranch(const TreeNode& node, int maxBranch, int fp, int lp, float& errors);
  float EstimateCounted(const TreeNode& node,
                        const std::unordered_map<const TreeNode*, Extra>& extra);
  void Forget(const TreeNode& node);  // the records of the nodes below `node`
  // ReplaceWithCopy(node, node.Child(branch)) keeping the records of the copied nodes.
  void ReplaceWithBranch(TreeNode& node, int branch);

  InductionEngine& e_;
  std::string& log_;
  bool countsExact_ = false;
  // Nodes whose items and distribution are the counts of the cases this pass took to them.
  std::unordered_set<const TreeNode*> counted_;
};

bool ErrorEstimator::NoUnknownValues() const {
  const AttributeTable& att = e_.Att();
  for (const Case c : e_.Cases.Item) {
    for (int a = 0; a <= att.MaxAtt; ++a) {
      if (att.Status[static_cast<size_t>(a)] == kIgnored) continue;
      if (HoldsValueNumbers(att, a)) {
        if (DVal(c, a) == kUnknownValue) return false;
      } else if (CVal(c, a) == kUnknown) {
        return false;
      }
    }
  }
  return true;
}

bool ErrorEstimator::EstimateBranch(const TreeNode& node, int maxBranch, int fp, int lp,
                                    float& errors) {
  const TreeNode& branch = node.Child(maxBranch);
  if (!countsExact_ || !counted_.count(&branch)) return false;
  const size_t classes = static_cast<size_t>(e_.MaxClass() + 1);
  std::unordered_map<const TreeNode*, Extra> extra;
  for (int i = fp; i <= lp; ++i) {
    const Case c = e_.Cases.Item[static_cast<size_t>(i)];
    if (e_.Outcome(node, c) == maxBranch) continue;  // counted in the branch already
    const TreeNode* at = &branch;
    while (true) {
      ++extra[at].items;
      if (at->IsLeaf()) {
        std::vector<float>& dist = extra[at].dist;
        if (dist.empty()) dist.assign(classes, 0.0f);
        ++dist[static_cast<size_t>(e_.ClassOf(c))];
        break;
      }
      const int v = e_.Outcome(*at, c);
      if (v == 0) return false;
      if (v < 0 || v > at->Forks) break;  // no branch takes it
      at = &at->Child(v);
    }
  }
  errors = EstimateCounted(branch, extra);
  return true;
}

float ErrorEstimator::EstimateCounted(const TreeNode& node,
                                      const std::unordered_map<const TreeNode*, Extra>& extra) {
  const auto found = extra.find(&node);
  const Extra* more = found == extra.end() ? nullptr : &found->second;
  const bool own = counted_.count(&node) > 0;
  if (node.IsLeaf()) {
    const AttributeTable& att = e_.Att();
    const float items = (own ? node.Items() : 0.0f) + (more ? more->items : 0.0f);
    std::vector<float> dist(static_cast<size_t>(att.MaxClass + 1), 0.0f);
    for (size_t c = 0; c < dist.size(); ++c) {
      if (own) dist[c] += node.ClassDist[c];
      if (more && !more->dist.empty()) dist[c] += more->dist[c];
    }
    int best = node.Leaf;
    for (int c = 0; c <= att.MaxClass; ++c) {
      if (dist[static_cast<size_t>(c)] > dist[static_cast<size_t>(best)]) best = c;
    }
    const float leafErrors = items - dist[static_cast<size_t>(best)];
    const float extraErrors = AddErrors(items, leafErrors, e_.Options.CF);
    return leafErrors + extraErrors;
  }
  float treeErrors = 0;
  for (int v = 1; v <= node.Forks; ++v) {
    const TreeNode& child = node.Child(v);
    const auto childExtra = extra.find(&child);
    const bool reached = counted_.count(&child) > 0 || childExtra != extra.end();
    if (!reached) continue;
    treeErrors += EstimateCounted(child, extra);
  }
  return treeErrors;
}

void ErrorEstimator::Forget(const TreeNode& node) {
  if (counted_.empty()) return;
  for (int v = 1; v <= node.Forks; ++v) {
    if (!node.Branch[static_cast<size_t>(v)]) continue;
    counted_.erase(&node.Child(v));
    Forget(node.Child(v));
  }
}

void ErrorEstimator::ReplaceWithBranch(TreeNode& node, int branch) {
  if (!countsExact_) {
    ReplaceWithCopy(node, node.Child(branch));
    return;
  }
  // The copy has the branch's shape: its nodes take the branch's records, in pre-order.
  std::vector<bool> records;
  auto collect = [&](auto& self, const TreeNode& from) -> void {
    records.push_back(counted_.count(&from) > 0);
    for (int v = 1; v <= from.Forks; ++v) self(self, from.Child(v));
  };
  collect(collect, node.Child(branch));
  Forget(node);
  ReplaceWithCopy(node, node.Child(branch));
  size_t next = 0;
  auto assign = [&](auto& self, const TreeNode& to) -> void {
    if (records[next++]) {
      counted_.insert(&to);
    } else {
      counted_.erase(&to);
    }
    for (int v = 1; v <= to.Forks; ++v) self(self, to.Child(v));
  };
  assign(assign, node);
}

float ErrorEstimator::Estimate(TreeNode& node, int fp, int lp, int shift, bool update,
                               bool& changed) {
  const AttributeTable& att = e_.Att();
  CaseSet& cases = e_.Cases;
  const int classCell = att.MaxAtt + 1;
  const bool trace = e_.Options.VERBOSITY >= 1 && shift >= 0;

  const float items = e_.CountWeight(fp, lp);
  std::vector<float> dist(static_cast<size_t>(att.MaxClass + 1), 0.0f);
  for (int i = fp; i <= lp; ++i) {
    dist[static_cast<size_t>(cases.Item[static_cast<size_t>(i)][classCell].discr)] +=
        cases.Weight[static_cast<size_t>(i)];
  }
  int best = node.Leaf;
  for (int c = 0; c <= att.MaxClass; ++c) {
    if (dist[static_cast<size_t>(c)] > dist[static_cast<size_t>(best)]) best = c;
  }
  const float leafErrors = items - dist[static_cast<size_t>(best)];
  const float extra = AddErrors(items, leafErrors, e_.Options.CF);

  if (update) {
    node.SetItems(items);
    node.Leaf = static_cast<int16_t>(best);
    node.ClassDist = dist;
    if (countsExact_) counted_.insert(&node);
  }

  if (node.IsLeaf()) {
    const float treeErrors = leafErrors + extra;
    if (update) {
      node.SetErrors(treeErrors);
      if (trace) {
        WriteIndent(log_, shift);
        log_ +=
            Format("%s (%.2f:%.2f/%.2f)\n", att.ClassName[static_cast<size_t>(node.Leaf)].c_str(),
                   static_cast<double>(node.Items()), static_cast<double>(leafErrors),
                   static_cast<double>(node.Errors()));
      }
    }
    return treeErrors;
  }

  // Where no case has an unknown value there is none to gather.
  const int kp = countsExact_ ? fp : e_.PartitionCases(node, 0, fp, lp) + 1;
  const float known = e_.CountWeight(kp, lp);
  const bool allKnownAtEntry = e_.AllKnown;
  if (kp != fp) e_.AllKnown = false;
  float treeErrors = 0;
  float maxFactor = 0;
  int maxBranch = 1;
  for (int v = 1; v <= node.Forks; ++v) {
    const int ep = e_.PartitionCases(node, v, kp, lp);
    if (kp > ep) continue;
    const float factor = e_.CountWeight(kp, ep) / known;
    if (factor >= maxFactor) {  // the later branch wins ties
      maxBranch = v;
      maxFactor = factor;
    }
    for (int i = fp; i < kp; ++i) cases.Weight[static_cast<size_t>(i)] *= factor;
    treeErrors += Estimate(node.Child(v), fp, ep, shift + 1, update, changed);
    // Without cases of unknown outcome there are none to gather again.
    if (kp != fp) e_.PartitionCases(node, 0, fp, ep);
    for (int i = fp; i < kp; ++i) cases.Weight[static_cast<size_t>(i)] /= factor;
  }
  e_.AllKnown = allKnownAtEntry;

  if (!update) return treeErrors;

  float branchErrors = 0;
  if (!EstimateBranch(node, maxBranch, fp, lp, branchErrors)) {
    branchErrors = Estimate(node.Child(maxBranch), fp, lp, -1000, false, changed);
  }
  if (trace) {
    WriteIndent(log_, shift);
    log_ += Format("%s:  [%d%%  N=%.2f  tree=%.2f  leaf=%.2f+%.2f  br[%d]=%.2f]\n",
                   att.AttName[static_cast<size_t>(node.Tested())].c_str(),
                   static_cast<int>(treeErrors * 100 / (node.Items() + 0.001)),
                   static_cast<double>(node.Items()), static_cast<double>(treeErrors),
                   static_cast<double>(leafErrors), static_cast<double>(extra), maxBranch,
                   static_cast<double>(branchErrors));
  }

  if (leafErrors + extra <= branchErrors + 0.1 && leafErrors + extra <= treeErrors + 0.1) {
    if (trace)
      log_ += Format("Replaced with leaf %s\n", att.ClassName[static_cast<size_t>(best)].c_str());
    Forget(node);
    node.BecomeLeaf(items, leafErrors + extra);
    changed = true;
  } else if (branchErrors <= treeErrors + 0.1) {
    if (trace) log_ += Format("Replaced with branch %d\n", maxBranch);
    e_.AllKnown = allKnownAtEntry;
    Estimate(node.Child(maxBranch), fp, lp, shift, true, changed);
    ReplaceWithBranch(node, maxBranch);
    changed = true;
  } else {
    node.SetErrors(treeErrors);
  }
  e_.AllKnown = allKnownAtEntry;
  return node.Errors();
}

// Trims the last subset of every subset test to the values still possible there; a subset left
// empty drops its branch from the count.
void CheckPossibleValues(TreeNode& node, std::vector<ValueSet>& possible) {
  if (node.IsLeaf()) return;
  if (node.NodeType == kSubsetTest) {
    const size_t a = static_cast<size_t>(node.Tested());
    ValueSet& last = node.Discr.Subset[static_cast<size_t>(node.Forks)];
    bool any = false;
    for (size_t k = 0; k < last.size(); ++k) {
      last[k] &= possible[a][k];
      any = any || last[k] != 0;
    }
    if (!any) --node.Forks;
    const ValueSet saved = possible[a];
    for (int v = 1; v <= node.Forks; ++v) {
      possible[a] = node.Discr.Subset[static_cast<size_t>(v)];
      CheckPossibleValues(node.Child(v), possible);
    }
    possible[a] = saved;
    return;
  }
  for (int v = 1; v <= node.Forks; ++v) CheckPossibleValues(node.Child(v), possible);
}

}  // namespace

float AddErrors(float n, float e, float cf) {
  int i = 0;
  while (i < kLevels - 1 && kVal[i] < cf) ++i;
  // Levels outside (0, 1] are refused with the options; the bounds keep the table in reach.
  if (i == 0) i = 1;
  float coeff =
      kDev[i - 1] + (kDev[i] - kDev[i - 1]) * (cf - kVal[i - 1]) / (kVal[i] - kVal[i - 1]);
  coeff = coeff * coeff;

  if (e < 1e-6) return static_cast<float>(n * (1 - std::pow(static_cast<double>(cf), 1.0 / n)));
  if (e < 0.9999) {
    const double base = n * (1 - std::pow(static_cast<double>(cf), 1.0 / n));
    return static_cast<float>(base + e * (AddErrors(n, 1.0f, cf) - base));
  }
  if (e + 0.5 >= n) return static_cast<float>(0.67 * (n - e));
  const double pr =
      (e + 0.5 + coeff / 2 + std::sqrt(coeff * ((e + 0.5) * (1 - (e + 0.5) / n) + coeff / 4))) /
      (n + coeff);
  return static_cast<float>(n * pr - e);
}

std::string PruningLogName(const std::string& stem) {
  if (stem.find("_data") == std::string::npos) return SafeFileName(stem + "_prune.inf");
  return SafeFileName(ReplaceAll(stem, "_data", "_prune.inf"));
}

float EstimateErrors(InductionEngine& engine, TreeNode& node, std::string& log, int fp, int lp,
                     int shift, bool update, bool& changed) {
  return ErrorEstimator(engine, log).Estimate(node, fp, lp, shift, update, changed);
}

bool ErrorBasedPrune(InductionEngine& engine, TreeNode& tree, const std::string& stem,
                     bool countBranches) {
  std::string log;
  engine.ResetWeights();
  engine.AllKnown = true;
  if (engine.Options.VERBOSITY >= 1) log += "\n";
  bool changed = false;
  ErrorEstimator estimator(engine, log);
  estimator.CountWhenExact(countBranches);
  estimator.Estimate(tree, 0, engine.MaxItem(), 0, true, changed);
  if (engine.Options.SUBSET) {
    const AttributeTable& att = engine.Att();
    std::vector<ValueSet> possible(static_cast<size_t>(att.MaxAtt + 1));
    for (int a = 0; a <= att.MaxAtt; ++a) {
      const int values = att.ValueCount[static_cast<size_t>(a)];
      if (values <= 0) continue;
      ValueSet& set = possible[static_cast<size_t>(a)];
      set.assign(ValueSetBytes(values), 0);
      for (int v = 1; v <= values; ++v) AddToSet(set, v);
    }
    CheckPossibleValues(tree, possible);
  }
  // The trace is a side record; pruning stands whether or not it can be written.
  (void)AppendToResultFile(WorkingFile(PruningLogName(stem)), log);
  return changed;
}

}  // namespace quarry::dtree
