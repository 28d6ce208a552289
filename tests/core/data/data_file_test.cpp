#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "core/data/connect_string.h"
#include "core/data/csv_file.h"
#include "core/data/data_file.h"
#include "core/data/sql_quote.h"
#include "core/data/working_folder.h"
#include "tests/support/file_size_limit.h"
#include "tests/support/file_text.h"
#include "tests/support/temp_database.h"

namespace quarry {
namespace {

using Table = std::vector<std::vector<std::string>>;

class DataFileTest : public testing::DatabaseTest {
 protected:
  std::string Write(const std::string& name, const std::string& text) {
    const auto path = folder_.path() / name;
    std::ofstream(path, std::ios::binary) << text;
    return path.string();
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
  EXPECT_EQ(testing::FileText(path), "name,x,n;\nstring,real,real\na.b,1.5,3\n?,2,?\nc,?,7\n");

  auto result = Import(path, "copy");
  ASSERT_TRUE(result) << result.status().message();
  EXPECT_EQ(result->rowsInserted, 3);
  EXPECT_EQ(ImportSummary(*result, "copy"), "3 rows imported into copy");
  EXPECT_EQ(Rows("select * from copy"),
            (Table{{"a.b", "1.5", "3"}, {"?", "2", "?"}, {"c", "?", "7"}}));
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

// Each kind of line that does not import as it stands is counted with its first line numbers;
// the rows that can be, are imported.
TEST_F(DataFileTest, MalformedLinesAreCountedWithTheirLineNumbers) {
  std::string text = "\xEF\xBB\xBFs,x\nstring,real\na,1\nb,not a number\nshort\nc,3,more\n";
  text += "bad\x01,4\n\x7F\x02,5\nd,4,\n";
  for (int i = 0; i < 6; ++i) text += "e\n";
  auto result = Import(Write("in.txt", text), "t");
  ASSERT_TRUE(result) << result.status().message();
  EXPECT_EQ(result->header.names, (std::vector<std::string>{"s", "x"}));
  EXPECT_EQ(Rows("select s, x from t where x is not null or s = 'short'"),
            (Table{{"a", "1"}, {"short", "?"}, {"c", "3"}, {"d", "4"}}));
  EXPECT_EQ(ImportSummary(*result, "t"),
            "10 rows imported into t\n"
            "1 rows refused by the database and skipped: line 4\n"
            "7 short rows (fewer values than columns) imported with NULL for the rest: lines 5, "
            "10, 11, 12, 13, ...\n"
            "1 long rows (more values than columns) imported without the extra values: line 6\n"
            "2 unreadable lines (binary bytes or an unfinished quote) left out: lines 7, 8");
}

// A line is one row however long: nothing cuts it into pieces.
TEST_F(DataFileTest, AVeryLongLineIsOneRow) {
  const std::string longValue(1 << 20, 'a');
  auto result = Import(Write("long.txt", "s,x\nstring,real\n" + longValue + ",1\nb,2\n"), "t");
  ASSERT_TRUE(result);
  EXPECT_EQ(result->rowsInserted, 2);
  EXPECT_EQ(Rows("select length(s), x from t"),
            (Table{{std::to_string(1 << 20), "1"}, {"1", "2"}}));
}

// Binary data after a good header, a UTF-16 file, and names that cannot name a table are
// refused before any table is made.
TEST_F(DataFileTest, FilesThatAreNotTextAndBadTableNamesAreRefused) {
  std::string garbage = "s,x\nstring,real\n";
  for (int i = 0; i < 4000; ++i) garbage += static_cast<char>((i * 7919 + 13) % 256);
  auto result = Import(Write("bin.txt", garbage), "t1");
  ASSERT_FALSE(result);
  EXPECT_EQ(result.status().message(), NotTextMessage((folder_.path() / "bin.txt").string()));
  EXPECT_FALSE(ReadDataFileHeader((folder_.path() / "bin.txt").string()));
  result = Import(Write("utf16.txt", std::string("\xFF\xFEs\0\n\0", 6)), "t2");
  EXPECT_FALSE(result);
  result = Import(Write("nul.txt", std::string("s,x\nstring,real\na\0b,1\n", 22)), "t3");
  EXPECT_FALSE(result);
  EXPECT_FALSE(GuessCsvColumns((folder_.path() / "utf16.txt").string()));

  const std::string good = Write("good.txt", "s\nstring\na\n");
  EXPECT_EQ(Import(good, "").status().message(), "a table name cannot be empty");
  result = Import(good, std::string(kLongestTableName + 1, 'n'));
  ASSERT_FALSE(result);
  EXPECT_NE(result.status().message().find("is too long"), std::string::npos);
  std::vector<std::string> tables;
  ASSERT_TRUE(source_.ListTables(tables));
  EXPECT_TRUE(tables.empty());
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

TEST_F(DataFileTest, ExportToAnUnwritablePathSaysSo) {
  MakeTable("t", {"x"}, {"real"}, {{"1"}});
  auto rows = ExportDataFile(source_, "t", (folder_.path() / "no" / "such" / "dir.qry").string());
  ASSERT_FALSE(rows);
  EXPECT_EQ(rows.status().message(), kExportBadFileName);
}

// An export that cannot be written whole leaves the older file of its name as it was.
TEST_F(DataFileTest, AFailedExportLeavesNoPartialFile) {
  std::vector<std::vector<std::string>> rows;
  for (int i = 0; i < 50; ++i) rows.push_back({std::string(400, 'r') + std::to_string(i)});
  MakeTable("t", {"s"}, {"string"}, rows);
  const std::string path = Write("t.qry", "an older export\n");
  {
    testing::FileSizeLimit limit(8192);
    EXPECT_FALSE(ExportDataFile(source_, "t", path));
  }
  EXPECT_EQ(testing::FileText(path), "an older export\n");
  EXPECT_FALSE(std::filesystem::exists(path + ".part"));
}

// A plain CSV file: the types guessed from the values, quoted values with commas, quotes and
// line ends, CRLF, empty values as NULL; rows that do not fit are counted by line.
TEST_F(DataFileTest, CsvFilesAreImportedWithGuessedTypes) {
  const std::string path = Write("people.CSV",
                                 "\xEF\xBB\xBFname, age ,note,\r\n"
                                 "\"Smith, J\",42,\"said \"\"hi\"\"\",x\r\n"
                                 "Ann,,\"two\r\nlines\",\r\n"
                                 "\r\n"
                                 "Bo,7.5e1,,\r\n"
                                 "Cy,3\r\n"
                                 "Di,4,n,x,extra\r\n"
                                 "Ed,old,n,x\r\n"
                                 "\"open,5,n,x\r\n");
  EXPECT_TRUE(IsCsvFileName(path));
  EXPECT_EQ(GuessCsvColumns(path)->types[1], "string");  // "old" is no number
  std::vector<std::vector<std::string>> examples;
  auto columns = GuessCsvColumns(path, 3, &examples);
  ASSERT_TRUE(columns) << columns.status().message();
  EXPECT_EQ(columns->names, (std::vector<std::string>{"name", "age", "note", "column4"}));
  EXPECT_EQ(columns->types, (std::vector<std::string>{"string", "real", "string", "string"}));
  // The values the dialog shows beside the guess: distinct, NULL left out, at most three.
  GuessCsvColumns(path, kCsvGuessRows, &examples);
  EXPECT_EQ(examples, (std::vector<std::vector<std::string>>{{"Smith, J", "Ann", "Bo"},
                                                             {"42", "7.5e1", "3"},
                                                             {"said \"hi\"", "two\nlines", "n"},
                                                             {"x"}}));

  auto result = ImportCsvFile(source_.ConnectString(), path, "people", *columns);
  ASSERT_TRUE(result) << result.status().message();
  EXPECT_EQ(Rows("select * from people"), (Table{{"Smith, J", "42", "said \"hi\"", "x"},
                                                 {"Ann", "?", "two\nlines", "?"},
                                                 {"Bo", "75", "?", "?"},
                                                 {"Cy", "3", "?", "?"},
                                                 {"Di", "4", "n", "x"}}));
  EXPECT_EQ(ImportSummary(*result, "people"),
            "5 rows imported into people\n"
            "1 rows refused by the database and skipped: line 9\n"
            "1 short rows (fewer values than columns) imported with NULL for the rest: line 7\n"
            "1 long rows (more values than columns) imported without the extra values: line 8\n"
            "1 unreadable lines (binary bytes or an unfinished quote) left out: line 10");
}

}  // namespace
}  // namespace quarry
