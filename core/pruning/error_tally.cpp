#include "core/pruning/error_tally.h"

#include "core/dtree/induction_engine.h"
#include "core/pruning/case_reach.h"

namespace quarry::pruning {

ErrorTally::ErrorTally(dtree::InductionEngine& engine, const dtree::TreeNode& root,
                       const std::vector<dtree::Case>& cases, dtree::LeafVote vote)
    : engine_(engine), cases_(cases), vote_(vote), wrong_(cases.size(), 0) {
  for (size_t i = 0; i < cases.size(); ++i) {
    wrong_[i] = Wrong(root, static_cast<int32_t>(i));
    errors_ += wrong_[i];
  }
}

bool ErrorTally::Wrong(const dtree::TreeNode& from, int32_t i) {
  const dtree::Case c = cases_[static_cast<size_t>(i)];
  return dtree::Classify(engine_, c, from, vote_) != engine_.ClassOf(c);
}

int ErrorTally::Try(const dtree::TreeNode& root, const dtree::TreeNode& node,
                    const std::vector<int32_t>& affected) {
  tried_ = &affected;
  triedWrong_.resize(affected.size());
  triedErrors_ = errors_;
  for (size_t k = 0; k < affected.size(); ++k) {
    const int32_t entry = affected[k];
    const int32_t i = CaseReach::CaseOf(entry);
    triedWrong_[k] = Wrong(CaseReach::IsWhole(entry) ? node : root, i);
    triedErrors_ += triedWrong_[k] - wrong_[static_cast<size_t>(i)];
  }
  return triedErrors_;
}

void ErrorTally::Accept() {
  if (tried_ == nullptr) return;
  for (size_t k = 0; k < tried_->size(); ++k) {
    wrong_[static_cast<size_t>(CaseReach::CaseOf((*tried_)[k]))] = triedWrong_[k];
  }
  errors_ = triedErrors_;
  tried_ = nullptr;
}

}  // namespace quarry::pruning
