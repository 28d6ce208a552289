#include "core/advisor/pruning_advisor.h"

#include "core/advisor/class_mode_frequency.h"
#include "core/advisor/counsel_process.h"
#include "core/advisor/model_variance.h"
#include "core/advisor/support_files.h"
#include "core/data/data_source.h"

namespace quarry {

namespace {

Status Advise(PruningAdvisor& advisor, DataSource& source, float& variance, float& frequency,
              SupportOutput& output, std::vector<std::string>& leftovers) {
  const std::string& table = advisor.Table();
  if (table.find("_data") == std::string::npos) {
    return InvalidArgument("the table " + table +
                           " is not a training table: its name must contain _data");
  }
  DataSourceUser user(source);
  Progress& progress = advisor.progress ? *advisor.progress : NoProgress();
  auto measuredVariance = MeasureModelVariance(source, table, progress, &leftovers);
  if (!measuredVariance) return measuredVariance.status();
  variance = *measuredVariance;
  auto measuredFrequency = MeasureResponseClassModeFrequency(source, table);
  if (!measuredFrequency) return measuredFrequency.status();
  frequency = *measuredFrequency;

  if (Status s = WriteSupportInput(variance, frequency); !s.ok()) return s;
  // A stale answer of an earlier request must never pass for this one's.
  std::error_code ec;
  std::filesystem::remove(SupportOutputPath(), ec);
  if (ec)
    return IoError("cannot remove the old advice " + SupportOutputPath().string() + ": " +
                   ec.message());
  const auto counsel = advisor.counselPath.empty() ? DefaultCounselPath() : advisor.counselPath;
  if (Status s = RunCounsel(counsel, advisor.counselTimeout); !s.ok()) return s;
  return ReadSupportOutput(SupportOutputPath(), output);
}

}  // namespace

PruningAdvisor::PruningAdvisor(DataSource& source, std::string table)
    : source_(source), table_(std::move(table)) {}

bool RunPruningAdvisor(PruningAdvisor& advisor) {
  advisor.success_ = false;
  advisor.leftovers_.clear();
  advisor.modelVariance_ = 0;
  advisor.responseClassModeFrequency_ = 0;
  SupportOutput output;
  advisor.failure_ = Advise(advisor, advisor.source_, advisor.modelVariance_,
                            advisor.responseClassModeFrequency_, output, advisor.leftovers_);
  if (!advisor.failure_.ok()) return false;
  advisor.simpleTreeAdvice_ = std::move(output.simpleTreeAdvice);
  advisor.accurateTreeAdvice_ = std::move(output.accurateTreeAdvice);
  advisor.commentary_ = std::move(output.commentary);
  advisor.success_ = true;
  return true;
}

}  // namespace quarry
