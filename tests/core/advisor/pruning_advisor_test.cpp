#include "core/advisor/pruning_advisor.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>

#include "core/advisor/advice_speech.h"
#include "core/advisor/model_variance.h"
#include "core/advisor/support_files.h"
#include "core/data/connect_string.h"
#include "tests/support/file_text.h"
#include "tests/support/temp_database.h"

namespace quarry {
namespace {

class PruningAdvisorTest : public testing::DatabaseTest {
 protected:
  // 60 cases whose class follows `a` and `b` with a few exceptions, so trees differ by sample.
  void MakeTrainingTable(const std::string& name) {
    std::vector<std::vector<std::string>> rows;
    for (int i = 0; i < 60; ++i) {
      const int a = (i * 7) % 10;
      const std::string b = i % 3 == 0 ? "red" : "blue";
      std::string cls = a < 4 ? "yes" : (b == "red" ? "maybe" : "no");
      if (i % 11 == 0) cls = "maybe";
      rows.push_back({std::to_string(a), b, cls});
    }
    MakeTable(name, {"a", "b", "class"}, {"real", "string", "string"}, rows);
  }

  // A stand-in for counsel: a shell script with `body`, noting that it ran.
  std::filesystem::path FakeCounsel(const std::string& body) {
    const auto path = folder_.path() / ("fake-counsel" + std::to_string(++fakes_));
    std::ofstream(path) << "#!/bin/sh\ntouch \"$QUARRY_HOME/counsel-ran\"\n" << body << "\n";
    chmod(path.c_str(), 0755);
    return path;
  }
  bool CounselRan() const { return std::filesystem::exists(folder_.path() / "counsel-ran"); }

  void ExpectNoSamplesLeft() {
    for (int round = 0; round < kModelSampleRounds; ++round) {
      EXPECT_FALSE(source_.TableExists(ModelSampleData(round)));
      EXPECT_FALSE(source_.TableExists(ModelSampleTest(round)));
    }
    for (const auto& entry : std::filesystem::directory_iterator(folder_.path())) {
      EXPECT_EQ(entry.path().filename().string().find("QuarryModelSample"), std::string::npos)
          << entry.path();
    }
  }

  int fakes_ = 0;

