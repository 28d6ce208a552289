#pragma once
// The model variance of a training table: how much the decision tree grown from it changes with
// the sample it is grown from.

#include <string>
#include <vector>

#include "core/common/status.h"
#include "core/jobs/progress.h"

namespace quarry {

class DataSource;

inline constexpr int kModelSampleRounds = 5;
inline constexpr int kModelSamplePercent = 70;

// The tables round `round` (0 to 4) draws its sample into: QuarryModelSample1_data and
// QuarryModelSample1_test for the first.
std::string ModelSampleData(int round);
std::string ModelSampleTest(int round);

// Five rounds, each splitting `table` at random into its ModelSampleData (70% of the rows) and
// ModelSampleTest (the rest), growing and pruning a tree on the first with the engine options
// -p -s, and noting the pruned tree's number of leaves. The samples are drawn one after another,
// their trees grow up to ParallelJobs() at once. The result is the variance of the five counts
// (the mean of their squared differences from their mean). The sample tables and the engine's
// files of them are removed at the end, also when a round fails; the names must be free when the
// measure starts, once the work tables of killed runs are dropped (their names go to
// `leftovers`).
Expected<float> MeasureModelVariance(DataSource& source, const std::string& table,
                                     Progress& progress = NoProgress(),
                                     std::vector<std::string>* leftovers = nullptr);

// The variance of `values` as the adviser computes it: squared differences from the mean, summed,
// times 0.2 (five values).
float FiveValueVariance(const int (&values)[kModelSampleRounds]);

}  // namespace quarry
