#include "core/knn/knn_classifier.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <thread>

namespace quarry::knn {

namespace {

using dtree::AttValue;
using dtree::kUnknown;

constexpr double kDiscreteMismatch = 10000.0;
// Training cases per block: a block of every attribute stays in the cache while each test case
// of a batch is measured against it.
constexpr size_t kBlockCases = 1024;

constexpr int Index(DistanceKind kind) { return static_cast<int>(kind); }

// D from the per-kind sums; kinds no attribute uses add nothing. Both distance paths end here,
// so they agree to the last bit.
inline double Combine(const bool used[kDistanceKinds], double minkowski, double euclidean,
                      double vdm, double hamming, double manhattan, double inverseQ) {
  double d = 0.0;
  if (used[Index(DistanceKind::kMinkowski)]) d += std::pow(minkowski, inverseQ);
  if (used[Index(DistanceKind::kEuclidean)]) d += std::sqrt(euclidean);
  if (used[Index(DistanceKind::kVdm)]) d += vdm;
  if (used[Index(DistanceKind::kHamming)]) d += hamming;
  if (used[Index(DistanceKind::kManhattan)]) d += manhattan;
  return d;
}

// The term of a continuous attribute whose values are both known.
inline double ContinuousTerm(DistanceKind kind, float x, float y, double q) {
  const double diff = static_cast<double>(y) - static_cast<double>(x);
  switch (kind) {
    case DistanceKind::kManhattan:
      return std::fabs(diff);
    case DistanceKind::kMinkowski:
      return std::pow(std::fabs(diff), q);
    case DistanceKind::kHamming:
      return x == y ? 0.0 : kDiscreteMismatch;
    default:
      return diff * diff;
  }
}

}  // namespace

// The K slots of one test case, or the training case at distance 0 that decides it.
struct KnnClassifier::Neighbours {
  explicit Neighbours(int k) : slot(static_cast<size_t>(k)), slotDistance(static_cast<size_t>(k)) {}

  // Takes the distances of training cases begin..begin+count-1 in order.
  void Scan(const double* distance, size_t begin, size_t count) {
    const size_t k = slot.size();
    for (size_t i = 0; i < count; ++i) {
      const double d = distance[i];
      if (d == 0.0) {
        zeroCase = static_cast<long long>(begin + i);
        return;
      }
      if (filled < k) {
        slot[filled] = begin + i;
        slotDistance[filled] = d;
        if (++filled == k) UpdateLimit();
        continue;
      }
      // Nothing changes unless d is below some slot's distance.
      if (!(d < limit)) continue;
      size_t carry = begin + i;
      double carryDistance = d;
      for (size_t s = 0; s < k; ++s) {
        // A displaced case that meets an equally far later one takes its slot: of equal
        // distances the earlier case stays, also when the one to go is already in a slot.
        if (carryDistance < slotDistance[s] ||
            (carryDistance == slotDistance[s] && carry < slot[s])) {
          std::swap(carry, slot[s]);
          std::swap(carryDistance, slotDistance[s]);
        }
      }
      UpdateLimit();
    }
  }

  void UpdateLimit() {
    limit = -std::numeric_limits<double>::infinity();
    for (double d : slotDistance) {
      if (d > limit) limit = d;  // a NaN slot is never replaced, so it sets no limit
    }
  }

  bool Decided() const { return zeroCase >= 0; }

  std::vector<size_t> slot;
  std::vector<double> slotDistance;
  size_t filled = 0;
  double limit = 0.0;
  long long zeroCase = -1;
};

// Per-kind sums of one block, for one thread.
class KnnClassifier::BlockScratch {
 public:
  BlockScratch() {
    for (auto& sums : sums_) sums.assign(kBlockCases, 0.0);
  }
  double* Sums(DistanceKind kind) { return sums_[Index(kind)].data(); }

