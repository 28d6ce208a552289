#include "core/pruning/error_complexity_pruning.h"

#include <cmath>
#include <ostream>

#include "core/common/text_util.h"
#include "core/dtree/induction_engine.h"
#include "core/pruning/pruning_error_counter.h"
#include "core/pruning/pruning_method.h"
#include "core/pruning/pruning_share.h"
#include "core/pruning/pruning_tables.h"
#include "core/pruning/recount_tree.h"
#include "core/pruning/tree_measures.h"

namespace quarry::pruning {

using dtree::TreeNode;

Expected<TreeFamily> BuildMainFamily(const PruningContext& ctx, const TreeNode& grown,
                                     bool skipNonPositive, bool printMembers) {
  dtree::InductionEngine& engine = ctx.engine;
  std::unique_ptr<TreeNode> recounted = dtree::CopyTree(grown);
  RecountTree(engine, *recounted, 0, engine.MaxItem());
  FamilySettings settings;
  settings.n = static_cast<float>(engine.MaxItem() + 1);
  settings.skipNonPositive = skipNonPositive;
  settings.printMembers = printMembers;
  settings.maxMembers = 1000;
  settings.overflowReport = "\n\n\nError -> family of pruned trees too large\n\n";
  return BuildTreeFamily(ctx, grown, std::move(recounted), settings);
}

int ChooseMember(const PruningContext& ctx, const TreeFamily& family,
                 const std::vector<float>& estimates, bool oneSE, double (*se)(double, double),
                 double n) {
  const int last = family.Size() - 1;
  const int best = PickBestTree(estimates, family.Leaves(), last);
  if (!oneSE) return best;
  const float e = estimates[static_cast<size_t>(best)];
  const double deviation = se(e, n);
  ctx.Report() << Format("\n\nBEST TREE NUMBER %d ERROR: %.2f \tSTANDARD DEVIATION= %.4f\n\n",
                         best + 1, static_cast<double>(e), deviation);
  int chosen = best;
  for (int k = 0; k <= last; ++k) {
    if (estimates[static_cast<size_t>(k)] <= e + deviation) chosen = k;
  }
  return chosen;
}

namespace {

double PercentStandardError(double e, double n) { return std::sqrt((100 - e) * e / n); }

}  // namespace

namespace {

// Makes the family of `grown` and each member's error rate on the pruning table.
Status JudgedFamily(const PruningContext& ctx, const TreeNode& grown, TestSetFamily& out) {
  dtree::InductionEngine& engine = ctx.engine;
  Expected<TreeFamily> family = BuildMainFamily(ctx, grown, false, true);
  if (!family) return family.status();
  if (Status s = ctx.LoadTable(PruningTableName(ctx.trainingTable)); !s.ok()) return s;

  out.cases = engine.MaxItem() + 1;
  PruningErrorCounter counter(engine, family->Reference(), engine.Cases.Item);
  ctx.Report() << "\n\n";
  for (int k = 0; k < family->Size(); ++k) {
    const int errors = k == 0 ? counter.Errors(family->First()) : counter.Errors(family->Cuts(k));
    out.rates.push_back(ErrorPercent(errors, out.cases));
    ctx.Report() << Format("TREE NUMBER %d Alfa=%s \tEstimated Error rate: %.2f %s\n", k + 1,
                           Figure("%.6f", static_cast<double>(family->Alfa(k))).c_str(),
                           static_cast<double>(out.rates.back()), "%");
  }
  out.family = std::make_unique<TreeFamily>(std::move(*family));
  return Status::Ok();
}

}  // namespace

Status ErrorComplexityPruning(const PruningContext& ctx, const TreeNode& grown, TreeNode& tree,
                              int method) {
  TestSetFamily own;
  TestSetFamily* shared = ctx.share != nullptr ? ctx.share->testSetFamily : nullptr;
  TestSetFamily& judged = shared != nullptr ? *shared : own;
  if (shared == nullptr) {
    own.status = JudgedFamily(ctx, grown, own);
  } else {
    std::lock_guard<std::mutex> lock(shared->lock);
    if (shared->made) {
      ctx.Report() << shared->report;  // as making them wrote it
    } else {
      shared->report =
          KeepingReport(ctx.Report(), [&] { shared->status = JudgedFamily(ctx, grown, *shared); });
      shared->made = true;
    }
  }
  if (!judged.status.ok()) return judged.status;
  const std::vector<float>& rates = judged.rates;
  const bool oneSE = method == kErrorComplexityTestSet1SE;
  const int chosen =
      ChooseMember(ctx, *judged.family, rates, oneSE, PercentStandardError, judged.cases);
  if (ctx.share != nullptr) ctx.share->estimate = rates[static_cast<size_t>(chosen)];
  ctx.Report() << Format(oneSE ? "\n\n\nPRUNED TREE (ERROR COMPLEXITY PRUNING 1SE PRUNING SET) "
                                 "Number %d\n\n"
                               : "\n\n\nPRUNED TREE (ERROR COMPLEXITY PRUNING 0SE PRUNING SET) "
                                 "Number %d\n\n",
                         chosen + 1);
  std::unique_ptr<TreeNode> member = judged.family->Member(chosen);
  dtree::SwapContents(tree, *member);
  return ctx.LoadTraining();
}

}  // namespace quarry::pruning
