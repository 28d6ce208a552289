#pragma once
// Small transaction tables for the association tests, and a miner run over them.

#include <string>
#include <vector>

#include "core/assoc/association_miner.h"
#include "tests/support/temp_database.h"

namespace quarry::testing {

class AssocTest : public DatabaseTest {
 protected:
  // A table of "real" item columns named a, b, c, ...; each row lists its cells.
  void MakeBaskets(const std::string& table, const std::vector<std::vector<std::string>>& rows) {
    std::vector<std::string> names;
    for (size_t i = 0; i < rows.front().size(); ++i) names.push_back(std::string(1, char('a' + i)));
    MakeTable(table, names, std::vector<std::string>(names.size(), "real"), rows);
  }

  // Frequent itemsets as "[a,b]=count" texts, in the miner's order.
  static std::vector<std::string> Describe(const assoc::AssociationMiner& miner) {
    std::vector<std::string> out;
    for (const assoc::Itemset& set : miner.FrequentItemsets()) {
      out.push_back(assoc::ItemsetText(assoc::ToPositions(set.items), miner.ItemNames()) + "=" +
                    std::to_string(set.count));
    }
    return out;
  }

  Status Mine(assoc::AssociationMiner& miner, const std::string& table, float support,
              int algorithm = assoc::kApriori, bool aisPruning = false) {
    miner.SetParameters(table, support, 0.5f, algorithm, aisPruning, source_);
    return miner.Run();
  }

  std::vector<std::string> MineTexts(const std::string& table, float support,
                                     int algorithm = assoc::kApriori, bool aisPruning = false) {
    assoc::AssociationMiner miner;
    Status s = Mine(miner, table, support, algorithm, aisPruning);
    EXPECT_TRUE(s.ok()) << s.message();
    return Describe(miner);
  }
};

}  // namespace quarry::testing
