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
  int classBits = 1;
  while (classBits < 16 && (1 << classBits) <= att.MaxClass) ++classBits;
  classShift_ = 32 - classBits;
  if (att.MaxClass >= (1 << classBits) || uint64_t{n} > (uint64_t{1} << classShift_)) {
    Clear();
    return false;
  }
  caseMask_ = static_cast<uint32_t>((uint64_t{1} << classShift_) - 1);
  caseOf_.assign(engine.Cases.Item.begin() + fp, engine.Cases.Item.begin() + lp + 1);
  std::vector<uint32_t> key(n);  // each case's index with its class
  for (size_t k = 0; k < n; ++k) {
    key[k] = static_cast<uint32_t>(k) | static_cast<uint32_t>(engine.ClassOf(caseOf_[k]))
                                            << classShift_;
  }
  slot_.assign(static_cast<size_t>(att.MaxAtt + 1), -1);
  column_.assign(static_cast<size_t>(att.MaxAtt + 1), -1);
  for (int a = 0; a <= att.MaxAtt; ++a) {
    const int values = att.ValueCount[static_cast<size_t>(a)];
    if (values > 0xffff) {
      Clear();
      return false;
    }
    if (values > 0) {  // evaluated as discrete
      column_[static_cast<size_t>(a)] = stride_++;
      continue;
    }
    std::vector<ValueRecord> list(n);
    for (size_t k = 0; k < n; ++k) {
      const float value = CVal(caseOf_[k], a);
      if (value != value) {
        Clear();
        return false;
      }
      list[k] = {value, key[k]};
    }
    SortByValueStably(list.data(), count, sortScratch_);
    slot_[static_cast<size_t>(a)] = static_cast<int>(lists_.size());
    lists_.push_back(std::move(list));
  }
  if (lists_.empty()) {  // a list all the same to carry the cases through the splits
    std::vector<ValueRecord> list(n);
    for (size_t k = 0; k < n; ++k) list[k] = {0.0f, key[k]};
    lists_.push_back(std::move(list));
  }
  if (stride_ > 0) {
    codes_.resize(n * static_cast<size_t>(stride_));
    for (size_t k = 0; k < n; ++k) {
      for (int a = 0; a <= att.MaxAtt; ++a) {
        const int column = column_[static_cast<size_t>(a)];
        if (column < 0) continue;
        codes_[k * static_cast<size_t>(stride_) + static_cast<size_t>(column)] =
            static_cast<uint16_t>(DVal(caseOf_[k], a));
      }
    }
  }
  outcome_.resize(n);
  first_.assign((n + 63) / 64, 0);
  scratch_.resize(n);
  sortScratch_ = {};
  return true;
}

void PresortedCases::Clear() {
  slot_.clear();
  lists_ = {};
  caseOf_ = {};
  classShift_ = 32;
  caseMask_ = 0;
  codes_ = {};
  column_ = {};
  stride_ = 0;
  outcome_ = {};
  first_ = {};
  scratch_ = {};
  sortScratch_ = {};
}

void PresortedCases::PutCasesInOrder(InductionEngine& engine, int fp) const {
  if (lists_.empty()) return;
  std::vector<Case>& item = engine.Cases.Item;
  const std::vector<ValueRecord>& list = lists_.front();
  for (size_t k = 0; k < list.size(); ++k) {
    item[static_cast<size_t>(fp) + k] = caseOf_[list[k].index & caseMask_];
  }
}

void PresortedCases::Split(const InductionEngine& engine, const TreeNode& node, int start,
                           int count, std::vector<Piece>& branch) {
  branch.assign(static_cast<size_t>(node.Forks) + 1, Piece{start, 0});
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
      const uint32_t index = r[k].index & caseMask_;
      outcome_[index] = o;
      MarkFirst(index, o == 1);
      ++place_[o];
    }
  } else {
    const ValueRecord* r = lists_.front().data() + start;
    for (size_t k = 0; k < n; ++k) {
      const uint32_t index = r[k].index & caseMask_;
      const int o = engine.Outcome(node, caseOf_[index]);
      const uint16_t branch = o >= 1 && o <= forks ? static_cast<uint16_t>(o) : none;
      outcome_[index] = branch;
      MarkFirst(index, branch == 1);
      ++place_[branch];
    }
  }
  // The largest branch's records close up in place (never ahead of the reading); the others
  // go through the scratch array, each branch's at its own offset, and come back after them.
  size_t big = 1;
  for (size_t o = 2; o <= static_cast<size_t>(forks); ++o) {
    if (place_[o] > place_[big]) big = o;
  }
  const int first = place_[big];
  // Two branches and no case left over: each record goes one of two ways.
  const bool twoWays = forks == 2 && place_[none] == 0;
  branch[big] = {start, first};
  int offset = 0;
  for (size_t o = 1; o < place_.size(); ++o) {
    if (o == big) continue;
    const int size = place_[o];
    place_[o] = offset;
    if (o < branch.size()) branch[o] = {start + first + offset, size};
    offset += size;
  }
  if (twoWays) {
    // Both places are written and the one the record goes to moves on: no branch to guess, and
    // the places stay in registers. The place kept is never ahead of the reading. Which way a
    // case goes is read from one bit a case, whose array stays in the cache where the outcomes'
    // does not.
    const uint64_t* firstBits = first_.data();
    const bool keepFirst = big == 1;
    for (std::vector<ValueRecord>& list : lists_) {
      ValueRecord* r = list.data() + start;
      ValueRecord* kept = r;
      ValueRecord* away = scratch_.data();
      for (size_t k = 0; k < n; ++k) {
        const ValueRecord record = r[k];
        const uint32_t index = record.index & caseMask_;
        const bool stays = (((firstBits[index >> 6] >> (index & 63)) & 1) != 0) == keepFirst;
        *kept = record;
        *away = record;
        kept += stays;
        away += !stays;
      }
      std::memcpy(r + first, scratch_.data(), static_cast<size_t>(offset) * sizeof(ValueRecord));
    }
    return;
  }
  std::vector<ValueRecord*> to(place_.size());
  for (std::vector<ValueRecord>& list : lists_) {
    ValueRecord* r = list.data() + start;
    for (size_t o = 1; o < place_.size(); ++o) to[o] = scratch_.data() + place_[o];
    to[big] = r;
    for (size_t k = 0; k < n; ++k) {
      const ValueRecord record = r[k];
      *to[outcome_[record.index & caseMask_]]++ = record;
    }
    std::memcpy(r + first, scratch_.data(), static_cast<size_t>(offset) * sizeof(ValueRecord));
  }
}

}  // namespace quarry::dtree
