#include "core/dtree/tree_growing.h"

#include <optional>
#include <ostream>

#include "core/common/text_util.h"
#include "core/dtree/branch_cases.h"
#include "core/dtree/induction_engine.h"
#include "core/dtree/presorted_cases.h"
#include "core/dtree/split_evaluation.h"
#include "core/dtree/value_sort.h"

namespace quarry::dtree {

namespace {

constexpr long kProgressEvery = 1024;  // nodes between progress reports

class TreeGrower {
 public:
  // With `presorted`, the cases' values come in order from its segment that starts at `seg`.
  TreeGrower(InductionEngine& engine, PresortedCases* presorted)
      : e_(engine), split_(engine.Split()), presorted_(presorted) {}

  void Grow(TreeNode& node, int fp, int lp, int seg = 0);

 private:
  void ChooseTest(TreeNode& node, int att);

  InductionEngine& e_;
  SplitEvaluator& split_;
  PresortedCases* presorted_;
  std::vector<int> discrete_;  // the discrete attributes a node evaluates
};

void TreeGrower::Grow(TreeNode& node, int fp, int lp, int seg) {
  const AttributeTable& att = e_.Att();
  const InductionOptions& options = e_.Options;
  std::ostream& out = e_.Report();
  const int maxClass = att.MaxClass;
  const int classCell = att.MaxAtt + 1;
  CaseSet& cases = e_.Cases;

  if (++e_.GrownNodes % kProgressEvery == 0)
    e_.JobProgress().Update("tree nodes grown", e_.GrownNodes, -1);

  const float items = e_.CountWeight(fp, lp);
  std::vector<float>& classFreq = e_.Cases.Attributes().ClassFreq;
  std::fill(classFreq.begin(), classFreq.end(), 0.0f);
  if (presorted_ != nullptr) {  // every weight 1: the records hold the classes
    const ValueRecord* r = presorted_->Segment(seg);
    const int shift = presorted_->ClassShift();
    for (int k = 0; k <= lp - fp; ++k) ++classFreq[r[k].index >> shift];
  } else {
    for (int i = fp; i <= lp; ++i) {
      if (i + kCasesAhead <= lp)
        PrefetchCells(cases.Item[static_cast<size_t>(i + kCasesAhead)], classCell);
      classFreq[static_cast<size_t>(cases.Item[static_cast<size_t>(i)][classCell].discr)] +=
          cases.Weight[static_cast<size_t>(i)];
    }
  }
  int bestClass = 0;
  for (int c = 1; c <= maxClass; ++c) {
    if (classFreq[static_cast<size_t>(c)] > classFreq[static_cast<size_t>(bestClass)])
      bestClass = c;
  }
  const float bestFreq = maxClass >= 0 ? classFreq[static_cast<size_t>(bestClass)] : 0.0f;
  node.MakeLeaf(classFreq, bestClass, items, items - bestFreq);
  node.Fp = fp;
  node.Lp = lp;
  if (bestFreq == items || items < static_cast<float>(2 * options.MINOBJS)) return;
  if (e_.JobProgress().Cancelled()) return;

  if (options.VERBOSITY >= 1) {
    out << Format("items %d\ntotal weight %.1f\n", lp - fp + 1, static_cast<double>(items));
  }

  int possible = 0;
  float sum = 0;
  auto evaluated = [&](int a) {
    const int values = att.ValueCount[static_cast<size_t>(a)];
    return values > 0 && ((options.SUBSET && values > 2) || e_.Tested[static_cast<size_t>(a)] == 0);
  };
  if (presorted_ != nullptr) {
    // The discrete attributes evaluated here are counted in one pass over the cases.
    discrete_.clear();
    for (int a = 0; a <= att.MaxAtt; ++a) {
      if (evaluated(a)) discrete_.push_back(a);
    }
    split_.CountDiscreteTogether(discrete_, *presorted_, seg, lp - fp + 1);
  }
  for (int a = 0; a <= att.MaxAtt; ++a) {
    const size_t at = static_cast<size_t>(a);
    split_.Gain[at] = kNoGain;
    const int values = att.ValueCount[at];
    if (presorted_ == nullptr && evaluated(a) && !split_.HasDiscreteCounts(a)) {
      // The evaluations of discrete attributes leave the cases where they are: those up to the
      // next continuous attribute, whose sort moves them, are counted in one pass.
      discrete_.clear();
      for (int d = a; d <= att.MaxAtt && att.ValueCount[static_cast<size_t>(d)] > 0; ++d) {
        if (evaluated(d)) discrete_.push_back(d);
      }
      split_.CountDiscreteCells(discrete_, fp, lp);
    }
    if (values > 0) {
      if (options.SUBSET && values > 2) {
        split_.EvaluateSubsets(a, fp, lp, items);
      } else if (e_.Tested[at] == 0) {
        split_.EvaluateDiscrete(a, fp, lp, items);
      }
    } else if (presorted_ != nullptr) {
      split_.EvaluateSortedContinuous(a, fp, lp, presorted_->Sorted(a, seg),
                                      presorted_->ClassShift(), classFreq.data());
    } else {
      split_.EvaluateContinuous(a, fp, lp);
    }
    // Attributes with very many values still compete but do not lower the average gain.
    if (split_.Gain[at] > kNoGain && (options.SUBSET || values < 0.3 * e_.MaxItem())) {
      ++possible;
      sum += split_.Gain[at];
    }
  }

  split_.DropDiscreteCounts();
  const float avGain = possible > 0 ? sum / static_cast<float>(possible) : 1e6f;
  if (options.VERBOSITY >= 2) out << Format("\taverage gain %.3f\n", static_cast<double>(avGain));

  int best = -1;
  float bestVal = kNoGain;
  for (int a = 0; a <= att.MaxAtt; ++a) {
    const size_t at = static_cast<size_t>(a);
    if (!(split_.Gain[at] > kNoGain)) continue;
    const float val = split_.SplitWorth(split_.Info[at], split_.Gain[at], avGain);
    if (val > bestVal) {  // the first attribute wins ties
      best = a;
      bestVal = val;
    }
  }

  if (best < 0) {
    if (options.VERBOSITY >= 1) {
      out << Format("\tno sensible splits  %.1f/%.1f\n", static_cast<double>(items),
                    static_cast<double>(items - bestFreq));
    }
    return;
  }
  const size_t b = static_cast<size_t>(best);
  if (options.VERBOSITY >= 1) {
    out << "\tbest attribute " << att.AttName[b];
    if (att.ValueCount[b] == 0) out << Format(" cut %.3f", static_cast<double>(split_.Cut[b]));
    out << Format(" inf %.3f gain %.3f val %.3f\n", static_cast<double>(split_.Info[b]),
                  static_cast<double>(split_.Gain[b]), static_cast<double>(bestVal));
  }
  ChooseTest(node, best);

  // Cases with an unknown outcome sit at fp..kp-1 and go down every branch.
  // (Where the order among equal values is free every value is known: there are none.)
  // Where the cases are presorted nothing reads the cases from Item: the split gives each branch
  // its segment, and its cases are only counted in fp.. as they would lie there.
  std::optional<BranchCases> branches;
  if (presorted_ == nullptr) branches.emplace(e_, node, fp, lp, !e_.AnyOrderAmongEquals);
  const int kp = branches ? branches->Kp() : fp;
  const bool allKnownAtEntry = e_.AllKnown;
  if (kp != fp) e_.AllKnown = false;
  const float known = items - e_.CountWeight(fp, kp - 1);
  split_.UnknownRate[b] = static_cast<float>((items - known) / (items + 0.001));
  if (options.VERBOSITY >= 1) {
    out << Format("\tunknown rate for %s = %.3f\n", att.AttName[b].c_str(),
                  static_cast<double>(split_.UnknownRate[b]));
  }

  ++e_.Tested[b];
  node.SetErrors(0);
  // Each branch's cases are taken from kp..lp in turn: a branch's growing reorders only its own
  // cases, which all have the same outcome. The outcomes are held by every node on the path being
  // grown, so they are let go before the last branch grows.
  std::vector<PresortedCases::Piece> pieces;
  if (presorted_ != nullptr) presorted_->Split(e_, node, seg, lp - fp + 1, pieces);
  for (int v = 1; v <= node.Forks; ++v) {
    const size_t at = static_cast<size_t>(v);
    const int ep = branches ? branches->Take(v) : kp + pieces[at].count - 1;
    if (v == node.Forks && branches) branches->DropOutcomes();
    auto child = std::make_unique<TreeNode>();
    if (kp > ep) {
      child->MakeLeaf(node.ClassDist, bestClass, 0, 0);
    } else {
      const float factor = e_.CountWeight(kp, ep) / known;
      for (int i = fp; i < kp; ++i) cases.Weight[static_cast<size_t>(i)] *= factor;
      Grow(*child, fp, ep, presorted_ != nullptr ? pieces[at].start : 0);
      node.SetErrors(node.Errors() + child->Errors());
      // The branch's growing may have mixed the cases of unknown outcome into its own; with
      // none, there is nothing to gather.
      if (kp != fp) branches->GatherUnknown(ep);
      for (int i = fp; i < kp; ++i) cases.Weight[static_cast<size_t>(i)] /= factor;
    }
    node.Branch[at] = std::move(child);
  }
  --e_.Tested[b];
  e_.AllKnown = allKnownAtEntry;
}

void TreeGrower::ChooseTest(TreeNode& node, int att) {
  const AttributeTable& table = e_.Att();
  const size_t a = static_cast<size_t>(att);
  node.GainRatio = split_.Info[a] > 0 ? split_.Gain[a] / split_.Info[a] : 0.0f;
  if (table.ValueCount[a] == 0) {
    node.NodeType = kCutTest;
    node.SetForks(2);
    node.Cont.Tested = static_cast<int16_t>(att);
    const float cut = split_.HighestValueNotAbove(att, split_.Cut[a]);
    node.Cont.Cut = node.Cont.Lower = node.Cont.Upper = cut;
  } else if (e_.Options.SUBSET && table.ValueCount[a] > 2) {
    node.NodeType = kSubsetTest;
    const int forks = split_.SubsetCount[a];
    node.SetForks(forks);
    node.Discr.Tested = static_cast<int16_t>(att);
    node.Discr.Kind = kSubsetTest;
    node.Discr.Subset.assign(static_cast<size_t>(forks) + 1, ValueSet());
    for (int v = 1; v <= forks; ++v) {
      node.Discr.Subset[static_cast<size_t>(v)] = split_.Subset[a][static_cast<size_t>(v)];
    }
  } else {
    node.NodeType = kDiscreteTest;
    node.SetForks(table.ValueCount[a]);
    node.Discr.Tested = static_cast<int16_t>(att);
    node.Discr.Kind = kDiscreteTest;
  }
}

}  // namespace

void GrowTree(InductionEngine& engine, TreeNode& node, int fp, int lp) {
  PresortedCases presorted;
  const bool sorted =
      engine.AnyOrderAmongEquals && engine.AllKnown && presorted.Build(engine, fp, lp);
  TreeGrower(engine, sorted ? &presorted : nullptr).Grow(node, fp, lp);
  if (sorted) presorted.PutCasesInOrder(engine, fp);
}

bool OrderAmongEqualsFree(const InductionEngine& engine, int fp, int lp) {
  if (!SortsStablyWhereFree() || engine.Windowing) return false;
  const AttributeTable& att = engine.Att();
  std::vector<int> continuous;
  std::vector<int> discrete;
  for (int a = 0; a <= att.MaxAtt; ++a) {
    if (att.Status[static_cast<size_t>(a)] == kIgnored) continue;
    (att.ValueCount[static_cast<size_t>(a)] > 0 ? discrete : continuous).push_back(a);
  }
  for (int i = fp; i <= lp; ++i) {
    if (engine.Cases.Weight[static_cast<size_t>(i)] != 1.0f) return false;
    const Case c = engine.Cases.Item[static_cast<size_t>(i)];
    for (int a : continuous) {
      if (CVal(c, a) == kUnknown) return false;
    }
    for (int a : discrete) {
      if (DVal(c, a) == kUnknownValue) return false;
    }
  }
  return true;
}

std::unique_ptr<TreeNode> GrowNewTree(InductionEngine& engine, int fp, int lp) {
  engine.ResetWeights();
  engine.AllKnown = true;
  engine.AnyOrderAmongEquals = OrderAmongEqualsFree(engine, fp, lp);
  auto root = std::make_unique<TreeNode>();
  GrowTree(engine, *root, fp, lp);
  engine.AnyOrderAmongEquals = false;
  return root;
}

}  // namespace quarry::dtree
