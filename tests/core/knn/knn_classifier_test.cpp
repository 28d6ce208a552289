#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <numeric>

#include "core/data/rand.h"
#include "core/knn/knn_classifier.h"

namespace quarry::knn {
namespace {

using dtree::AttValue;
using dtree::kUnknown;

// Training cases built in memory: `discrete[a]` says which attributes are discrete; a discrete
// cell holds its value number (0 unknown); classes are numbered by their names.
struct CaseBuilder {
  explicit CaseBuilder(std::vector<bool> discrete, bool numeric) : discrete_(std::move(discrete)) {
    const size_t n = discrete_.size();
    cases.att.MaxAtt = static_cast<int16_t>(n - 1);
    cases.att.Status.assign(n + 1, dtree::kContinuous);
    cases.att.ValueCount.assign(n + 1, 0);
    cases.att.AttName.resize(n + 1);
    for (size_t a = 0; a < n; ++a) {
      cases.att.AttName[a] = "a" + std::to_string(a);
      if (discrete_[a]) cases.att.Status[a] = dtree::kDiscrete;
    }
    cases.cont.resize(n);
    cases.discr.resize(n);
    cases.valueNumber.resize(n);
    cases.numericClass = numeric;
  }
  void Add(const std::vector<double>& values, int classNo) {
    for (size_t a = 0; a < values.size(); ++a) {
      if (discrete_[a]) {
        const int32_t v = static_cast<int32_t>(values[a]);
        cases.discr[a].push_back(v);
        cases.att.ValueCount[a] = std::max(cases.att.ValueCount[a], v);
      } else {
        cases.cont[a].push_back(static_cast<float>(values[a]));
      }
    }
    while (static_cast<int>(cases.att.ClassName.size()) <= classNo) {
      cases.att.ClassName.push_back(std::to_string(cases.att.ClassName.size()));
    }
    cases.classOf.push_back(classNo);
    if (cases.numericClass) cases.classValue.push_back(classNo);
  }
  std::vector<AttValue> Test(const std::vector<double>& values) const {
    std::vector<AttValue> x(values.size());
    for (size_t a = 0; a < values.size(); ++a) {
      if (discrete_[a]) {
        x[a].discr = static_cast<int32_t>(values[a]);
      } else {
        x[a].cont = static_cast<float>(values[a]);
      }
    }
    return x;
  }

  std::vector<bool> discrete_;
  KnnCases cases;
};

std::vector<Prediction> ClassifyAll(KnnClassifier& classifier,
                                    const std::vector<std::vector<AttValue>>& tests) {
  std::vector<const AttValue*> pointers;
  for (const auto& t : tests) pointers.push_back(t.data());
  return classifier.Classify(pointers);
}

// The distance written from its definition, term by term, with the VDM counts N(v, c) and
// N(v) taken afresh from the cases.
struct BruteForce {
  BruteForce(const KnnCases& cases, std::vector<DistanceKind> kinds, double q)
      : cases(cases),
        kinds(std::move(kinds)),
        q(q),
        count(cases.Attributes()),
        total(cases.Attributes()) {
    for (int a = 0; a < cases.Attributes(); ++a) {
      if (!cases.IsDiscrete(a)) continue;
      for (size_t i = 0; i < cases.Count(); ++i) {
        ++count[a][{cases.discr[a][i], cases.classOf[i]}];
        ++total[a][cases.discr[a][i]];
      }
    }
  }
  double Share(int a, int32_t v, int32_t c) const {
    const auto n = total[a].find(v);
    if (n == total[a].end()) return 0;
    const auto nc = count[a].find({v, c});
    return nc == count[a].end() ? 0 : nc->second / n->second;
  }

  double Distance(const AttValue* x, size_t j) const {
    double mink = 0, eucl = 0, vdm = 0, ham = 0, man = 0;
    for (int a = 0; a < cases.Attributes(); ++a) {
      double term;
      if (cases.IsDiscrete(a)) {
        const int32_t u = x[a].discr;
        const int32_t v = cases.discr[a][j];
        if (kinds[a] == DistanceKind::kVdm) {
          term = 0;
          for (size_t c = 0; c < cases.att.ClassName.size(); ++c) {
            term += std::fabs(Share(a, u, static_cast<int32_t>(c)) -
                              Share(a, v, static_cast<int32_t>(c)));
          }
        } else {
          term = u == v ? 0 : 10000;
        }
      } else {
        const float u = x[a].cont;
        const float v = cases.cont[a][j];
        const double diff = static_cast<double>(u) - v;
        if (u == -999.0f || v == -999.0f) {
          term = 0;
        } else if (kinds[a] == DistanceKind::kManhattan) {
          term = std::fabs(diff);
        } else if (kinds[a] == DistanceKind::kMinkowski) {
          term = std::pow(std::fabs(diff), q);
        } else if (kinds[a] == DistanceKind::kHamming) {
          term = u == v ? 0 : 10000;
        } else {
          term = diff * diff;
        }
      }
      switch (kinds[a]) {
        case DistanceKind::kMinkowski:
          mink += term;
          break;
        case DistanceKind::kEuclidean:
          eucl += term;
          break;
        case DistanceKind::kVdm:
          vdm += term;
          break;
        case DistanceKind::kHamming:
          ham += term;
          break;
        case DistanceKind::kManhattan:
          man += term;
          break;
      }
    }
    return std::pow(mink, 1 / q) + std::sqrt(eucl) + vdm + ham + man;
  }

