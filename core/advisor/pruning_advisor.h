#pragma once
// Pruning advice for a training table: the workbench measures the table (model variance and
// response class mode frequency), hands the measures to the counsel program and reads back the
// methods it recommends for a simple and for an accurate tree, with its commentary.

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "core/common/status.h"
#include "core/jobs/progress.h"

namespace quarry {

class DataSource;

class PruningAdvisor {
 public:
  PruningAdvisor(DataSource& source, std::string table);

  const std::string& Table() const { return table_; }

  // Each advice text is empty unless the last request succeeded. Texts keep the line ends
  // counsel wrote.
  std::string SimpleTreeAdvice() const { return success_ ? simpleTreeAdvice_ : std::string(); }
  std::string AccurateTreeAdvice() const { return success_ ? accurateTreeAdvice_ : std::string(); }
  std::string Commentary() const { return success_ ? commentary_ : std::string(); }
  bool Succeeded() const { return success_; }
  float ModelVariance() const { return modelVariance_; }
  float ResponseClassModeFrequency() const { return responseClassModeFrequency_; }
  // Why the last request failed; ok after a success.
  const Status& Failure() const { return failure_; }
  // The work tables of killed runs that the last request dropped.
  const std::vector<std::string>& LeftoversDropped() const { return leftovers_; }

  // Where counsel is (default: beside the running program), how long it may take, and where
  // the measuring reports its progress.
  std::filesystem::path counselPath;
  std::chrono::milliseconds counselTimeout{std::chrono::seconds(30)};
  Progress* progress = nullptr;

 private:
  friend bool RunPruningAdvisor(PruningAdvisor& advisor);

  DataSource& source_;
  std::string table_;
  std::string simpleTreeAdvice_;
  std::string accurateTreeAdvice_;
  std::string commentary_;
  bool success_ = false;
  float modelVariance_ = 0;
  float responseClassModeFrequency_ = 0;
  Status failure_;
  std::vector<std::string> leftovers_;
};

// Measures the table (its name must contain "_data"), writes counsel's input, runs counsel and
// reads its advice. True on success; on failure the advice texts are empty and Failure() says
// why. Scratch tables of the measures never outlive the call.
bool RunPruningAdvisor(PruningAdvisor& advisor);

}  // namespace quarry
