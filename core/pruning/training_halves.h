#pragma once
// The two halves of the iterative method's training set, each read from the database once:
// the half not in use waits outside the engine, and a half that comes back is put in the order
// and with the weights a fresh read gives, its input messages repeated, so every step sees the
// engine exactly as if the table had been read again.

#include <string>
#include <vector>

#include "core/common/status.h"
#include "core/dtree/case_set.h"
#include "core/pruning/pruning_context.h"

namespace quarry::pruning {

class TrainingHalves {
 public:
  TrainingHalves(const PruningContext& ctx, std::string first, std::string second);

  // Makes half 0 or 1 the engine's case set, as reading its table would leave it.
  Status Load(int half);
  const std::string& Name(int half) const { return halves_[half].table; }

  // Reads every half from the database on each Load (the way to check that keeping them
  // changes nothing).
  void ReadEachTime() { keep_ = false; }

 private:
  struct Half {
    std::string table;
    bool read = false;
    std::vector<dtree::Case> order;  // the cases as the table gives them
    std::string messages;            // what reading the table wrote into the report
  };

  // Reads `half` into the engine, noting its order and messages.
  Status Read(Half& half);

  const PruningContext& ctx_;
  Half halves_[2];
  int current_ = -1;
  dtree::CaseSet::LoadedCases waiting_;  // the half not in the engine
  bool keep_ = true;
};

}  // namespace quarry::pruning
