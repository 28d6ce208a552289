#include "core/dtree/error_based_pruning.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "core/common/text_util.h"
#include "core/data/working_folder.h"
#include "core/dtree/branch_cases.h"
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
  // Where counts are exact, a node's cases are laid out once for its whole subtree: each case
  // is taken down the tree to the node where it stops (a leaf, or a test none of whose
  // branches takes it), and the cases are grouped by that node in post-order, so that every
  // node of the subtree holds one contiguous piece of the range, its branches' pieces in
  // branch order and its own stopped cases after them. Taking one case down the whole path
  // reads one case's cells many times, where partitioning level by level reads every case's
  // cells once a level.
  struct Layout {
    struct Place {
      TreeNode* node;
      int kids;   // its branches' places start at kids[this]; -1 where a branch is missing
      int first;  // the node's cases, Item[first..last]
      int last;
      int16_t forks;   // 0 for a leaf
      int16_t cutAtt;  // a cut test's attribute, whose cell alone gives the outcome; else -1
      float cut;
    };
    std::vector<Place> places;  // post-order: a node after its branches
    std::vector<int> kids;
    std::vector<float> dist;  // [place * classes + class]
  };
  // The node as a leaf over its cases, and the node's figures when updating.
  struct AsLeaf {
    float items = 0;
    int best = 0;
    float errors = 0;  // observed
    float extra = 0;   // added at the confidence level
  };

  bool NoUnknownValues() const;
  AsLeaf EstimateAsLeaf(TreeNode& node, float items, const std::vector<float>& dist, bool update);
  // The leaf's trace line, when tracing.
  void TraceLeaf(const TreeNode& node, const AsLeaf& leaf, int shift);
  // What follows the branches of a node being updated: the node becomes a leaf, its largest
  // branch or stays. `reestimateBranch` estimates the largest branch, updating it, over all the
  // node's cases.
  template <typename Reestimate>
  float Decide(TreeNode& node, const AsLeaf& leaf, float treeErrors, int maxBranch,
               float branchErrors, int shift, bool& changed, Reestimate reestimateBranch);
  // Lays out Item[fp..lp] under `node` (see Layout).
  void LayOut(TreeNode& node, int fp, int lp, Layout& layout);
  int Flatten(TreeNode& node, Layout& layout);
  // Estimate(node, first, last, shift, true, changed) for the node at `at` of a layout.
  float EstimateLaidOut(const Layout& layout, int at, int shift, bool& changed);
  // Estimate(branch, fp, lp, -1000, false) from counts, the cases of Item[fp..lp] outside
  // [skipFirst..skipLast] (the branch's own) going through the branch; false (nothing
  // estimated) when a case cannot be counted that way.
  bool EstimateBranch(const TreeNode& node, int maxBranch, int fp, int lp, int skipFirst,
                      int skipLast, float& errors);
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
  std::vector<int> stop_;    // LayOut's: where each case of the range stops
  std::vector<Case> moved_;  // LayOut's: the range regrouped
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
                                    int skipFirst, int skipLast, float& errors) {
  const TreeNode& branch = node.Child(maxBranch);
  if (!countsExact_ || !counted_.count(&branch)) return false;
  const size_t classes = static_cast<size_t>(e_.MaxClass() + 1);
  std::unordered_map<const TreeNode*, Extra> extra;
  for (int i = fp; i <= lp; ++i) {
    if (i == skipFirst) {  // counted in the branch already
      i = skipLast;
      continue;
    }
    const Case c = e_.Cases.Item[static_cast<size_t>(i)];
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

ErrorEstimator::AsLeaf ErrorEstimator::EstimateAsLeaf(TreeNode& node, float items,
                                                      const std::vector<float>& dist, bool update) {
  AsLeaf leaf;
  leaf.items = items;
  leaf.best = node.Leaf;
  for (int c = 0; c <= e_.MaxClass(); ++c) {
    if (dist[static_cast<size_t>(c)] > dist[static_cast<size_t>(leaf.best)]) leaf.best = c;
  }
  leaf.errors = items - dist[static_cast<size_t>(leaf.best)];
  leaf.extra = AddErrors(items, leaf.errors, e_.Options.CF);
  if (update) {
    node.SetItems(items);
    node.Leaf = static_cast<int16_t>(leaf.best);
    node.ClassDist = dist;
    if (countsExact_) counted_.insert(&node);
    if (node.IsLeaf()) node.SetErrors(leaf.errors + leaf.extra);
  }
  return leaf;
}

void ErrorEstimator::TraceLeaf(const TreeNode& node, const AsLeaf& leaf, int shift) {
  if (e_.Options.VERBOSITY < 1 || shift < 0) return;
  WriteIndent(log_, shift);
  log_ +=
      Format("%s (%.2f:%.2f/%.2f)\n", e_.Att().ClassName[static_cast<size_t>(node.Leaf)].c_str(),
             static_cast<double>(node.Items()), static_cast<double>(leaf.errors),
             static_cast<double>(node.Errors()));
}

template <typename Reestimate>
float ErrorEstimator::Decide(TreeNode& node, const AsLeaf& leaf, float treeErrors, int maxBranch,
                             float branchErrors, int shift, bool& changed,
                             Reestimate reestimateBranch) {
  const AttributeTable& att = e_.Att();
  const bool trace = e_.Options.VERBOSITY >= 1 && shift >= 0;
  if (trace) {
    WriteIndent(log_, shift);
    log_ += Format("%s:  [%d%%  N=%.2f  tree=%.2f  leaf=%.2f+%.2f  br[%d]=%.2f]\n",
                   att.AttName[static_cast<size_t>(node.Tested())].c_str(),
                   static_cast<int>(treeErrors * 100 / (node.Items() + 0.001)),
                   static_cast<double>(node.Items()), static_cast<double>(treeErrors),
                   static_cast<double>(leaf.errors), static_cast<double>(leaf.extra), maxBranch,
                   static_cast<double>(branchErrors));
  }
  const float asLeaf = leaf.errors + leaf.extra;
  if (asLeaf <= branchErrors + 0.1 && asLeaf <= treeErrors + 0.1) {
    if (trace)
      log_ +=
          Format("Replaced with leaf %s\n", att.ClassName[static_cast<size_t>(leaf.best)].c_str());
    Forget(node);
    node.BecomeLeaf(leaf.items, asLeaf);
    changed = true;
  } else if (branchErrors <= treeErrors + 0.1) {
    if (trace) log_ += Format("Replaced with branch %d\n", maxBranch);
    reestimateBranch();
    ReplaceWithBranch(node, maxBranch);
    changed = true;
  } else {
    node.SetErrors(treeErrors);
  }
  return node.Errors();
}

float ErrorEstimator::Estimate(TreeNode& node, int fp, int lp, int shift, bool update,
                               bool& changed) {
  if (update && countsExact_) {
    Layout layout;
    LayOut(node, fp, lp, layout);
    return EstimateLaidOut(layout, static_cast<int>(layout.places.size()) - 1, shift, changed);
  }
  const AttributeTable& att = e_.Att();
  CaseSet& cases = e_.Cases;
  const int classCell = att.MaxAtt + 1;

  std::vector<float> dist(static_cast<size_t>(att.MaxClass + 1), 0.0f);
  if (node.IsLeaf()) {
    for (int i = fp; i <= lp; ++i) {
      dist[static_cast<size_t>(cases.Item[static_cast<size_t>(i)][classCell].discr)] +=
          cases.Weight[static_cast<size_t>(i)];
    }
    const AsLeaf leaf = EstimateAsLeaf(node, e_.CountWeight(fp, lp), dist, update);
    if (update) TraceLeaf(node, leaf, shift);
    return leaf.errors + leaf.extra;
  }

  // The class weights come from the same read of the cases. Where no case has an unknown value
  // there is none to gather.
  float items = 0;
  BranchCases branches(e_, node, fp, lp, !countsExact_, dist.data(), &items);
  const AsLeaf leaf = EstimateAsLeaf(node, items, dist, update);
  const int kp = branches.Kp();
  const float known = e_.CountWeight(kp, lp);
  const bool allKnownAtEntry = e_.AllKnown;
  if (kp != fp) e_.AllKnown = false;
  float treeErrors = 0;
  float maxFactor = 0;
  int maxBranch = 1;
  for (int v = 1; v <= node.Forks; ++v) {
    const int ep = branches.Take(v);
    if (v == node.Forks) branches.DropOutcomes();
    if (kp > ep) continue;
    const float factor = e_.CountWeight(kp, ep) / known;
    if (factor >= maxFactor) {  // the later branch wins ties
      maxBranch = v;
      maxFactor = factor;
    }
    for (int i = fp; i < kp; ++i) cases.Weight[static_cast<size_t>(i)] *= factor;
    treeErrors += Estimate(node.Child(v), fp, ep, shift + 1, update, changed);
    // Without cases of unknown outcome there are none to gather again.
    if (kp != fp) branches.GatherUnknown(ep);
    for (int i = fp; i < kp; ++i) cases.Weight[static_cast<size_t>(i)] /= factor;
  }
  e_.AllKnown = allKnownAtEntry;

  if (!update) return treeErrors;

  const float branchErrors = Estimate(node.Child(maxBranch), fp, lp, -1000, false, changed);
  const float errors = Decide(node, leaf, treeErrors, maxBranch, branchErrors, shift, changed, [&] {
    Estimate(node.Child(maxBranch), fp, lp, shift, true, changed);
  });
  e_.AllKnown = allKnownAtEntry;
  return errors;
}

int ErrorEstimator::Flatten(TreeNode& node, Layout& layout) {
  const int forks = node.IsLeaf() ? 0 : node.Forks;
  const int kids = static_cast<int>(layout.kids.size());
  layout.kids.resize(layout.kids.size() + static_cast<size_t>(forks), -1);
  const int first = static_cast<int>(layout.places.size());
  for (int v = 1; v <= forks; ++v) {
    if (!node.Branch[static_cast<size_t>(v)]) continue;
    const int kid = Flatten(node.Child(v), layout);
    layout.kids[static_cast<size_t>(kids + v - 1)] = kid;
  }
  // `first` is the subtree's first place until the cases are counted.
  const bool cut = node.NodeType == kCutTest;
  layout.places.push_back({&node, kids, first, 0, static_cast<int16_t>(forks),
                           static_cast<int16_t>(cut ? node.Tested() : -1),
                           cut ? node.Cont.Cut : 0.0f});
  return static_cast<int>(layout.places.size()) - 1;
}

void ErrorEstimator::LayOut(TreeNode& node, int fp, int lp, Layout& layout) {
  Flatten(node, layout);
  const size_t places = layout.places.size();
  const size_t classes = static_cast<size_t>(e_.MaxClass() + 1);
  layout.dist.assign(places * classes, 0.0f);
  std::vector<int> count(places + 1, 0);
  const int root = static_cast<int>(places) - 1;
  CaseSet& cases = e_.Cases;
  stop_.resize(static_cast<size_t>(lp - fp + 1));
  for (int i = fp; i <= lp; ++i) {
    if (i + kCasesAhead <= lp) PrefetchCells(cases.Item[static_cast<size_t>(i + kCasesAhead)], 0);
    const Case c = cases.Item[static_cast<size_t>(i)];
    int at = root;
    while (true) {
      const Layout::Place& place = layout.places[static_cast<size_t>(at)];
      if (place.forks == 0) break;
      int v = 0;
      if (place.cutAtt >= 0) {
        const float x = CVal(c, place.cutAtt);
        v = x == kUnknown ? 0 : x <= place.cut ? 1 : 2;
      } else {
        v = e_.Outcome(*place.node, c);
      }
      if (v < 1 || v > place.forks) break;
      const int kid = layout.kids[static_cast<size_t>(place.kids + v - 1)];
      if (kid < 0) break;
      at = kid;
    }
    stop_[static_cast<size_t>(i - fp)] = at;
    ++count[static_cast<size_t>(at) + 1];
    ++layout.dist[static_cast<size_t>(at) * classes + static_cast<size_t>(e_.ClassOf(c))];
  }
  // count[p] becomes where place p's stopped cases start.
  count[0] = fp;
  for (size_t p = 1; p <= places; ++p) count[p] += count[p - 1];
  for (size_t p = 0; p < places; ++p) {
    Layout::Place& place = layout.places[p];
    place.first = count[static_cast<size_t>(place.first)];
    place.last = count[p + 1] - 1;
  }
  moved_.resize(stop_.size());
  for (int i = fp; i <= lp; ++i) {
    const size_t at = static_cast<size_t>(stop_[static_cast<size_t>(i - fp)]);
    moved_[static_cast<size_t>(count[at]++ - fp)] = cases.Item[static_cast<size_t>(i)];
  }
  std::copy(moved_.begin(), moved_.end(), cases.Item.begin() + fp);
  // Each node's counts take in its branches' (whole numbers: the same sums in any order).
  for (size_t p = 0; p < places; ++p) {
    const Layout::Place& place = layout.places[p];
    for (int v = 1; v <= place.forks; ++v) {
      const int kid = layout.kids[static_cast<size_t>(place.kids + v - 1)];
      if (kid < 0) continue;
      for (size_t c = 0; c < classes; ++c) {
        layout.dist[p * classes + c] += layout.dist[static_cast<size_t>(kid) * classes + c];
      }
    }
  }
}

float ErrorEstimator::EstimateLaidOut(const Layout& layout, int at, int shift, bool& changed) {
  const Layout::Place& place = layout.places[static_cast<size_t>(at)];
  TreeNode& node = *place.node;
  const int fp = place.first;
  const int lp = place.last;
  const size_t classes = static_cast<size_t>(e_.MaxClass() + 1);
  const auto counts =
      layout.dist.begin() + static_cast<std::ptrdiff_t>(static_cast<size_t>(at) * classes);
  const std::vector<float> dist(counts, counts + static_cast<std::ptrdiff_t>(classes));
  const float items = static_cast<float>(lp - fp + 1);
  const AsLeaf leaf = EstimateAsLeaf(node, items, dist, true);
  if (node.IsLeaf()) {
    TraceLeaf(node, leaf, shift);
    return leaf.errors + leaf.extra;
  }

  float treeErrors = 0;
  float maxFactor = 0;
  int maxBranch = 1;
  int maxFirst = lp + 1;
  int maxLast = lp;
  for (int v = 1; v <= node.Forks; ++v) {
    const int kid = layout.kids[static_cast<size_t>(place.kids + v - 1)];
    if (kid < 0) continue;
    const Layout::Place& branch = layout.places[static_cast<size_t>(kid)];
    if (branch.first > branch.last) continue;
    const float factor = static_cast<float>(branch.last - branch.first + 1) / items;
    if (factor >= maxFactor) {  // the later branch wins ties
      maxBranch = v;
      maxFactor = factor;
      maxFirst = branch.first;
      maxLast = branch.last;
    }
    treeErrors += EstimateLaidOut(layout, kid, shift + 1, changed);
  }

  float branchErrors = 0;
  if (maxFirst > maxLast ||
      !EstimateBranch(node, maxBranch, fp, lp, maxFirst, maxLast, branchErrors)) {
    branchErrors = Estimate(node.Child(maxBranch), fp, lp, -1000, false, changed);
  }
  return Decide(node, leaf, treeErrors, maxBranch, branchErrors, shift, changed,
                [&] { Estimate(node.Child(maxBranch), fp, lp, shift, true, changed); });
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
