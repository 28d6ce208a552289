#include <gtest/gtest.h>

#include "core/assoc/taxonomy_file.h"
#include "tests/support/temp_database.h"

namespace quarry::assoc {
namespace {

using Names = std::vector<std::string>;

const Names kColumns = {"bread", "milk", "beer", "odd: \"name\""};

constexpr const char* kShop =
    "# a shop\n"
    "preprocessing on\n"
    "class Products\n"
    "class Food : Products\n"
    "\n"
    "class \"Soft: \"\"drinks\"\"\" : Products\r\n"
    "attribute bread : Food\n"
    "attribute milk:Food\n"
    "attribute beer : \"Soft: \"\"drinks\"\"\"\n"
    "attribute \"odd: \"\"name\"\"\" : Products\n";

TEST(TaxonomyFile, ReadsTheStepsOfTheWindow) {
  auto t = ParseTaxonomy(kShop, kColumns);
  ASSERT_TRUE(t.ok()) << t.status().message();
  EXPECT_TRUE(t->Complete());
  EXPECT_TRUE(t->Preprocessing());
  EXPECT_EQ(t->ClassNames(), (Names{"Products", "Food", "Soft: \"drinks\""}));
  EXPECT_EQ(t->Root(), 0);
  EXPECT_EQ(t->Attributes("Food"), (Names{"bread", "milk"}));
  EXPECT_EQ(t->Ancestors(2), (ItemVector{1, 0, 1}));
}

TEST(TaxonomyFile, RoundTrip) {
  auto t = ParseTaxonomy(kShop, kColumns);
  ASSERT_TRUE(t.ok());
  testing::TempFolder folder;
  const auto path = folder.path() / "shop.tax";
  ASSERT_TRUE(WriteTaxonomyFile(*t, path).ok());
  auto again = ReadTaxonomyFile(path, kColumns);
  ASSERT_TRUE(again.ok()) << again.status().message();
  EXPECT_EQ(TaxonomyText(*again), TaxonomyText(*t));
  for (int p = 0; p < 7; ++p) EXPECT_EQ(again->Ancestors(p), t->Ancestors(p)) << p;
  EXPECT_EQ(TaxonomyText(*t),
            "# QUARRY taxonomy\npreprocessing on\nclass Products\nclass Food : Products\n"
            "class \"Soft: \"\"drinks\"\"\" : Products\nattribute bread : Food\n"
            "attribute milk : Food\nattribute beer : \"Soft: \"\"drinks\"\"\"\n"
            "attribute \"odd: \"\"name\"\"\" : Products\n");
}

struct BadFile {
  const char* text;
  const char* message;
};

class TaxonomyFileErrors : public ::testing::TestWithParam<BadFile> {};

TEST_P(TaxonomyFileErrors, SayWhatIsWrong) {
  auto t = ParseTaxonomy(GetParam().text, {"x", "y"});
  ASSERT_FALSE(t.ok());
  EXPECT_EQ(t.status().message(), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(
    Files, TaxonomyFileErrors,
    ::testing::Values(
        BadFile{"# nothing\n", "Define a Taxonomy of Attributes,please"},
        BadFile{"klass A\n", "line 1: a line starts with class, attribute or preprocessing"},
        BadFile{"class A\nclass A\n", "line 2: class A twice"},
        BadFile{"class A\nclass B\n", "line 2: class B has no father, and A is the root already"},
        BadFile{"class A : B\nclass B : A\n", "no class is the root: one class line has no father"},
        BadFile{"class A\nattribute x\n",
                "line 2: an attribute line names its class: attribute NAME : CLASS"},
        BadFile{"class A\nattribute z : A\n", "line 2: z is not an attribute of the table"},
        BadFile{"class A\nclass B : C\n", "line 2: there is no class C"},
        BadFile{"class \"A\n", "line 1: a name is missing or unfinished"},
        BadFile{"class A\nattribute x : A\n",
                "All are must be associated to a leaf in the hierarchy"},
        BadFile{"class A\nclass B : A\nattribute x : A\nattribute y : A\n",
                "There  are some node without associated leaves"},
        BadFile{
            "class A\nclass B : A\nclass C : B\nclass B2 : C\nattribute x : C\nattribute y : A\n"
            "preprocessing maybe\n",
            "line 7: preprocessing on or off"}));

TEST(TaxonomyFile, AMissingFileIsAnIoError) {
  auto t = ReadTaxonomyFile("/nonexistent/shop.tax", {"x"});
  EXPECT_EQ(t.status().code(), StatusCode::kIo);
}

}  // namespace
}  // namespace quarry::assoc
