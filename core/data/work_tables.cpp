#include "core/data/work_tables.h"

#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <sstream>

#include "core/data/data_source.h"
#include "core/data/sql_quote.h"
#include "core/data/transaction.h"

namespace quarry {

namespace {

// A process is known by its host, its id and its start time (ids come round again).
struct Process {
  std::string host;
  std::string pid;
  std::string start;
};

// The start time of a process of this host (in clock ticks since boot); empty when none runs.
std::string StartTime(const std::string& pid) {
  std::ifstream in("/proc/" + pid + "/stat");
  std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t name = stat.rfind(')');
  if (name == std::string::npos) return std::string();
  std::istringstream fields(stat.substr(name + 1));
  std::string field;
  // The start time is field 22; the first two (the id and the name) came before the ")".
  for (int i = 3; i <= 22 && fields >> field; ++i) {
  }
  return field;
}

const Process& ThisProcess() {
  static const Process self = [] {
    char host[256] = {};
    gethostname(host, sizeof(host) - 1);
    const std::string pid = std::to_string(getpid());
    return Process{host, pid, StartTime(pid)};
  }();
  return self;
}

// A run's mark: "host pid start serial" (one process may run several jobs).
std::string NewRun() {
  static std::atomic<long> serial{0};
  const Process& self = ThisProcess();
  return self.host + " " + self.pid + " " + self.start + " " + std::to_string(++serial);
}

Process ProcessOf(const std::string& run) {
  std::istringstream words(run);
  Process process;
  words >> process.host >> process.pid >> process.start;
  return process;
}

// Whether the run's process is gone; a process of another host may well be running.
bool Stopped(const std::string& run) {
  const Process process = ProcessOf(run);
  return process.host == ThisProcess().host && StartTime(process.pid) != process.start;
}

bool OfThisProcess(const std::string& run) {
  const Process process = ProcessOf(run);
  const Process& self = ThisProcess();
  return process.host == self.host && process.pid == self.pid && process.start == self.start;
}

bool Contains(const DataSource& source, const std::vector<std::string>& names,
              const std::string& name) {
  return std::any_of(names.begin(), names.end(),
                     [&](const std::string& n) { return source.Dialect().SameName(n, name); });
}

struct LedgerRow {
  std::string name;
  std::string run;
};

// The ledger's rows; none when it does not exist.
Expected<std::vector<LedgerRow>> ReadLedger(DataSource& source,
                                            const std::vector<std::string>& catalog) {
  std::vector<LedgerRow> rows;
  if (!Contains(source, catalog, kWorkTableLedger)) return rows;
  ExclusiveUse exclusive(source);
  if (!source.Query("select [name], [run] from " + QuoteIdent(kWorkTableLedger))) {
    return DatabaseError("cannot read the work tables of running jobs: " + source.LastError());
  }
  std::vector<std::string> row;
  for (bool more = source.FirstRow(row); more; more = source.NextRow(row)) {
    if (row.size() == 2) rows.push_back({row[0], row[1]});
  }
  return rows;
}

Status Refused(DataSource& source, const std::string& what) {
  return DatabaseError(what + ": " + source.LastError());
}

Status WorkTableOfRunningJob(const std::string& name) {
  return Busy("table " + name +
              " is a work table of a job that is running; try again when it has finished");
}

Status ForgetRun(DataSource& source, const std::string& run) {
  if (source.Execute("delete from " + QuoteIdent(kWorkTableLedger) +
                     " where [run] = " + QuoteLiteral(run))) {
    return Status::Ok();
  }
  return Refused(source, "cannot update the work tables of running jobs");
}

}  // namespace

WorkTables::WorkTables(DataSource& source) : source_(source), run_(NewRun()) {}

Status WorkTables::DropLeftovers() {
  leftovers_.clear();
  ExclusiveUse exclusive(source_);
  std::vector<std::string> catalog;
  if (!source_.ListAllTables(catalog)) return Refused(source_, "cannot list the tables");
  if (!Contains(source_, catalog, kWorkTableLedger)) return Status::Ok();
  Transaction transaction(source_);
  if (!transaction.Begun().ok()) return transaction.Begun();
  if (!source_.ListAllTables(catalog)) return Refused(source_, "cannot list the tables");
  auto ledger = ReadLedger(source_, catalog);
  if (!ledger) return ledger.status();
  // The tables of runs whose process has ended: nobody else will drop them.
  std::vector<std::string> dropped;
  std::vector<std::string> stoppedRuns;
  for (const LedgerRow& row : *ledger) {
    if (!Stopped(row.run)) continue;
    if (Contains(source_, catalog, row.name)) {
      if (!source_.DropTable(row.name)) return Refused(source_, "cannot drop table " + row.name);
      dropped.push_back(row.name);
    }
    if (std::find(stoppedRuns.begin(), stoppedRuns.end(), row.run) == stoppedRuns.end()) {
      stoppedRuns.push_back(row.run);
    }
  }
  if (stoppedRuns.empty()) return Status::Ok();
  for (const std::string& run : stoppedRuns) {
    if (Status s = ForgetRun(source_, run); !s.ok()) return s;
  }
  if (stoppedRuns.size() == ledger->size() && !source_.DropTable(kWorkTableLedger)) {
    return Refused(source_, "cannot drop table " + std::string(kWorkTableLedger));
  }
  if (Status s = transaction.Commit(); !s.ok()) return s;
  leftovers_ = std::move(dropped);
  return Status::Ok();
}

Status WorkTables::Claim(const std::vector<std::string>& names) {
  ExclusiveUse exclusive(source_);
  Transaction transaction(source_);
  if (!transaction.Begun().ok()) return transaction.Begun();
  std::vector<std::string> catalog;
  if (!source_.ListAllTables(catalog)) return Refused(source_, "cannot list the tables");
  auto ledger = ReadLedger(source_, catalog);
  if (!ledger) return ledger.status();
  for (const std::string& name : names) {
    if (Contains(source_, catalog, name)) {
      return InvalidArgument("table " + name +
                             " exists already and would be replaced by the job's work tables; "
                             "rename or drop it first");
    }
    for (const LedgerRow& row : *ledger) {
      if (source_.Dialect().SameName(row.name, name)) {
        return WorkTableOfRunningJob(name);
      }
    }
  }
  if (!Contains(source_, catalog, kWorkTableLedger) &&
      !source_.CreateTable(kWorkTableLedger, {"name", "run"}, {"string", "string"})) {
    return Refused(source_, "cannot record the job's work tables");
  }
  for (const std::string& name : names) {
    if (!source_.InsertRow(kWorkTableLedger, {"name", "run"}, {"string", "string"}, {name, run_})) {
      return Refused(source_, "cannot record the job's work tables");
    }
  }
  if (Status s = transaction.Commit(); !s.ok()) return s;
  names_.insert(names_.end(), names.begin(), names.end());
  return Status::Ok();
}

std::vector<std::string> WorkTables::DropAll() {
  std::vector<std::string> left;
  if (names_.empty()) return left;
  std::vector<std::string> names;
  names.swap(names_);
  ExclusiveUse exclusive(source_);
  Transaction transaction(source_);
  std::vector<std::string> catalog;
  if (!transaction.Begun().ok() || !source_.ListAllTables(catalog)) return names;
  // Only names the ledger holds for this run: what now carries another's name stays.
  auto ledger = ReadLedger(source_, catalog);
  if (!ledger) return names;
  for (const std::string& name : names) {
    const bool ours = std::any_of(ledger->begin(), ledger->end(), [&](const LedgerRow& row) {
      return row.run == run_ && row.name == name;
    });
    if (ours && Contains(source_, catalog, name) && !source_.DropTable(name)) left.push_back(name);
  }
  if (!ForgetRun(source_, run_).ok()) return names;
  const bool others = std::any_of(ledger->begin(), ledger->end(),
                                  [&](const LedgerRow& row) { return row.run != run_; });
  // The ledger goes when it holds nothing, so that the database is left as it was found.
  if (!others) source_.DropTable(kWorkTableLedger);
  if (!transaction.Commit().ok()) return names;
  return left;
}

Status RefuseWorkTablesOfOthers(DataSource& source, const std::vector<std::string>& names) {
  std::vector<std::string> catalog;
  if (!source.ListAllTables(catalog)) return Refused(source, "cannot list the tables");
  auto ledger = ReadLedger(source, catalog);
  if (!ledger) return ledger.status();
  for (const LedgerRow& row : *ledger) {
    if (OfThisProcess(row.run) || Stopped(row.run) || !Contains(source, names, row.name)) {
      continue;
    }
    return WorkTableOfRunningJob(row.name);
  }
  return Status::Ok();
}

std::string LeftoversText(const std::vector<std::string>& dropped) {
  if (dropped.empty()) return std::string();
  std::string text = "dropped the tables a stopped run had left:";
  for (const std::string& name : dropped) text += " " + name;
  return text;
}

}  // namespace quarry
