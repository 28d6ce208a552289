#include "core/dtree/presorted_cases.h"

#include <cstring>

#include "core/dtree/induction_engine.h"

namespace quarry::dtree {

bool PresortedCases::Build(const InductionEngine& engine, int fp, int lp) {
  Clear();
  const AttributeTable& att = engine.Att();
  const int count = lp - fp + 1;
  if (count <= 0) return false;
  const size_t n = static_cast<size_t>(count);
  caseOf_.assign(engine.Cases.Item.begin() + fp, engine.Cases.Item.begin() + lp + 1);
  classOf_.resize(n);
  for (size_t k = 0; k < n; ++k) classOf_[k] = static_cast<int16_t>(engine.ClassOf(caseOf_[k]));
  slot_.assign(static_cast<size_t>(att.MaxAtt + 1), -1);
  for (int a = 0; a <= att.MaxAtt; ++a) {
    if (att.ValueCount[static_cast<size_t>(a)] > 0) continue;  // evaluated as discrete
    std::vector<ValueRecord> list(n);
    for (size_t k = 0; k < n; ++k) {
      const float value = CVal(caseOf_[k], a);
      if (value != value) {
        Clear();
        return false;
      }
      list[k] = {value, static_cast<uint32_t>(k)};
    }
    SortByValueStably(list.data(), count, sortScratch_);
    slot_[static_cast<size_t>(a)] = static_cast<int>(lists_.size());
    lists_.push_back(std::move(list));
  }
  outcome_.resize(n);
  scratch_.resize(n);
  sortScratch_ = {};
  return true;
}

void PresortedCases::Clear() {
  slot_.clear();
  lists_ = {};
  caseOf_ = {};
  classOf_ = {};
  outcome_ = {};
  scratch_ = {};
  sortScratch_ = {};
}

void PresortedCases::Split(const InductionEngine& engine, const TreeNode& node, int start,
                           int count) {
  if (lists_.empty() || count <= 0) return;
  const int forks = node.Forks;
  const size_t n = static_cast<size_t>(count);
  const uint16_t none = static_cast<uint16_t>(forks + 1);  // taken by no branch: last
  place_.assign(static_cast<size_t>(forks) + 2, 0);
  const int tested = node.Tested();
  const int testedSlot = tested >= 0 && static_cast<size_t>(tested) < slot_.size()
                             ? slot_[static_cast<size_t>(tested)]
                             : -1;
  if (node.NodeType == kCutTest && testedSlot >= 0) {
    // The tested attribute's own list holds the values: no case need be read.
    const ValueRecord* r = lists_[static_cast<size_t>(testedSlot)].data() + start;
    const float cut = node.Cont.Cut;
    for (size_t k = 0; k < n; ++k) {
      const uint16_t o = r[k].value <= cut ? 1 : 2;
      outcome_[r[k].index] = o;
      ++place_[o];
    }
  } else {
    const ValueRecord* r = lists_.front().data() + start;
    for (size_t k = 0; k < n; ++k) {
      const int o = engine.Outcome(node, caseOf_[r[k].index]);
      const uint16_t branch = o >= 1 && o <= forks ? static_cast<uint16_t>(o) : none;
      outcome_[r[k].index] = branch;
      ++place_[branch];
    }
  }
  // Branch 1's records close up in place (never ahead of the reading); the others go through
  // the scratch array, each branch's at its own offset, and come back after them.
  const int first = place_[1];
  int offset = 0;
  for (size_t o = 2; o < place_.size(); ++o) {
    const int size = place_[o];
    place_[o] = offset;
    offset += size;
  }
  std::vector<ValueRecord*> to(place_.size());
  for (std::vector<ValueRecord>& list : lists_) {
    ValueRecord* r = list.data() + start;
    to[1] = r;
    for (size_t o = 2; o < place_.size(); ++o) to[o] = scratch_.data() + place_[o];
    for (size_t k = 0; k < n; ++k) {
      const ValueRecord record = r[k];
      *to[outcome_[record.index]]++ = record;
    }
    std::memcpy(r + first, scratch_.data(), static_cast<size_t>(offset) * sizeof(ValueRecord));
  }
}

}  // namespace quarry::dtree
