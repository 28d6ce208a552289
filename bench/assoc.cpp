// Association-rule miners on a synthetic basket table: 100,000 transactions over 200 items,
// about 10 items a basket, with a few planted frequent patterns; minimum support 1%.
//
//   assoc [DATABASE]   (default: assoc_bench.sqlite in the current folder, made on first use)
//
// Prints the time of one full read of the table through the data source and, per algorithm, the
// time spent counting beyond reading rows, which should stay within 3 reads.

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "core/assoc/association_miner.h"
#include "core/data/connect_string.h"
#include "core/data/data_source.h"
#include "core/data/rand.h"
#include "core/data/sql_quote.h"

using namespace quarry;

namespace {

constexpr int kTransactions = 100000;
constexpr int kItems = 200;
constexpr float kMinSupport = 0.01f;
constexpr const char* kTable = "bench_baskets";

struct Planted {
  std::vector<int> items;
  int perMille;  // share of the baskets that hold the pattern
};

const std::vector<Planted> kPlanted = {{{3, 17, 42}, 40},
                                       {{8, 99, 150, 177}, 30},
                                       {{20, 21}, 60},
                                       {{60, 61, 62, 63, 64}, 20},
                                       {{110, 120, 130, 140, 160, 190}, 15}};

double Seconds(std::chrono::steady_clock::time_point since) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - since).count();
}

bool MakeTable(DataSource& source) {
  std::vector<std::string> names;
  for (int i = 0; i < kItems; ++i) {
    char name[8];
    std::snprintf(name, sizeof(name), "i%03d", i);
    names.push_back(name);
  }
  if (!source.CreateTable(kTable, names, std::vector<std::string>(kItems, "real"))) return false;
  Rand rand;
  source.BeginTransaction();
  std::string sql;
  std::vector<char> basket(kItems);
  for (int t = 0; t < kTransactions; ++t) {
    std::fill(basket.begin(), basket.end(), 0);
    const int size = 6 + rand.Next() % 7;
    for (int k = 0; k < size; ++k) basket[static_cast<size_t>(rand.Next() % kItems)] = 1;
    for (const Planted& p : kPlanted) {
      if (rand.Next() % 1000 < p.perMille) {
        for (int i : p.items) basket[static_cast<size_t>(i)] = 1;
      }
    }
    sql += sql.empty() ? "insert into " + QuoteIdent(kTable) + " values (" : ",(";
    for (int i = 0; i < kItems; ++i) {
      sql += basket[static_cast<size_t>(i)] ? "1" : "0";
      sql += i + 1 < kItems ? "," : ")";
    }
    if ((t + 1) % 200 == 0) {
      if (!source.Execute(sql)) return false;
      sql.clear();
    }
  }
  return source.Commit();
}

}  // namespace

int main(int argc, char** argv) {
  const std::filesystem::path file = argc > 1 ? argv[1] : "assoc_bench.sqlite";
  const bool fresh = !std::filesystem::exists(file);
  if (fresh && !DataSource::CreateSqliteFile(file.string())) {
    std::fprintf(stderr, "cannot create %s\n", file.c_str());
    return 1;
  }
  DataSource source;
  if (!source.Open(SqliteConnectString(file.string()))) {
    std::fprintf(stderr, "cannot open %s: %s\n", file.c_str(), source.LastError().c_str());
    return 1;
  }
  if (!source.TableExists(kTable)) {
    const auto start = std::chrono::steady_clock::now();
    if (!MakeTable(source)) {
      std::fprintf(stderr, "cannot make the table: %s\n", source.LastError().c_str());
      return 1;
    }
    std::printf("table made in %.2f s\n", Seconds(start));
  }

  // One full read: the rows as the data source delivers them.
  double read = 0.0;
  {
    ExclusiveUse exclusive(source);
    const auto start = std::chrono::steady_clock::now();
    source.Query(SelectAllFrom(kTable));
    std::vector<std::string> row;
    long rows = 0;
    for (bool more = source.FirstRow(row); more; more = source.NextRow(row)) ++rows;
    read = Seconds(start);
    std::printf("%ld transactions x %d items, minimum support %.2f\n", rows, kItems,
                static_cast<double>(kMinSupport));
    std::printf("one full read of the table:            %7.2f s\n", read);
  }

  const char* names[] = {"A priori", "A priori Tid", "AIS", "AIS with pruning"};
  const int algorithms[] = {assoc::kApriori, assoc::kAprioriTid, assoc::kAis, assoc::kAis};
  double aprioriTotal = 0.0;
  double tidTotal = 0.0;
  size_t patterns = 0;
  for (int a = 0; a < 4; ++a) {
    assoc::AssociationMiner miner;
    miner.SetParameters(kTable, kMinSupport, 0.5f, algorithms[a], a == 3, source);
    if (Status s = miner.Run(); !s.ok()) {
      std::fprintf(stderr, "%s: %s\n", names[a], s.message().c_str());
      return 1;
    }
    const assoc::MiningTimes& t = miner.Times();
    const double counting = t.totalSeconds - t.readSeconds;
    const size_t found = miner.FrequentItemsets().size();
    if (a == 0) patterns = found;
    if (found != patterns) std::printf("  different results: %zu itemsets\n", found);
    std::printf("%-17s total %7.2f s, reading %7.2f s (%d passes), counting %7.2f s = %.2f reads\n",
                names[a], t.totalSeconds, t.readSeconds, t.tablePasses, counting, counting / read);
    if (a == 0) aprioriTotal = t.totalSeconds;
    if (a == 1) tidTotal = t.totalSeconds;
  }
  std::printf("%zu frequent itemsets; A priori Tid takes %.2f of A priori's time\n", patterns,
              tidTotal / aprioriTotal);
  return 0;
}
