#include "core/pruning/training_halves.h"

#include <ostream>
#include <utility>

#include "core/dtree/induction_engine.h"

namespace quarry::pruning {

TrainingHalves::TrainingHalves(const PruningContext& ctx, std::string first, std::string second)
    : ctx_(ctx) {
  halves_[0].table = std::move(first);
  halves_[1].table = std::move(second);
}

Status TrainingHalves::Read(Half& half) {
  // The messages of a read go to the report as always, and are kept to be told again.
  Status status;
  half.messages = KeepingReport(ctx_.Report(), [&] { status = ctx_.LoadTable(half.table); });
  if (!status.ok()) return status;
  half.order = ctx_.engine.Cases.Item;
  half.read = true;
  return Status::Ok();
}

Status TrainingHalves::Load(int which) {
  dtree::InductionEngine& engine = ctx_.engine;
  Half& half = halves_[which];
  if (!keep_) return ctx_.LoadTable(half.table);
  // The half in the engine goes to wait, and the waiting one, if read before, comes in.
  if (current_ >= 0 && which != current_) engine.Cases.ExchangeCases(waiting_);
  current_ = which;
  if (!half.read) return Read(half);
  dtree::CaseSet& cases = engine.Cases;
  cases.Item = half.order;
  cases.Weight.assign(half.order.size(), 1.0f);
  cases.MaxItem = static_cast<int32_t>(half.order.size()) - 1;
  engine.AllocateWorkArrays();
  ctx_.Report() << half.messages;
  return Status::Ok();
}

}  // namespace quarry::pruning
