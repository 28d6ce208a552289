#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/data/connect_string.h"
#include "core/data/data_file.h"
#include "core/data/sql_quote.h"
#include "tests/support/temp_database.h"

namespace quarry {
namespace {

using Table = std::vector<std::vector<std::string>>;

class DataFileTest : public testing::DatabaseTest {
 protected:
  std::string Write(const std::string& name, const std::string& text) {
    const auto path = folder_.path() / name;
    std::ofstream(path) << text;
    return path.string();
  }
  std::string Read(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  Expected<ImportResult> Import(const std::string& path, const std::string& table) {
    return ImportDataFile(source_.ConnectString(), path, table);
  }
};

TEST_F(DataFileTest, ExportThenImportKeepsRowsNullsAndTypes) {
  MakeTable("orig", {"name", "x", "n"}, {"string", "real", "integer"},
            {{"a,b", "1.5", "3"}, {"?", "2", "?"}, {"c", "?", "7"}});
  const std::string path = (folder_.path() / "orig.qry").string();
  auto rows = ExportDataFile(source_, "orig", path);
  ASSERT_TRUE(rows) << rows.status().message();
  EXPECT_EQ(*rows, 3);
  EXPECT_EQ(Read(path), "name,x,n;\nstring,real,real\na.b,1.5,3\n?,2,?\nc,?,7\n");

  auto result = Import(path, "copy");
  ASSERT_TRUE(result) << result.status().message();
  EXPECT_EQ(result->rowsInserted, 3);
  EXPECT_EQ(result->rowsSkipped, 0);
  EXPECT_EQ(Rows("select * from copy"), (Table{{"a.b", "1.5", "3"}, {"?", "2", "?"}, {"c", "?", "7"}}));
  std::vector<std::string> names, types;
  ASSERT_TRUE(source_.FieldTypes(SelectAllFrom("copy"), names, types));
  EXPECT_EQ(names, (std::vector<std::string>{"name", "x", "n"}));
  EXPECT_EQ(types, (std::vector<std::string>{"string", "float", "float"}));
}

TEST_F(DataFileTest, ImportReadsRuleLearnerStyleLines) {
  const std::string path = Write("in.txt",
                                 "outlook;temp;\n"
                                 "string;real  \n"
                                 "sunny,85.\n"
                                 "rain,70.5,extra,values\n"
                                 "\n"
                                 "overcast,64|a comment, with commas\n"
                                 "fog;71\n");
  auto result = Import(path, "w");
  ASSERT_TRUE(result) << result.status().message();
  EXPECT_EQ(result->header.names, (std::vector<std::string>{"outlook", "temp"}));
  EXPECT_EQ(Rows("select * from w"),
            (Table{{"sunny", "85"}, {"rain", "70.5"}, {"overcast", "64"}, {"fog", "71"}}));
}

TEST_F(DataFileTest, RefusedRowsAreSkippedAndCounted) {
  const std::string path = Write("in.txt", "s,x\nstring,real\na,1\nb,not a number\nc,3\n");
  auto result = Import(path, "t");
  ASSERT_TRUE(result);
  EXPECT_EQ(result->rowsInserted, 2);
  EXPECT_EQ(result->rowsSkipped, 1);
  EXPECT_EQ(Count("t"), 2);
}

TEST_F(DataFileTest, BadFilesAreRefusedWithTheirMessages) {
  auto result = Import(Write("a.txt", "a,b\nstring,integer\n1,2\n"), "t1");
  ASSERT_FALSE(result);
  EXPECT_EQ(result.status().message(), kImportBadStructure);
  result = Import(Write("b.txt", "a,b,c\nstring,real\n"), "t2");
  ASSERT_FALSE(result);
  EXPECT_EQ(result.status().message(), kImportBadStructure);
  result = Import((folder_.path() / "missing.txt").string(), "t3");
  ASSERT_FALSE(result);
  EXPECT_EQ(result.status().message(), kImportCannotOpen);
  result = ImportDataFile("DRIVER=NoSuchDriver", Write("c.txt", "a\nreal\n1\n"), "t4");
  ASSERT_FALSE(result);
  EXPECT_EQ(result.status().message(), kImportNoDatabase);
  std::vector<std::string> tables;
  ASSERT_TRUE(source_.ListTables(tables));
  EXPECT_TRUE(tables.empty());
}

TEST_F(DataFileTest, OverlongLinesAreReadInPieces) {
  const std::string longValue(kMaxDataLine + 6, 'a');
  auto result = Import(Write("long.txt", "s\nstring\n" + longValue + "\nb\n"), "t");
  ASSERT_TRUE(result);
  EXPECT_EQ(Rows("select length(s) from t"), (Table{{std::to_string(kMaxDataLine)}, {"6"}, {"1"}}));
}

TEST_F(DataFileTest, ExportToAnUnwritablePathSaysSo) {
  MakeTable("t", {"x"}, {"real"}, {{"1"}});
  auto rows = ExportDataFile(source_, "t", (folder_.path() / "no" / "such" / "dir.qry").string());
  ASSERT_FALSE(rows);
  EXPECT_EQ(rows.status().message(), kExportBadFileName);
}

}  // namespace
}  // namespace quarry