  // The K nearest by a stable sort (earlier cases first among equal distances), then the mean.
  double Prediction(int k, bool weight, const AttValue* x) const {
    std::vector<double> d(cases.Count());
    for (size_t j = 0; j < d.size(); ++j) {
      d[j] = Distance(x, j);
      if (d[j] == 0) return cases.classValue[j];
    }
    std::vector<size_t> order(d.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return d[a] < d[b]; });
    double sum = 0, weights = 0;
    for (int i = 0; i < k; ++i) {
      const double w = weight ? 1 / (d[order[i]] * d[order[i]]) : 1;
      sum += w * cases.classValue[order[i]];
      weights += w;
    }
    return sum / weights;
  }

  const KnnCases& cases;
  std::vector<DistanceKind> kinds;
  double q;
  std::vector<std::map<std::pair<int32_t, int32_t>, double>> count;
  std::vector<std::map<int32_t, double>> total;
};

TEST(KnnClassifier, NumericPredictionsAgreeWithBruteForce) {
  // Continuous, continuous, discrete, continuous, discrete: every distance kind in use, unknown
  // values on both sides, more training cases than one block.
  CaseBuilder builder({false, false, true, false, true}, /*numeric=*/true);
  Rand rand;
  auto draw = [&](int range) { return rand.Next() % range; };
  auto continuous = [&] { return draw(20) == 0 ? -999.0 : draw(2000) / 7.0; };
  for (int i = 0; i < 2600; ++i) {
    builder.Add({continuous(), continuous(), static_cast<double>(draw(5)), continuous(),
                 static_cast<double>(draw(4))},
                draw(10));
  }
  const KnnCases& cases = builder.cases;
  std::vector<std::vector<AttValue>> tests;
  for (int t = 0; t < 40; ++t) {
    tests.push_back(builder.Test({continuous(), continuous(), static_cast<double>(draw(6)),
                                  continuous(), static_cast<double>(draw(4))}));
  }
  // A copy of training case 1500 is decided by it alone.
  tests.push_back(builder.Test({cases.cont[0][1500], cases.cont[1][1500],
                                static_cast<double>(cases.discr[2][1500]), cases.cont[3][1500],
                                static_cast<double>(cases.discr[4][1500])}));

  const std::vector<DistanceKind> kinds = {DistanceKind::kMinkowski, DistanceKind::kManhattan,
                                           DistanceKind::kVdm, DistanceKind::kEuclidean,
                                           DistanceKind::kHamming};
  const BruteForce brute(cases, kinds, 3.0);
  for (int k : {1, 4, 7}) {
    for (bool weight : {false, true}) {
      KnnClassifier classifier(cases, {kinds, 3.0, k, weight});
      const auto predictions = ClassifyAll(classifier, tests);
      for (size_t t = 0; t < tests.size(); ++t) {
        const double expected = brute.Prediction(k, weight, tests[t].data());
        EXPECT_NEAR(predictions[t].value, expected, 1e-9 * std::max(1.0, std::fabs(expected)))
            << "k " << k << " weight " << weight << " test " << t;
        EXPECT_DOUBLE_EQ(classifier.Distance(tests[t].data(), 2000),
                         brute.Distance(tests[t].data(), 2000));
      }
      EXPECT_EQ(predictions.back().value, cases.classValue[1500]);
    }
  }
}

TEST(KnnClassifier, EqualDistancesKeepTheEarlierCases) {
  // Coarse values make many equal distances, among the slots too: the neighbours must still be
  // the first K of a stable sort.
  CaseBuilder builder({false, false}, /*numeric=*/true);
  Rand rand;
  for (int i = 0; i < 1500; ++i)
    builder.Add({double(rand.Next() % 4), double(rand.Next() % 4)}, rand.Next() % 50);
  const BruteForce brute(builder.cases, {kDefaultDistance, kDefaultDistance}, 3.0);
  for (int k : {2, 5, 30}) {
    KnnClassifier classifier(builder.cases, {{}, 3.0, k, false});
    for (double x : {0.5, 1.25, 2.5}) {
      const auto test = builder.Test({x, 3.5});
      EXPECT_NEAR(ClassifyAll(classifier, {test})[0].value, brute.Prediction(k, false, test.data()),
                  1e-9)
          << k << " " << x;
    }
  }
  // Slots 0 and 1 both at distance 5, then a nearer case: the later of the two goes.
  CaseBuilder two({false}, /*numeric=*/true);
  for (auto [x, y] : {std::pair{5.0, 10}, {-5.0, 20}, {1.0, 30}}) two.Add({x}, y);
  KnnClassifier classifier(two.cases, {{}, 3.0, 2, false});
  EXPECT_EQ(ClassifyAll(classifier, {two.Test({0})})[0].value, 20.0);
}

TEST(KnnClassifier, ThreadsChangeNothing) {
  CaseBuilder builder({false, true, false}, /*numeric=*/false);
  Rand rand;
  for (int i = 0; i < 3000; ++i)
    builder.Add({rand.Next() / 100.0, double(rand.Next() % 3), rand.Next() / 50.0},
                rand.Next() % 4);
  std::vector<std::vector<AttValue>> tests;
  for (int t = 0; t < 37; ++t)
    tests.push_back(
        builder.Test({rand.Next() / 100.0, double(rand.Next() % 3), rand.Next() / 50.0}));
  KnnClassifier one(builder.cases, {{}, 3.0, 5, true}, 1);
  KnnClassifier three(builder.cases, {{}, 3.0, 5, true}, 3);
  const auto a = ClassifyAll(one, tests);
  const auto b = ClassifyAll(three, tests);
  for (size_t t = 0; t < tests.size(); ++t) EXPECT_EQ(a[t].classNo, b[t].classNo) << t;
  EXPECT_EQ(one.DistanceCount(), 37 * 3000);
}

TEST(KnnClassifier, IdenticalTrainingRowDecidesAloneEvenWithManyNeighbours) {
  CaseBuilder builder({false, false}, false);
  builder.Add({1, 1}, 0);
  builder.Add({1, 1.5}, 0);
  builder.Add({5, 5}, 1);  // the first case at distance 0
  builder.Add({5, 5}, 2);
  builder.Add({5, 5.1}, 0);
  KnnClassifier classifier(builder.cases, {{}, 3.0, 5, false});
  EXPECT_EQ(ClassifyAll(classifier, {builder.Test({5, 5})})[0].classNo, 1);
}

TEST(KnnClassifier, TwoTwoVoteGoesToTheClassFirstInTheSlots) {
  // The slots start as cases 0..K-1 in load order, not sorted: with K = 4 the slots hold classes
  // 1, 0, 1, 0 and class 1 is seen first, although the nearest case (1) is of class 0.
  CaseBuilder builder({false}, false);
  for (auto [x, c] : {std::pair{5.0, 1}, {1.0, 0}, {6.0, 1}, {7.0, 0}}) builder.Add({x}, c);
  KnnClassifier classifier(builder.cases, {{}, 3.0, 4, false});
  EXPECT_EQ(ClassifyAll(classifier, {builder.Test({0})})[0].classNo, 1);
  // A nearer later case takes the first slot it beats and carries the displaced case on, so the
  // farthest drops out: case 4 enters slot 0, case 0 moves on to slot 2, case 2 to slot 3 and
  // case 3 goes, leaving classes 2, 0, 1, 1.
  builder.Add({0.5}, 2);
  KnnClassifier displaced(builder.cases, {{}, 3.0, 4, false});
  EXPECT_EQ(ClassifyAll(displaced, {builder.Test({0})})[0].classNo, 1);
}

TEST(KnnClassifier, WeightedVoteCountsTimesTheFirstNeighboursWeight) {
  CaseBuilder builder({false}, false);
  builder.Add({1}, 0);
  builder.Add({2}, 1);
  builder.Add({3}, 1);
  // Unweighted, two votes beat one; weighted, class 0 scores 1 * 1/1 and class 1 2 * 1/4.
  KnnClassifier plain(builder.cases, {{}, 3.0, 3, false});
  KnnClassifier weighted(builder.cases, {{}, 3.0, 3, true});
  EXPECT_EQ(ClassifyAll(plain, {builder.Test({0})})[0].classNo, 1);
  EXPECT_EQ(ClassifyAll(weighted, {builder.Test({0})})[0].classNo, 0);
}

TEST(KnnClassifier, UnseenDiscreteValueDiffersEvenFromUnknownOnes) {
  CaseBuilder builder({true}, false);
  builder.Add({0}, 0);  // unknown in training
  builder.cases.att.ValueCount[0] = 2;
  KnnClassifier classifier(builder.cases, {{}, 3.0, 1, false});
  EXPECT_EQ(classifier.Distance(builder.Test({0}).data(), 0), 0.0);
  EXPECT_EQ(classifier.Distance(
                builder.Test({static_cast<double>(builder.cases.UnseenValue(0))}).data(), 0),
            100.0);
}

}  // namespace
}  // namespace quarry::knn
