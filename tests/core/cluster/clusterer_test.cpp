#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "core/cluster/clusterer.h"
#include "core/data/rand.h"

namespace quarry::cluster {
namespace {

// Puts one-column rows (value, weight, cluster) into the clusters and the block.
void Place(Clusterer& clusterer, const std::vector<std::array<double, 3>>& rows) {
  clusterer.StartBlock();
  for (size_t i = 0; i < rows.size(); ++i) {
    const auto& [x, w, c] = rows[i];
    clusterer.AddToCluster(&x, w, static_cast<int>(c));
    clusterer.Block().insert(clusterer.Block().end(), {x, w, c, static_cast<double>(i)});
  }
}

TEST(ClusterDistance, ScalesBySizeAndVariance) {
  Clusterer clusterer(3, 1);
  Place(clusterer, {{1, 1, 0}, {3, 1, 0}, {2, 1, 1}, {2, 1, 1}, {7, 1, 2}});
  const double x = 4;
  // Cluster 0: mean 2, variance (10 - 16/2) / 1 = 2, so 2 * (4 - 2)^2 / 2.
  EXPECT_DOUBLE_EQ(clusterer.D(&x, 0), 4.0);
  // Cluster 1: variance 0 counts as 1: 2 * (4 - 2)^2 / 1.
  EXPECT_DOUBLE_EQ(clusterer.D(&x, 1), 8.0);
  // A cluster of total weight 1 (or 0) is at distance 0 from everything.
  EXPECT_EQ(clusterer.D(&x, 2), 0.0);
}

TEST(ClusterTransfer, NearestWeighsTheGainOfJoiningAgainstTheLossOfLeaving) {
  Clusterer clusterer(2, 1);
  Place(clusterer, {{0, 1, 0}, {1, 1, 0}, {11, 1, 0}, {10, 1, 1}, {12, 1, 1}});
  // Row 11 sits in cluster 0 (mean 4) although cluster 1 (mean 11) holds its like.
  EXPECT_EQ(clusterer.Nearest(clusterer.Row(2)), 1);
  // Rows 0 and 10 are where they belong: their own cluster has the smallest change.
  EXPECT_EQ(clusterer.Nearest(clusterer.Row(0)), 0);
  EXPECT_EQ(clusterer.Nearest(clusterer.Row(3)), 1);

  double quality = clusterer.Quality();
  clusterer.RefineBlock(quality);
  EXPECT_EQ(clusterer.Row(2)[2], 1.0);
  EXPECT_EQ(clusterer.Moves(), 1);
  EXPECT_EQ(clusterer.Stats()[0].W, 2.0);
  EXPECT_EQ(clusterer.Stats()[1].N, 3.0);
  EXPECT_DOUBLE_EQ(clusterer.Stats()[1].Som[0], 33.0);
  EXPECT_DOUBLE_EQ(clusterer.Stats()[1].SomSq[0], 365.0);
}

TEST(ClusterTransfer, RowAloneInItsClusterStays) {
  Clusterer clusterer(3, 1);
  // Row 5 of weight 2 is the whole of cluster 0 (W_a = w): the plain comparison applies, and
  // the size correction of the other form would divide by W_a - w = 0.
  Place(clusterer, {{5, 2, 0}, {0, 1, 1}, {2, 1, 1}, {4, 1, 2}});
  EXPECT_EQ(clusterer.Nearest(clusterer.Row(0)), -1);
  double quality = clusterer.Quality();
  clusterer.RefineBlock(quality);
  EXPECT_EQ(clusterer.Row(0)[2], 0.0);
  for (const ClusterStats& s : clusterer.Stats()) EXPECT_FALSE(std::isnan(s.Som[0]));
}

TEST(ClusterTransfer, EmptyClustersDrawRowsAwayFromCrowdedOnes) {
  // K larger than the rows: clusters 1 and 2 start empty, their distance is 0, and a row that
  // is far from its crowded cluster's mean moves into the first of them.
  Clusterer clusterer(3, 1);
  Place(clusterer, {{0, 1, 0}, {1, 1, 0}, {9, 1, 0}});
  EXPECT_EQ(clusterer.D(clusterer.Row(2), 1), 0.0);
  EXPECT_EQ(clusterer.Nearest(clusterer.Row(2)), 1);
}

TEST(ClusterQuality, CountsPairsOfRowsPerColumn) {
  Clusterer clusterer(3, 2);
  const double a[] = {1, 2};
  const double b[] = {3, 5};
  clusterer.AddToCluster(a, 2, 0);
  clusterer.AddToCluster(b, 1, 0);
  clusterer.AddToCluster(b, 1, 1);
  // p * W * (W - 1) for cluster 0 (W = 3); a single row contributes its spread, 0.
  EXPECT_DOUBLE_EQ(clusterer.Quality(), 2 * 3 * 2);
}

TEST(ClusterReseed, TakesTheFarthestRowOfACrowdedCluster) {
  Clusterer clusterer(3, 1);
  // Cluster 2 is empty. Row 3 (alone in cluster 1) is farther from the others than row 2, but
  // taking it would empty cluster 1; row 2 is the farthest of a cluster of several rows.
  Place(clusterer, {{0, 1, 0}, {1, 1, 0}, {6, 1, 0}, {50, 1, 1}});
  clusterer.Reseed(2);
  EXPECT_EQ(clusterer.SkippedRow(), 2);
  EXPECT_EQ(clusterer.Row(2)[2], 2.0);
  const ClusterStats& seeded = clusterer.Stats()[2];
  EXPECT_EQ(seeded.W, 1.0);
  EXPECT_EQ(seeded.N, 1.0);
  EXPECT_EQ(seeded.Som[0], 6.0);
  EXPECT_EQ(seeded.SomSq[0], 36.0);
  EXPECT_EQ(clusterer.Stats()[0].N, 2.0);
  EXPECT_EQ(clusterer.Stats()[0].Som[0], 1.0);
}

TEST(ClusterReseed, FirstRowIsTheChoiceWhenNoLaterRowIsFarther) {
  Clusterer clusterer(2, 1);
  Place(clusterer, {{9, 1, 0}, {0, 1, 0}, {1, 1, 0}});
  clusterer.Reseed(1);
  EXPECT_EQ(clusterer.SkippedRow(), 0);
  EXPECT_EQ(clusterer.Stats()[1].Som[0], 9.0);
}

// Whatever moves and re-seedings happen, the sums kept up to date move by move must equal the
// sums recomputed from where the rows ended up.
TEST(ClusterTransfer, IncrementalSumsMatchTheFinalAssignment) {
  const int p = 3;
  const int k = 4;
  Clusterer clusterer(k, p);
  Rand rand;
  clusterer.StartBlock();
  for (int i = 0; i < 60; ++i) {
    double row[p + 3];
    for (int j = 0; j < p; ++j) row[j] = (rand.Next() % 1000) / 10.0 - 20.0;
    row[p] = 1 + rand.Next() % 4;
    row[p + 1] = rand.Next() % k;
    row[p + 2] = i;
    clusterer.AddToCluster(row, row[p], static_cast<int>(row[p + 1]));
    clusterer.Block().insert(clusterer.Block().end(), row, row + p + 3);
  }
  double quality = clusterer.Quality();
  clusterer.RefineBlock(quality);
  ASSERT_GT(clusterer.Moves(), 0);
  std::vector<ClusterStats> expected(k);
  for (auto& s : expected) s.Som.assign(p, 0.0), s.SomSq.assign(p, 0.0);
  for (size_t i = 0; i < clusterer.BlockRows(); ++i) {
    const double* row = clusterer.Row(i);
    ClusterStats& s = expected[static_cast<size_t>(row[p + 1])];
    for (int j = 0; j < p; ++j) {
      s.Som[j] += row[p] * row[j];
      s.SomSq[j] += row[j] * row[j] * row[p];
    }
    s.W += row[p];
    s.N += 1;
  }
  for (int c = 0; c < k; ++c) {
    const ClusterStats& got = clusterer.Stats()[c];
    EXPECT_EQ(got.W, expected[c].W) << c;
    EXPECT_EQ(got.N, expected[c].N) << c;
    for (int j = 0; j < p; ++j) {
      EXPECT_NEAR(got.Som[j], expected[c].Som[j], 1e-6) << c;
      EXPECT_NEAR(got.SomSq[j], expected[c].SomSq[j], 1e-4) << c;
    }
  }
}

}  // namespace
}  // namespace quarry::cluster
