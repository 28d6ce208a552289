#pragma once
// The decision-tree job: the fields of the decision-tree dialog as a plain record, the engine's
// argument vector built from them, and the job that runs the engine with the chosen pruning
// method. The workbench's dialogs and quarry-cli fill the same record and call the same job.

#include <atomic>
#include <iosfwd>
#include <string>
#include <vector>

#include "core/common/status.h"
#include "core/jobs/progress.h"
#include "core/pruning/pruning_method.h"
#include "core/pruning/run_induction.h"

namespace quarry {
class DataSource;
}

namespace quarry::pruning {

inline constexpr const char* kTreeCreated = "classification tree created";
inline constexpr const char* kMethodBusy = "method busy";

// The dialog's fields, with its defaults. Texts stay texts: the engine checks them.
struct DecisionTreeParameters {
  std::string table;           // the training table (B_data; B_train1 for the iterative method)
  std::string minCases = "2";  // "Number of items in each leaf:"
  bool gainCriterion = false;  // the "Gain Ratio:" list set to "True" passes -g
  bool subsets = true;         // "Tests on discrete attribute groups"
  bool unseen = true;          // "Tree evaluated on unseen cases"
  bool probThreshold = false;  // "probability threshold used"
  std::string confidence = "0.25";  // "pruning confidence level"
  bool windowing = false;           // "windowing enabled"; only with standard pruning
  std::string trials = "10";        // "windowing with trials:"
  std::string window = "0";         // "initial window size"
  std::string increment = "0";      // "Maximum window increment "
  std::string mValues;              // "MValues " (minimum error pruning)
  int method = kStandardPrune;
  std::string verbosity;  // quarry-cli's -v; the dialog never passes it
};

// The engine's argument vector as the decision-tree dialog builds it: "-f" and the table, then
// "-g", "-p", "-u", "-s" for the lists set to "True", "-c", "-m", and for standard pruning with
// windowing "-w", "-t", "-i". Element 0 is the program's name.
std::vector<std::string> DecisionTreeArguments(const DecisionTreeParameters& p);
// The cross-validation's order: "-f", the table, "-u", "-g", "-p", "-s", "-c", "-m"; never
// windowing.
std::vector<std::string> CrossValidationArguments(const DecisionTreeParameters& p);

// The decision-tree engine exists once: a job takes it, and a second one meanwhile is answered
// "method busy". Usable from any thread. (Each dialog's running flag is its JobRunner's.)
std::atomic<bool>& DecisionTreeEngineFree();
class EngineClaim {
 public:
  EngineClaim() : taken_(DecisionTreeEngineFree().exchange(false)) {}
  ~EngineClaim() {
    if (taken_) DecisionTreeEngineFree().store(true);
  }
  EngineClaim(const EngineClaim&) = delete;
  EngineClaim& operator=(const EngineClaim&) = delete;
  bool Taken() const { return taken_; }

 private:
  bool taken_;
};

// Runs the engine on `p` with `source`: its report goes to `report`, the files to the working
// folder. Fails with kBusy "method busy" when another job holds the engine, with the engine's
// failure otherwise (a missing table: "error, not all tables are availables" and the names), and
// with kIo naming each result file that could not be written; succeeds with `result` filled. The
// caller shows kTreeCreated on success.
Status DecisionTreeJob(const DecisionTreeParameters& p, DataSource& source, std::ostream& report,
                       Progress& progress, InductionResult& result);

// The same with an argument vector already built (the cross-validation's folds), the trees also
// classifying `heldOutTable` when it is named.
Status RunTreeEngine(const std::vector<std::string>& args, int method, const std::string& mValues,
                     DataSource& source, std::ostream& report, Progress& progress,
                     InductionResult& result, const std::string& heldOutTable = {});

}  // namespace quarry::pruning
