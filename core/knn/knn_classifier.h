#pragma once
// k-nearest-neighbour classification of test cases against training cases, with a distance
// kind per attribute:
//
//   D = (sum of MINKOWKSI terms)^(1/q) + sqrt(sum of EUCLIDEAN terms) + sum of VDM terms
//       + sum of HAMMING terms + sum of MANHATTAN terms
//
// Terms are computed in double precision from the 32-bit case values; a continuous term is 0
// when either value is unknown (-999); a discrete term is 10000 when the values differ (VDM
// excepted). A training case at distance exactly 0 decides alone; otherwise the K nearest vote
// (discrete class) or are averaged (numeric class), weighted by 1/d^2 when asked.

#include <atomic>
#include <cstdint>
#include <vector>

#include "core/dtree/case_set.h"
#include "core/knn/distance_kind.h"
#include "core/knn/knn_cases.h"

namespace quarry::knn {

struct KnnSettings {
  std::vector<DistanceKind> kinds;  // one per attribute; VDM on a continuous one is EUCLIDEAN
  double q = 3.0;                   // the MINKOWKSI exponent
  int K = 5;                        // 1..number of training cases
  bool weight = false;              // weight neighbours by 1/d^2
};

struct Prediction {
  int32_t classNo = 0;  // discrete class: the predicted class number
  double value = 0.0;   // numeric class: the predicted value
};

class KnnClassifier {
 public:
  // `cases` must outlive the classifier. `threads` test cases are classified at once (0: one
  // per core).
  KnnClassifier(const KnnCases& cases, KnnSettings settings, unsigned threads = 1);

  // D(x, t_j) for a test case x (Attributes() cells) and training case j, one case at a time.
  double Distance(const dtree::AttValue* x, size_t j) const;

  // The predictions for the test cases, each Attributes() cells, in order.
  std::vector<Prediction> Classify(const std::vector<const dtree::AttValue*>& tests);

  // How many test-to-training distances have been computed so far.
  long long DistanceCount() const { return distanceCount_.load(); }

 private:
  struct Neighbours;
  class BlockScratch;

  double VdmTerm(int a, int32_t x, int32_t y) const;
  std::vector<double> VdmRow(int a, int32_t x) const;
  void CountVdm();
  void ClassifyRange(const std::vector<const dtree::AttValue*>& tests,
                     const std::vector<std::vector<const double*>>& vdmRows, size_t first,
                     size_t last, std::vector<Prediction>& out);
  void BlockDistances(const dtree::AttValue* x, const std::vector<const double*>& vdmRows,
                      size_t begin, size_t count, BlockScratch& scratch, double* out) const;
  Prediction Decide(const Neighbours& neighbours) const;

  const KnnCases& cases_;
  KnnSettings settings_;
  unsigned threads_;
  bool used_[kDistanceKinds] = {};
  // VDM: per attribute, the class distribution of each training value, N(v, c) / N(v), dense
  // [v][c] with v = 0..ValueCount (0 the unknown value); empty for other attributes.
  std::vector<std::vector<double>> classShare_;
  std::atomic<long long> distanceCount_{0};
};

}  // namespace quarry::knn