 private:
  std::vector<double> sums_[kDistanceKinds];
};

KnnClassifier::KnnClassifier(const KnnCases& cases, KnnSettings settings, unsigned threads)
    : cases_(cases), settings_(std::move(settings)) {
  settings_.kinds.resize(static_cast<size_t>(cases_.Attributes()), kDefaultDistance);
  for (int a = 0; a < cases_.Attributes(); ++a) {
    DistanceKind& kind = settings_.kinds[static_cast<size_t>(a)];
    if (kind == DistanceKind::kVdm && !cases_.IsDiscrete(a)) kind = DistanceKind::kEuclidean;
  }
  threads_ = threads == 0 ? std::max(1u, std::thread::hardware_concurrency()) : threads;
  for (DistanceKind kind : settings_.kinds) used_[Index(kind)] = true;
  CountVdm();
}

void KnnClassifier::CountVdm() {
  classShare_.assign(static_cast<size_t>(cases_.Attributes()), {});
  const size_t classes = cases_.att.ClassName.size();
  for (int a = 0; a < cases_.Attributes(); ++a) {
    if (settings_.kinds[static_cast<size_t>(a)] != DistanceKind::kVdm || !cases_.IsDiscrete(a))
      continue;
    const size_t values = static_cast<size_t>(cases_.att.ValueCount[static_cast<size_t>(a)]) + 1;
    std::vector<long long> count(values * classes, 0);
    std::vector<long long> total(values, 0);
    const std::vector<int32_t>& column = cases_.discr[static_cast<size_t>(a)];
    for (size_t j = 0; j < column.size(); ++j) {
      const size_t v = static_cast<size_t>(column[j]);
      ++count[v * classes + static_cast<size_t>(cases_.classOf[j])];
      ++total[v];
    }
    std::vector<double>& share = classShare_[static_cast<size_t>(a)];
    share.assign(values * classes, 0.0);
    for (size_t v = 0; v < values; ++v) {
      if (total[v] == 0) continue;
      for (size_t c = 0; c < classes; ++c) {
        share[v * classes + c] =
            static_cast<double>(count[v * classes + c]) / static_cast<double>(total[v]);
      }
    }
  }
}

double KnnClassifier::VdmTerm(int a, int32_t x, int32_t y) const {
  const std::vector<double>& share = classShare_[static_cast<size_t>(a)];
  const size_t classes = cases_.att.ClassName.size();
  const size_t values = classes == 0 ? 0 : share.size() / classes;
  // A value no training case has (the unseen test value) has no class distribution.
  auto at = [&](int32_t v, size_t c) {
    return v >= 0 && static_cast<size_t>(v) < values ? share[static_cast<size_t>(v) * classes + c]
                                                     : 0.0;
  };
  double sum = 0.0;
  for (size_t c = 0; c < classes; ++c) sum += std::fabs(at(x, c) - at(y, c));
  return sum;
}

std::vector<double> KnnClassifier::VdmRow(int a, int32_t x) const {
  std::vector<double> row(static_cast<size_t>(cases_.att.ValueCount[static_cast<size_t>(a)]) + 1);
  for (size_t y = 0; y < row.size(); ++y) row[y] = VdmTerm(a, x, static_cast<int32_t>(y));
  return row;
}

double KnnClassifier::Distance(const AttValue* x, size_t j) const {
  double sums[kDistanceKinds] = {};
  for (int a = 0; a < cases_.Attributes(); ++a) {
    const DistanceKind kind = settings_.kinds[static_cast<size_t>(a)];
    double term = 0.0;
    if (cases_.IsDiscrete(a)) {
      const int32_t y = cases_.discr[static_cast<size_t>(a)][j];
      term = kind == DistanceKind::kVdm ? VdmTerm(a, x[a].discr, y)
                                        : (x[a].discr != y ? kDiscreteMismatch : 0.0);
    } else {
      const float y = cases_.cont[static_cast<size_t>(a)][j];
      if (x[a].cont != kUnknown && y != kUnknown)
        term = ContinuousTerm(kind, x[a].cont, y, settings_.q);
    }
    sums[Index(kind)] += term;
  }
  return Combine(used_, sums[Index(DistanceKind::kMinkowski)],
                 sums[Index(DistanceKind::kEuclidean)], sums[Index(DistanceKind::kVdm)],
                 sums[Index(DistanceKind::kHamming)], sums[Index(DistanceKind::kManhattan)],
                 1.0 / settings_.q);
}

// The same sums as Distance(), attribute after attribute over a block of training cases: each
// loop runs over plain arrays and vectorises.
void KnnClassifier::BlockDistances(const AttValue* x, const std::vector<const double*>& vdmRows,
                                   size_t begin, size_t count, BlockScratch& scratch,
                                   double* out) const {
  for (int k = 0; k < kDistanceKinds; ++k) {
    if (used_[k]) std::fill_n(scratch.Sums(static_cast<DistanceKind>(k)), count, 0.0);
  }
  const double q = settings_.q;
  for (int a = 0; a < cases_.Attributes(); ++a) {
    const DistanceKind kind = settings_.kinds[static_cast<size_t>(a)];
    double* __restrict sum = scratch.Sums(kind);
    if (cases_.IsDiscrete(a)) {
      const int32_t* __restrict y = cases_.discr[static_cast<size_t>(a)].data() + begin;
      if (kind == DistanceKind::kVdm) {
        const double* row = vdmRows[static_cast<size_t>(a)];
        for (size_t i = 0; i < count; ++i) sum[i] += row[y[i]];
      } else {
        const int32_t v = x[a].discr;
        for (size_t i = 0; i < count; ++i) sum[i] += y[i] != v ? kDiscreteMismatch : 0.0;
      }
      continue;
    }
    const float v = x[a].cont;
    if (v == kUnknown) continue;  // every term is 0
    const double xv = v;
    const float* __restrict y = cases_.cont[static_cast<size_t>(a)].data() + begin;
    switch (kind) {
      case DistanceKind::kEuclidean:
        for (size_t i = 0; i < count; ++i) {
          const double diff = static_cast<double>(y[i]) - xv;
          sum[i] += y[i] == kUnknown ? 0.0 : diff * diff;
        }
        break;
      case DistanceKind::kManhattan:
        for (size_t i = 0; i < count; ++i) {
          sum[i] += y[i] == kUnknown ? 0.0 : std::fabs(static_cast<double>(y[i]) - xv);
        }
        break;
      case DistanceKind::kHamming:
        for (size_t i = 0; i < count; ++i)
          sum[i] += y[i] == kUnknown || y[i] == v ? 0.0 : kDiscreteMismatch;
        break;
      default:
        for (size_t i = 0; i < count; ++i) {
          sum[i] += y[i] == kUnknown ? 0.0 : std::pow(std::fabs(static_cast<double>(y[i]) - xv), q);
        }
        break;
    }
  }
  const double inverseQ = 1.0 / q;
  const double* minkowski = scratch.Sums(DistanceKind::kMinkowski);
  const double* euclidean = scratch.Sums(DistanceKind::kEuclidean);
  const double* vdm = scratch.Sums(DistanceKind::kVdm);
  const double* hamming = scratch.Sums(DistanceKind::kHamming);
  const double* manhattan = scratch.Sums(DistanceKind::kManhattan);
  if (used_[Index(DistanceKind::kEuclidean)] && !used_[Index(DistanceKind::kMinkowski)] &&
      !used_[Index(DistanceKind::kVdm)] && !used_[Index(DistanceKind::kHamming)] &&
      !used_[Index(DistanceKind::kManhattan)]) {
    for (size_t i = 0; i < count; ++i)
      out[i] = std::sqrt(euclidean[i]);  // the usual case, vectorised
    return;
  }
  for (size_t i = 0; i < count; ++i) {
    out[i] = Combine(used_, minkowski[i], euclidean[i], vdm[i], hamming[i], manhattan[i], inverseQ);
  }
}

Prediction KnnClassifier::Decide(const Neighbours& neighbours) const {
  Prediction prediction;
  if (neighbours.Decided()) {
    const size_t j = static_cast<size_t>(neighbours.zeroCase);
    prediction.classNo = cases_.classOf[j];
    if (cases_.numericClass) prediction.value = cases_.classValue[j];
    return prediction;
  }
  if (cases_.numericClass) {
    double weighted = 0.0;
    double weights = 0.0;
    for (size_t s = 0; s < neighbours.filled; ++s) {
      const double d = neighbours.slotDistance[s];
      const double w = settings_.weight ? 1.0 / (d * d) : 1.0;
      weighted += w * cases_.classValue[neighbours.slot[s]];
      weights += w;
    }
    prediction.value = weighted / weights;
    return prediction;
  }
  struct Vote {
    int32_t classNo;
    long count;
    double weight;
  };
  std::vector<Vote> votes;
  for (size_t s = 0; s < neighbours.filled; ++s) {
    const int32_t c = cases_.classOf[neighbours.slot[s]];
    auto it =
        std::find_if(votes.begin(), votes.end(), [c](const Vote& v) { return v.classNo == c; });
    if (it != votes.end()) {
      ++it->count;
    } else {
      const double d = neighbours.slotDistance[s];
      votes.push_back({c, 1, 1.0 / (d * d)});
    }
  }
  double best = 0.0;
  for (size_t v = 0; v < votes.size(); ++v) {
    const double score = settings_.weight ? static_cast<double>(votes[v].count) * votes[v].weight
                                          : static_cast<double>(votes[v].count);
    if (v == 0 || score > best) {
      best = score;
      prediction.classNo = votes[v].classNo;
    }
  }
  return prediction;
}

void KnnClassifier::ClassifyRange(const std::vector<const AttValue*>& tests,
                                  const std::vector<std::vector<const double*>>& vdmRows,
                                  size_t first, size_t last, std::vector<Prediction>& out) {
  const size_t n = cases_.Count();
  std::vector<Neighbours> neighbours(last - first, Neighbours(settings_.K));
  BlockScratch scratch;
  std::vector<double> distance(kBlockCases);
  long long evaluated = 0;
  for (size_t begin = 0; begin < n; begin += kBlockCases) {
    const size_t count = std::min(kBlockCases, n - begin);
    bool open = false;
    for (size_t t = first; t < last; ++t) {
      Neighbours& mine = neighbours[t - first];
      if (mine.Decided()) continue;
      open = true;
      BlockDistances(tests[t], vdmRows[t], begin, count, scratch, distance.data());
      evaluated += static_cast<long long>(count);
      mine.Scan(distance.data(), begin, count);
    }
    if (!open) break;
  }
  for (size_t t = first; t < last; ++t) out[t] = Decide(neighbours[t - first]);
  distanceCount_ += evaluated;
}

std::vector<Prediction> KnnClassifier::Classify(const std::vector<const AttValue*>& tests) {
  std::vector<Prediction> out(tests.size());
  if (tests.empty() || cases_.Count() == 0) return out;
  // The VDM terms of a test value against every training value, computed once per batch.
  std::map<std::pair<int, int32_t>, std::vector<double>> rows;
  std::vector<std::vector<const double*>> vdmRows(tests.size());
  for (size_t t = 0; t < tests.size(); ++t) {
    vdmRows[t].assign(static_cast<size_t>(cases_.Attributes()), nullptr);
    for (int a = 0; a < cases_.Attributes(); ++a) {
      if (classShare_[static_cast<size_t>(a)].empty()) continue;
      const int32_t x = tests[t][a].discr;
      auto it = rows.find({a, x});
      if (it == rows.end()) it = rows.emplace(std::make_pair(a, x), VdmRow(a, x)).first;
      vdmRows[t][static_cast<size_t>(a)] = it->second.data();
    }
  }
  const size_t parts = std::min<size_t>(threads_, tests.size());
  std::vector<std::thread> workers;
  for (size_t p = 1; p < parts; ++p) {
    workers.emplace_back([&, p] {
      ClassifyRange(tests, vdmRows, tests.size() * p / parts, tests.size() * (p + 1) / parts, out);
    });
  }
  ClassifyRange(tests, vdmRows, 0, tests.size() / parts, out);
  for (std::thread& worker : workers) worker.join();
  return out;
}

}  // namespace quarry::knn