  bool Advise(PruningAdvisor& advisor, const std::filesystem::path& counsel) {
    advisor.counselPath = counsel;
    return RunPruningAdvisor(advisor);
  }
};

TEST_F(PruningAdvisorTest, AdvisesFromTheMeasuresThroughCounsel) {
  MakeTrainingTable("plants_data");
  PruningAdvisor advisor(source_, "plants_data");
  ASSERT_TRUE(Advise(advisor, COUNSEL_PROGRAM)) << advisor.Failure().message();
  // The mode class "yes" holds 22 rows of 60.
  EXPECT_FLOAT_EQ(advisor.ResponseClassModeFrequency(), 22.0f / 60 * 100);
  EXPECT_GE(advisor.ModelVariance(), 0.0f);
  EXPECT_EQ(testing::FileText(SupportInputPath()),
            SupportInputText(advisor.ModelVariance(), advisor.ResponseClassModeFrequency()));
  EXPECT_FALSE(advisor.SimpleTreeAdvice().empty());
  EXPECT_FALSE(advisor.AccurateTreeAdvice().empty());
  EXPECT_NE(advisor.Commentary().find("For an accurate tree"), std::string::npos);
  const auto speech = AdviceSpeech(advisor);
  ASSERT_EQ(speech.size(), 5u);
  EXPECT_EQ(speech[0], "Dataset \\emp\\plants_data.\\pau=800\\");
  EXPECT_EQ(speech[1], advisor.Commentary());
  EXPECT_EQ(speech[2],
            "\\pau=150\\ Hence, If you want an induced tree with a \\emp\\ great "
            "accuracy, the appropriate pruning algorithm is: \\emp\\ " +
                advisor.AccurateTreeAdvice() + ". \\pau=1100\\");
  ExpectNoSamplesLeft();
  EXPECT_EQ(Count("plants_data"), 60);
}

TEST_F(PruningAdvisorTest, TheSamplesDifferFromRoundToRound) {
  // The loan table's pruned trees change size with the sample; five equal samples would not.
  const auto copy = folder_.path() / "sample.sqlite";
  std::filesystem::copy_file(QUARRY_SAMPLE_DB, copy);
  DataSource sample;
  ASSERT_TRUE(sample.Open(SqliteConnectString(copy.string()))) << sample.LastError();
  PruningAdvisor advisor(sample, "loan_data");
  ASSERT_TRUE(Advise(
      advisor, FakeCounsel("printf 't\\ns\\na\\n' > \"$QUARRY_HOME/SupportSystemOutputs.txt\"")));
  EXPECT_GT(advisor.ModelVariance(), 0.0f);
  const int counts[kModelSampleRounds] = {1, 2, 3, 4, 5};
  EXPECT_FLOAT_EQ(FiveValueVariance(counts), 2.0f);
}

TEST_F(PruningAdvisorTest, ModeFrequencyCountsRowsWithoutAClass) {
  MakeTable("m_data", {"a", "class"}, {"real", "string"},
            {{"1", "x"}, {"2", "x"}, {"3", "x"}, {"4", "y"}, {"5", "?"}});
  PruningAdvisor advisor(source_, "m_data");
  ASSERT_TRUE(Advise(
      advisor, FakeCounsel("printf 't\\ns\\na\\n' > \"$QUARRY_HOME/SupportSystemOutputs.txt\"")))
      << advisor.Failure().message();
  EXPECT_FLOAT_EQ(advisor.ResponseClassModeFrequency(), 80.0f);
}

TEST_F(PruningAdvisorTest, ThreeLinesGiveBothAdviceTextsAndNoCommentary) {
  MakeTrainingTable("plants_data");
  PruningAdvisor advisor(source_, "plants_data");
  ASSERT_TRUE(Advise(advisor, FakeCounsel("printf 'title\\nsimple\\naccurate' > "
                                          "\"$QUARRY_HOME/SupportSystemOutputs.txt\"")));
  EXPECT_EQ(advisor.SimpleTreeAdvice(), "simple\n");
  EXPECT_EQ(advisor.AccurateTreeAdvice(), "accurate");
  EXPECT_EQ(advisor.Commentary(), "");
}

TEST_F(PruningAdvisorTest, ANameWithoutDataFailsWithoutStartingCounsel) {
  MakeTrainingTable("plants_test");
  PruningAdvisor advisor(source_, "plants_test");
  EXPECT_FALSE(Advise(advisor, FakeCounsel("exit 0")));
  EXPECT_FALSE(CounselRan());
  EXPECT_FALSE(std::filesystem::exists(SupportInputPath()));
  const auto speech = AdviceSpeech(advisor);
  ASSERT_EQ(speech.size(), 3u);
  EXPECT_EQ(speech[0].rfind("You may select a _data table;", 0), 0u);
}

TEST_F(PruningAdvisorTest, AFailingEngineRunLeavesNoSampleBehind) {
  MakeTable("bare_data", {"class"}, {"string"}, {{"a"}, {"b"}});
  PruningAdvisor advisor(source_, "bare_data");
  EXPECT_FALSE(Advise(advisor, FakeCounsel("exit 0")));
  EXPECT_NE(advisor.Failure().message().find("no attribute column"), std::string::npos)
      << advisor.Failure().message();
  EXPECT_FALSE(CounselRan());
  ExpectNoSamplesLeft();
}

// The stop button pressed while the third sample is drawn: the run ends there, before any tree
// grows, says it was stopped, and drops the samples drawn so far.
TEST_F(PruningAdvisorTest, AStopWhileDrawingTheSamplesEndsTheRunThere) {
  MakeTrainingTable("plants_data");
  struct StopDuringThirdSample : Progress {
    bool Cancelled() const override { return ++asked > 125; }
    void Update(std::string_view what, long, long) override {
      if (what.find("tree") != std::string_view::npos) grew = true;
    }
    mutable int asked = 0;
    bool grew = false;
  } progress;
  PruningAdvisor advisor(source_, "plants_data");
  advisor.progress = &progress;
  EXPECT_FALSE(Advise(advisor, FakeCounsel("exit 0")));
  EXPECT_EQ(advisor.Failure().code(), StatusCode::kCancelled);
  EXPECT_EQ(advisor.Failure().message(), "the pruning adviser was stopped");
  EXPECT_FALSE(progress.grew);
  EXPECT_EQ(progress.asked, 126);
  EXPECT_FALSE(CounselRan());
  ExpectNoSamplesLeft();
}

TEST_F(PruningAdvisorTest, NeverReplacesATableOfTheSampleName) {
  MakeTrainingTable("plants_data");
  // Every round has tables of its own: the last round's name is guarded as the first's.
  const std::string mine = ModelSampleTest(kModelSampleRounds - 1);
  MakeTable(mine, {"mine"}, {"string"}, {{"keep me"}});
  PruningAdvisor advisor(source_, "plants_data");
  EXPECT_FALSE(Advise(advisor, FakeCounsel("exit 0")));
  EXPECT_NE(advisor.Failure().message().find(mine), std::string::npos);
  EXPECT_EQ(Rows("select * from " + mine), (std::vector<std::vector<std::string>>{{"keep me"}}));
  EXPECT_FALSE(source_.TableExists(ModelSampleData(0)));
}

TEST_F(PruningAdvisorTest, CounselMissingFailingSilentOrSlowIsAFailure) {
  MakeTrainingTable("plants_data");
  // A stale answer of an earlier request must not pass for a new one.
  std::ofstream(SupportOutputPath()) << "old\nold simple\nold accurate\n";
  struct Case {
    std::filesystem::path counsel;
    const char* message;
  } cases[] = {
      {folder_.path() / "no-such-counsel", "missing"},
      {FakeCounsel("echo 'the rules are broken' >&2; exit 3"), "the rules are broken"},
      {FakeCounsel("exit 0"), "left no advice"},
      {FakeCounsel("sleep 30"), "no answer"},
  };
  for (const Case& c : cases) {
    PruningAdvisor advisor(source_, "plants_data");
    advisor.counselTimeout = std::chrono::seconds(3);
    EXPECT_FALSE(Advise(advisor, c.counsel)) << c.message;
    EXPECT_NE(advisor.Failure().message().find(c.message), std::string::npos)
        << advisor.Failure().message();
    EXPECT_EQ(advisor.SimpleTreeAdvice(), "");
    EXPECT_EQ(AdviceSpeech(advisor).size(), 3u);
  }
  ExpectNoSamplesLeft();
}

}  // namespace
}  // namespace quarry
