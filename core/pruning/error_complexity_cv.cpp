#include "core/pruning/error_complexity_cv.h"

#include <cmath>
#include <limits>
#include <mutex>
#include <ostream>
#include <sstream>

#include "core/common/text_util.h"
#include "core/data/data_source.h"
#include "core/dtree/induction_engine.h"
#include "core/dtree/tree_growing.h"
#include "core/jobs/job_thread.h"
#include "core/jobs/progress.h"
#include "core/pruning/error_complexity_pruning.h"
#include "core/pruning/pruning_error_counter.h"
#include "core/pruning/pruning_method.h"
#include "core/pruning/pruning_share.h"
#include "core/pruning/pruning_tables.h"
#include "core/pruning/recount_tree.h"

namespace quarry::pruning {

using dtree::TreeNode;

namespace {

constexpr float kFoldShare = 0.1f;  // each of the ten folds weighs a tenth of an estimate

// The errors of each node of a fold tree, for pruning it at a given alfa.
struct FoldErrors {
  std::vector<float> leaf;     // R(t), by node id
  std::vector<float> subtree;  // R(Tt)
};

void CollectErrors(const TreeNode& a, const TreeNode& b, FoldErrors& errors) {
  errors.leaf.push_back(a.Errors());
  errors.subtree.push_back(b.Errors());
  for (int v = 1; v <= a.Forks; ++v) CollectErrors(a.Child(v), b.Child(v), errors);
}

// PruneToAlfa on fresh copies of a fold's trees, without copying them: a node is cut unless
// (R(Tt) - R(t)) / N + (leaves below it after pruning below - 1) * alfa < 0, with R(Tt) as the
// tree was grown. Returns the leaves below `id` afterwards.
int PruneToAlfa(const PruningContext& ctx, const IndexedTree& index, const FoldErrors& errors,
                float alfa, float n, int id, int number, int& counter, std::vector<uint8_t>& cut) {
  const TreeNode& node = index.Node(id);
  if (node.IsLeaf()) {
    --counter;
    return 1;
  }
  int leaves = 0;
  for (int v = 1; v <= node.Forks; ++v) {
    ++counter;
    leaves += PruneToAlfa(ctx, index, errors, alfa, n, index.Child(id, v), counter, counter, cut);
  }
  const float leafErrors = errors.leaf[static_cast<size_t>(id)];
  const float subtreeErrors = errors.subtree[static_cast<size_t>(id)];
  if ((subtreeErrors - leafErrors) / n + static_cast<float>(leaves - 1) * alfa < 0) return leaves;
  if (ctx.Verbose()) {
    ctx.Report() << Format("PRUNED NODE NUMBER: %d \tR(t): %.2f \tR(Tt): %.2f \tAlfa: %.7f\n",
                           number, static_cast<double>(leafErrors / n),
                           static_cast<double>(subtreeErrors / n), static_cast<double>(alfa));
  }
  cut[static_cast<size_t>(id)] = 1;
  return 1;
}

double FractionStandardError(double e, double n) { return std::sqrt((1 - e) * e / n); }

}  // namespace

Status GrowFoldTree(const PruningContext& ctx, const std::string& base, int v, FoldTree& fold) {
  dtree::InductionEngine& engine = ctx.engine;
  if (Status s = ctx.CheckCancelled(); !s.ok()) return s;
  engine.JobProgress().Update("cross-validation trees", v - 1, kFoldPairs);
  if (Status s = ctx.LoadTable(FoldTrainingName(base, v)); !s.ok()) return s;
  fold.grown = dtree::GrowNewTree(engine, 0, engine.MaxItem());
  fold.recounted = dtree::CopyTree(*fold.grown);
  RecountTree(engine, *fold.recounted, 0, engine.MaxItem());
  fold.n = static_cast<float>(static_cast<int>(fold.grown->Items()));
  if (ctx.Verbose()) {
    if (v == 1) ctx.Report() << "\n\n\n\n \t\t\tCROSS VALIDATION TREES:\n\n";
    ctx.Report() << Format("\n\n\nVALIDATION TREE NUMBER %d\n\n", v);
    ctx.PrintTree(*fold.grown);
  }
  const std::string test = FoldTestName(base, v);
  switch (engine.LoadCases(test, ctx.source)) {
    case 0:
      engine.Cases.ExchangeCases(fold.test);
      return Status::Ok();
    case 1:
      return InvalidArgument("the fold table " + test + " has no rows: it cannot judge a tree");
    default:
      return DatabaseError("cannot read the rows of " + test + ": " + engine.Cases.LastLoadError());
  }
}

Expected<std::vector<FoldTree>> GrowFoldTrees(const PruningContext& ctx, const std::string& base) {
  dtree::InductionEngine& engine = ctx.engine;
  std::vector<FoldTree> folds(kFoldPairs);
  // One at a time the folds grow in the engine itself and write straight into its report.
  const bool oneAtATime = ParallelJobs() <= 1;
  struct Piece {
    std::ostringstream report;
    Status status;
    long grownNodes = 0;
  };
  std::vector<Piece> pieces(kFoldPairs);
  std::mutex progressLock;
  auto grow = [&](int i) {
    FoldTree& fold = folds[static_cast<size_t>(i)];
    Piece& piece = pieces[static_cast<size_t>(i)];
    if (oneAtATime) {
      piece.status = GrowFoldTree(ctx, base, i + 1, fold);
      return;
    }
    SerialProgress progress(engine.JobProgress(), progressLock);
    dtree::InductionEngine own(piece.report, progress);
    own.Options = engine.Options;
    own.Cases.Attributes() = engine.Att();
    const PruningContext foldCtx{own, ctx.source, ctx.trainingTable, ctx.mValues, nullptr};
    piece.status = GrowFoldTree(foldCtx, base, i + 1, fold);
    piece.grownNodes = own.GrownNodes;
  };
  Status status;
  auto take = [&](int i) {
    Piece& piece = pieces[static_cast<size_t>(i)];
    ctx.Report() << piece.report.str();
    engine.GrownNodes += piece.grownNodes;
    status = piece.status;
    return status.ok();
  };
  RunInOrder(kFoldPairs, grow, take);
  if (!status.ok()) return status;
  return folds;
}

std::vector<float> CrossValidateAlfas(const PruningContext& ctx, const TreeFamily& family,
                                      const std::vector<FoldTree>& folds) {
  struct FoldJudge {
    std::unique_ptr<PruningErrorCounter> counter;
    FoldErrors errors;
  };
  std::vector<FoldJudge> judges(folds.size());
  for (size_t f = 0; f < folds.size(); ++f) {
    judges[f].counter =
        std::make_unique<PruningErrorCounter>(ctx.engine, *folds[f].recounted, folds[f].test.Item);
    CollectErrors(*folds[f].recounted, *folds[f].grown, judges[f].errors);
  }
  const int members = family.Size();
  std::vector<float> estimates(static_cast<size_t>(members), 0.0f);
  for (int k = 0; k < members; ++k) {
    // The last member has no successor: the fold trees are cut back to their roots.
    const float alfa = k + 1 < members ? std::sqrt(family.Alfa(k) * family.Alfa(k + 1))
                                       : std::numeric_limits<float>::infinity();
    float sum = 0;
    for (size_t f = 0; f < folds.size(); ++f) {
      const int v = static_cast<int>(f) + 1;
      PruningErrorCounter& counter = *judges[f].counter;
      std::vector<uint8_t> cut(static_cast<size_t>(counter.Index().Size()), 0);
      int number = 0;
      PruneToAlfa(ctx, counter.Index(), judges[f].errors, alfa, folds[f].n, 0, 0, number, cut);
      if (ctx.Verbose()) {
        ctx.Report() << Format("\n\n\nNUMBER OF THE PRUNED VALIDATION TREE %d.%d \tAlfa: %.6f \n\n",
                               k + 1, v, static_cast<double>(alfa));
        ctx.PrintTree(*CopyWithCuts(counter.Index(), cut));
      }
      const float rate =
          static_cast<float>(counter.Errors(cut)) / static_cast<float>(counter.CaseCount());
      if (ctx.Verbose()) {
        ctx.Report() << Format("\n\n\n \t\t\tERROR ESTIMATE FOR TREE NUMBER %d.%d:", k + 1, v)
                     << Format("\n \t\t\tErrorRate= %.2f\n", static_cast<double>(rate));
      }
      sum += rate;
    }
    estimates[static_cast<size_t>(k)] = kFoldShare * sum;
  }
  return estimates;
}

Expected<std::vector<float>> CrossValidateInterpolated(const PruningContext& ctx,
                                                       const TreeFamily& family,
                                                       const std::vector<FoldTree>& folds) {
  struct FoldMembers {
    std::vector<float> alfa;
    std::vector<float> rate;  // error rate of each member on the fold's test cases
  };
  std::vector<FoldMembers> foldMembers(folds.size());
  for (size_t f = 0; f < folds.size(); ++f) {
    const int v = static_cast<int>(f) + 1;
    const FoldTree& fold = folds[f];
    FamilySettings settings;
    settings.n = fold.n;
    settings.skipNonPositive = true;
    settings.maxMembers = 999;
    settings.overflowReport = "\n\nError ->Family of pruned trees too large\n\n";
    // The fold tree stays as grown for the next method that shares it.
    Expected<TreeFamily> own =
        BuildTreeFamily(ctx, *fold.grown, dtree::CopyTree(*fold.recounted), settings);
    if (!own) return own.status();
    ctx.Report() << Format("\n\n\nAlfa Values for CROSS VALIDATION TREE NUMBER %d\n\n\n", v);
    PruningErrorCounter counter(ctx.engine, own->Reference(), fold.test.Item);
    const float cases = static_cast<float>(counter.CaseCount());
    for (int j = 0; j < own->Size(); ++j) {
      ctx.Report() << Format("TREE NUMBER %d \t Alfa=%s\n", j + 1,
                             Figure("%.6f", static_cast<double>(own->Alfa(j))).c_str());
      const int errors = j == 0 ? counter.Errors(own->First()) : counter.Errors(own->Cuts(j));
      foldMembers[f].alfa.push_back(own->Alfa(j));
      foldMembers[f].rate.push_back(static_cast<float>(errors) / cases);
    }
  }

  const int members = family.Size();
  std::vector<float> estimates(static_cast<size_t>(members), 0.0f);
  for (int k = 0; k < members; ++k) {
    const float alfa = family.Alfa(k);
    float sum = 0;
    for (const FoldMembers& fold : foldMembers) {
      const int size = static_cast<int>(fold.alfa.size());
      // Past the fold's last member its alfa sequence holds zeros.
      auto a = [&](int j) { return j < size ? fold.alfa[static_cast<size_t>(j)] : 0.0f; };
      // j: the first member whose alfa reaches the member's, or where the fold's alfas stop
      // rising; the member's alfa then lies between those of fold members j - 1 and j.
      int j = 1;
      if (a(1) < alfa) {
        while (a(j) > a(j - 1) && a(j) < alfa) ++j;
      }
      const float before = fold.rate[static_cast<size_t>(j - 1)];
      if (a(j - 1) < a(j)) {
        const float lambda = (alfa - a(j - 1)) / (a(j) - a(j - 1));
        sum += (1 - lambda) * before + lambda * fold.rate[static_cast<size_t>(j)];
      } else {
        sum += before;
      }
    }
    estimates[static_cast<size_t>(k)] = kFoldShare * sum;
  }
  return estimates;
}

Status ErrorComplexityCrossValidation(const PruningContext& ctx, const TreeNode& grown,
                                      TreeNode& tree, int method) {
  Expected<TreeFamily> family = BuildMainFamily(ctx, grown, true, false);
  if (!family) return family.status();
  std::vector<FoldTree> own;
  const std::vector<FoldTree>* folds = &own;
  if (const SharedFolds* shared = ctx.share != nullptr ? ctx.share->folds : nullptr) {
    if (ctx.share->tellsFolds) ctx.Report() << shared->report;
    if (!shared->status.ok()) return shared->status;
    folds = &shared->trees;
  } else {
    Expected<std::vector<FoldTree>> grownFolds = GrowFoldTrees(ctx, BaseName(ctx.trainingTable));
    if (!grownFolds) return grownFolds.status();
    own = std::move(*grownFolds);
  }

  std::vector<float> estimates;
  if (method == kErrorComplexityCV || method == kErrorComplexityCV1SE) {
    estimates = CrossValidateAlfas(ctx, *family, *folds);
  } else {
    Expected<std::vector<float>> interpolated = CrossValidateInterpolated(ctx, *family, *folds);
    if (!interpolated) return interpolated.status();
    estimates = std::move(*interpolated);
  }
  ctx.Report() << "\n\n"
               << "\nAlfa Values for TRAINED TREE Tmax\n\n";
  for (int k = 0; k < family->Size(); ++k) {
    ctx.Report() << Format("TREE NUMBER %d Alfa=%s \tEstimated Error rate: %.2f\n", k + 1,
                           Figure("%.6f", static_cast<double>(family->Alfa(k))).c_str(),
                           static_cast<double>(estimates[static_cast<size_t>(k)]));
  }
  const bool oneSE = method == kErrorComplexityCV1SE || method == kErrorComplexityNewCV1SE;
  const int chosen =
      ChooseMember(ctx, *family, estimates, oneSE, FractionStandardError, grown.Items());
  if (ctx.share != nullptr) ctx.share->estimate = 100.0 * estimates[static_cast<size_t>(chosen)];
  ctx.Report() << Format(oneSE
                             ? "\n\n\nPRUNED TREE (ERROR COMPLEXITY PRUNING 1SE CV) Number %d\n\n"
                             : "\n\n\nPRUNED TREE (ERROR COMPLEXITY PRUNING 0SE CV) Number %d\n\n",
                         chosen + 1);
  std::unique_ptr<TreeNode> member = family->Member(chosen);
  dtree::SwapContents(tree, *member);
  // The engine goes on to evaluate the tree "on training data": the training cases it names.
  return ctx.LoadTraining();
}

}  // namespace quarry::pruning
