// Values as the database holds them, through the commands that copy, compare, classify and
// describe them: a text keeps its commas, a number every digit, a copied column its type, a class
// its own text, and a row without a class teaches nothing.

#include <gtest/gtest.h>

#include <fstream>
#include <initializer_list>
#include <sstream>

#include "core/data/connect_string.h"
#include "core/data/data_source.h"
#include "core/data/working_folder.h"
#include "tests/cli/cli_fixture.h"
#include "tests/support/file_text.h"

namespace quarry {
namespace {

class ValueHandlingCli : public testing::CliFixture {
 protected:
  // Runs the statements on the working copy of the sample database.
  void Execute(std::initializer_list<std::string> statements) {
    ASSERT_EQ(Run({"tables"}).exitCode, 0);  // makes the copy
    DataSource source;
    ASSERT_TRUE(source.Open(SqliteConnectString(WorkingFile("sample.sqlite").string())))
        << source.LastError();
    for (const std::string& sql : statements)
      ASSERT_TRUE(source.Execute(sql)) << sql << ": " << source.LastError();
  }
  // Imports a data file of the given lines as `table`.
  void Import(const std::string& table, const std::string& lines) {
    Write(table + ".txt", lines);
    const testing::CliRun run = Run({"import", table + ".txt", "--table", table});
    ASSERT_EQ(run.exitCode, 0) << run.err;
  }
  static std::string FileText(const std::string& name) {
    return testing::FileText(WorkingFile(name));
  }
};

// Only a number may be written with a decimal comma: a date (SQLite keeps any text in one) and a
// text keep theirs in every copy a command makes, and the copy of a column takes its type.
TEST_F(ValueHandlingCli, CopiesKeepTextsAndTypesAsTheyAre) {
  Execute({"create table notes (day date, note varchar(20), x float)",
           "insert into notes values ('Jan 2, 2024', 'c,d', 1.5), (null, 'g,h', 2.5), "
           "('Mar 4, 2024', null, null)"});
  EXPECT_EQ(Run({"columns", "notes"}).out, "day\tdate\nnote\tstring\nx\tfloat\n");
  ASSERT_EQ(Run({"split", "notes", "n1", "n2", "50"}).exitCode, 0);
  EXPECT_EQ(Query("select day, note from n1 union all select day, note from n2 order by 1"),
            "day\tnote\n?\tg,h\nJan 2, 2024\tc,d\nMar 4, 2024\t?\n");
  ASSERT_EQ(Run({"partition", "notes", "2"}).exitCode, 0);
  EXPECT_EQ(Query("select day from notes_escluso_0 union all select day from notes_escluso_1 "
                  "order by 1"),
            "day\n?\nJan 2, 2024\nMar 4, 2024\n");

  auto run = Run({"nullsub", "--table", "notes", "--column", "day", "--name", "day2"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out, "missing values replaced by 'Jan 2, 2024'\nThe table is updated\n");
  ASSERT_EQ(Run({"nullsub", "--table", "notes", "--column", "note", "--name", "note2"}).exitCode,
            0);
  EXPECT_EQ(Run({"columns", "notes"}).out,
            "day\tdate\nnote\tstring\nx\tfloat\nday2\tdate\nnote2\tstring\n");
  EXPECT_EQ(Query("select day2, note2 from notes"),
            "day2\tnote2\nJan 2, 2024\tc,d\nJan 2, 2024\tg,h\nMar 4, 2024\tc,d\n");
}

// A number is compared as the database holds it, not through its fifteen-digit text: 0.1 + 0.2
// reads "0.3" like 0.3 itself, and both rows belong to the column of that name.
TEST_F(ValueHandlingCli, BinarizationFindsEveryRowOfAValue) {
  Import("sums", "x,cls;\nreal,string\n0.30000000000000004,a\n0.3,b\n0.1,a\n?,b\n");
  EXPECT_EQ(Query("select x from sums"), "x\n0.3\n0.3\n0.1\n?\n");
  const testing::CliRun run = Run({"binarize", "--table", "sums", "--column", "x"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out.find("already"), std::string::npos) << run.out;
  EXPECT_EQ(Query("select [x_Value_0.1] as [a], [x_Value_0.3] as [b] from sums"),
            "a\tb\n0\t1\n0\t1\n1\t0\n?\t?\n");
}

// A class is the text the database holds, commas and all: each is found, none becomes another.
TEST_F(ValueHandlingCli, ClassesHoldingCommasAreClassesOfTheirOwn) {
  Execute({"create table marks_data (grade varchar(5), cls varchar(5))",
           "insert into marks_data values ('a', 'p,q'), ('a', 'p,q'), ('a', 'p,q'), ('b', 'x,y'), "
           "('b', 'x,y'), ('b', 'x,y'), ('c', 'x.y'), ('c', 'x.y'), ('c', 'x.y'), ('c', 'p,q')",
           "insert into marks_data select * from marks_data"});
  const testing::CliRun run = Run({"dtree", "--table", "marks_data", "-m", "1"});
  ASSERT_EQ(run.exitCode, 0) << run.err << run.out;
  EXPECT_EQ(run.out.find("is illegal"), std::string::npos) << run.out;
  const std::string tree = FileText("marks_data.tree");
  for (const char* leaf : {"-->LEAF:  p,q[case: grade = a]", "-->LEAF:  x,y[case: grade = b]",
                           "-->LEAF:  x.y[case: grade = c]"}) {
    EXPECT_NE(tree.find(leaf), std::string::npos) << leaf << "\n" << tree;
  }
}

// Rows whose class is NULL are left out of training, and the user is told how many: they would
// vote for a class "?", or count as 0 in a mean.
TEST_F(ValueHandlingCli, NearestNeighboursLeaveOutRowsWithoutAClass) {
  Import("tr", "x,cls;\nreal,string\n1,a\n2,?\n3,b\n");
  Import("te", "x,cls;\nreal,string\n2,?\n");
  testing::CliRun run = Run({"knn", "--train", "tr", "--test", "te", "--k", "1"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_EQ(run.out,
            "1 row of tr has no class and was left out of training\n"
            "1 rows of te classified against 2 rows of tr\n");
  EXPECT_EQ(Query("select cls from te"), "cls\na\n");

  Import("ntr", "x,y;\nreal,real\n1,10\n2,?\n4,?\n3,20\n");
  Import("nte", "x,y;\nreal,real\n2,?\n");
  run = Run({"knn", "--train", "ntr", "--test", "nte", "--k", "2"});
  ASSERT_EQ(run.exitCode, 0) << run.err;
  EXPECT_NE(run.out.find("2 rows of ntr have no class and were left out of training\n"),
            std::string::npos);
  EXPECT_EQ(Query("select y from nte"), "y\n15\n");

  Import("none", "x,y;\nreal,real\n1,?\n");
  run = Run({"knn", "--train", "none", "--test", "nte"});
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.err.find("1 row of none has no class"), std::string::npos) << run.err;
}

}  // namespace
}  // namespace quarry
