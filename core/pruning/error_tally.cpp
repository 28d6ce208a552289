#include "core/pruning/error_tally.h"

#include <algorithm>
#include <cmath>

#include "core/dtree/induction_engine.h"

namespace quarry::pruning {

namespace {

// The unit roundoff of a float.
constexpr double kFloatRounding = 1.0 / (1 << 24);

}  // namespace

ErrorTally::ErrorTally(dtree::InductionEngine& engine, const dtree::TreeNode& root,
                       const std::vector<dtree::Case>& cases, dtree::LeafVote vote)
    : engine_(engine),
      cases_(cases),
      vote_(vote),
      classes_(engine.ClassSum.size()),
      wrong_(cases.size(), 0),
      sums_(cases.size() * classes_, 0.0),
      visits_(cases.size(), 0) {
  for (size_t i = 0; i < cases.size(); ++i) {
    const auto index = static_cast<int32_t>(i);
    wrong_[i] = Wrong(root, index);
    errors_ += wrong_[i];
    visits_[i] = AddVotes(root, index, 1.0f, Sums(sums_, i));
  }
}

bool ErrorTally::Wrong(const dtree::TreeNode& from, int32_t i) {
  const dtree::Case c = cases_[static_cast<size_t>(i)];
  return dtree::Classify(engine_, c, from, vote_) != engine_.ClassOf(c);
}

long ErrorTally::AddVotes(const dtree::TreeNode& node, int32_t i, float w, double* sums) const {
  if (node.IsLeaf()) {
    const float items = node.Items();
    if (items <= 0 || (vote_ == dtree::LeafVote::kWholeCase && w >= 1.0f)) {
      sums[node.Leaf] += w;
    } else {
      for (size_t k = 0; k < classes_; ++k) {
        if (node.ClassDist[k] != 0) sums[k] += static_cast<double>(w) * node.ClassDist[k] / items;
      }
    }
    return 1;
  }
  const dtree::Case c = cases_[static_cast<size_t>(i)];
  const int branch = dtree::RouteBranch(node, c);
  if (branch > 0) return 1 + AddVotes(node.Child(branch), i, w, sums);
  long visits = 1;
  for (int b = 1; b <= node.Forks; ++b) {
    const dtree::TreeNode& child = node.Child(b);
    // The classifier's share, in its order of operations.
    visits += AddVotes(child, i, w * child.Items() / node.Items(), sums);
  }
  return visits;
}

int ErrorTally::SureClass(const double* sums, long visits) const {
  // Every vote and every share on the way is one or two float roundings, each off by at most
  // kFloatRounding of the total; twice that again for the higher-order terms.
  double total = 0;
  for (size_t k = 0; k < classes_; ++k) total += std::fabs(sums[k]);
  const double slack = 4.0 * static_cast<double>(visits + 2) * kFloatRounding * (1.0 + total);
  size_t best = 0;
  for (size_t k = 1; k < classes_; ++k) {
    if (sums[k] > sums[best]) best = k;
  }
  double second = -INFINITY;
  for (size_t k = 0; k < classes_; ++k) {
    if (k != best) second = std::max(second, sums[k]);
  }
  return sums[best] - second > 2 * slack ? static_cast<int>(best) : -1;
}

void ErrorTally::Prepare(const dtree::TreeNode& node, const CaseReach& reach) {
  const CaseReach::Entries& reached = reach.EntriesAt(node);
  const std::vector<int32_t>& entries = reached.entry;
  before_.assign(entries.size() * classes_, 0.0);
  beforeVisits_.assign(entries.size(), 0);
  for (size_t k = 0; k < entries.size(); ++k) {
    if (CaseReach::IsWhole(entries[k])) continue;
    beforeVisits_[k] = AddVotes(node, CaseReach::CaseOf(entries[k]),
                                CaseReach::ArrivalWeight(reached, node, k), Sums(before_, k));
  }
}

int ErrorTally::Try(const dtree::TreeNode& root, const dtree::TreeNode& node,
                    const CaseReach& reach) {
  const CaseReach::Entries& reached = reach.EntriesAt(node);
  const std::vector<int32_t>& entries = reached.entry;
  tried_ = &entries;
  triedWrong_.resize(entries.size());
  triedSums_.assign(entries.size() * classes_, 0.0);
  triedVisits_.assign(entries.size(), 0);
  triedErrors_ = errors_;
  // A leaf gives every case that reaches it whole the same class.
  const int leafClass =
      node.IsLeaf() && !entries.empty() ? dtree::Classify(engine_, cases_[0], node, vote_) : -1;
  for (size_t k = 0; k < entries.size(); ++k) {
    const int32_t i = CaseReach::CaseOf(entries[k]);
    if (CaseReach::IsWhole(entries[k])) {
      triedWrong_[k] = leafClass >= 0 ? leafClass != engine_.ClassOf(cases_[static_cast<size_t>(i)])
                                      : Wrong(node, i);
    } else {
      double* tried = Sums(triedSums_, k);
      const long visits = AddVotes(node, i, CaseReach::ArrivalWeight(reached, node, k), tried);
      const double* now = Sums(sums_, static_cast<size_t>(i));
      const double* before = Sums(before_, k);
      for (size_t c = 0; c < classes_; ++c) tried[c] += now[c] - before[c];
      // A graft can take a case through more nodes than before: count the tried tree's.
      triedVisits_[k] = visits_[static_cast<size_t>(i)] - beforeVisits_[k] + visits;
      const int sure = SureClass(tried, triedVisits_[k]);
      const dtree::Case c = cases_[static_cast<size_t>(i)];
      triedWrong_[k] = sure >= 0 ? sure != engine_.ClassOf(c) : Wrong(root, i);
    }
    triedErrors_ += triedWrong_[k] - wrong_[static_cast<size_t>(i)];
  }
  return triedErrors_;
}

void ErrorTally::Accept() {
  if (tried_ == nullptr) return;
  for (size_t k = 0; k < tried_->size(); ++k) {
    const int32_t entry = (*tried_)[k];
    const size_t i = static_cast<size_t>(CaseReach::CaseOf(entry));
    wrong_[i] = triedWrong_[k];
    if (!CaseReach::IsWhole(entry)) {
      std::copy_n(Sums(triedSums_, k), classes_, Sums(sums_, i));
      visits_[i] = triedVisits_[k];
    }
  }
  errors_ = triedErrors_;
  tried_ = nullptr;
}

}  // namespace quarry::pruning
