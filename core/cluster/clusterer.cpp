#include "core/cluster/clusterer.h"

#include <cmath>

namespace quarry::cluster {

Clusterer::Clusterer(int K, int p) : K_(K), p_(p), stats_(static_cast<size_t>(K)) {
  for (int c = 0; c < K_; ++c) {
    ClusterStats& s = stats_[static_cast<size_t>(c)];
    s.Som.assign(static_cast<size_t>(p_), 0.0);
    s.SomSq.assign(static_cast<size_t>(p_), 0.0);
    s.Number = c;
  }
}

void Clusterer::AddToCluster(const double* x, double w, int c) {
  ClusterStats& s = stats_[static_cast<size_t>(c)];
  for (int j = 0; j < p_; ++j) {
    s.Som[static_cast<size_t>(j)] += w * x[j];
    s.SomSq[static_cast<size_t>(j)] += x[j] * x[j] * w;
  }
  s.W += w;
  s.N += 1;
}

double Clusterer::D(const double* x, int c) const {
  const ClusterStats& s = stats_[static_cast<size_t>(c)];
  const double W = std::trunc(s.W);
  if (W == 0.0 || W == 1.0) return 0.0;
  double d = 0.0;
  for (int j = 0; j < p_; ++j) {
    const double som = s.Som[static_cast<size_t>(j)];
    const double m = som / W;
    double v = (s.SomSq[static_cast<size_t>(j)] - som * som / W) / (W - 1.0);
    if (v == 0.0) v = 1.0;
    const double diff = x[j] - m;
    d += W * (diff * diff) / v;
  }
  return d;
}

int Clusterer::Nearest(const double* row) const {
  const double w = std::trunc(row[p_]);
  const int a = static_cast<int>(row[p_ + 1]);
  const double Wa = std::trunc(stats_[static_cast<size_t>(a)].W);
  const double Da = D(row, a);
  int best = -1;
  double bestDelta = 0.0;
  for (int c = 0; c < K_; ++c) {
    const double Wc = std::trunc(stats_[static_cast<size_t>(c)].W);
    // A row alone in its cluster has no size correction: the one for leaving divides by zero.
    const double delta = Wa != w ? D(row, c) * Wc * w / (w + Wc) - Da * Wa * w / (Wa - w)
                                 : D(row, c) * Wc * w - Da * Wa * w;
    if (best < 0 || delta < bestDelta) {
      best = c;
      bestDelta = delta;
    }
  }
  return bestDelta < 0.0 ? best : -1;
}

double Clusterer::Quality() const {
  double q = 0.0;
  for (const ClusterStats& s : stats_) {
    if (s.W > 1.0) {
      q += p_ * s.W * (s.W - 1.0);
    } else if (s.W == 1.0) {
      for (int j = 0; j < p_; ++j) {
        const double som = s.Som[static_cast<size_t>(j)];
        q += (s.SomSq[static_cast<size_t>(j)] - som * som / s.W) * s.W;
      }
    }
  }
  return q;
}

void Clusterer::Leave(const double* row, int c) {
  ClusterStats& s = stats_[static_cast<size_t>(c)];
  const double w = row[p_];
  for (int j = 0; j < p_; ++j) {
    s.Som[static_cast<size_t>(j)] -= w * row[j];
    s.SomSq[static_cast<size_t>(j)] -= row[j] * row[j] * w;
  }
  s.W -= std::trunc(w);
  s.N -= 1;
}

void Clusterer::Join(const double* row, int c) {
  ClusterStats& s = stats_[static_cast<size_t>(c)];
  const double w = row[p_];
  for (int j = 0; j < p_; ++j) {
    s.Som[static_cast<size_t>(j)] += w * row[j];
    s.SomSq[static_cast<size_t>(j)] += row[j] * row[j] * w;
  }
  s.W += std::trunc(w);
  s.N += 1;
}

void Clusterer::StartBlock() {
  block_.clear();
  skipped_ = -1;
}

void Clusterer::Reseed(int e) {
  const size_t rows = BlockRows();
  if (rows == 0) return;
  auto farness = [&](const double* row) {
    double sum = 0.0;
    for (int c = 0; c < K_; ++c) {
      if (c != e) sum += D(row, c);
    }
    return sum;
  };
  size_t choice = 0;
  double choiceFarness = farness(Row(0));
  for (size_t i = 1; i < rows; ++i) {
    const double* row = Row(i);
    const double f = farness(row);
    if (f > choiceFarness && stats_[static_cast<size_t>(row[p_ + 1])].N > 1.0) {
      choice = i;
      choiceFarness = f;
    }
  }
  double* row = Row(choice);
  Leave(row, static_cast<int>(row[p_ + 1]));
  ClusterStats& s = stats_[static_cast<size_t>(e)];
  const double w = row[p_];
  for (int j = 0; j < p_; ++j) {
    s.Som[static_cast<size_t>(j)] = w * row[j];
    s.SomSq[static_cast<size_t>(j)] = row[j] * row[j] * w;
  }
  s.W += w;
  s.N = 1;
  row[p_ + 1] = e;
  skipped_ = static_cast<int>(choice);
}

bool Clusterer::Pass() {
  bool changed = false;
  const size_t rows = BlockRows();
  for (size_t i = 0; i < rows; ++i) {
    if (static_cast<int>(i) == skipped_) continue;
    double* row = Row(i);
    const int best = Nearest(row);
    const int cur = static_cast<int>(row[p_ + 1]);
    if (best == -1 || best == cur) continue;
    Leave(row, cur);
    Join(row, best);
    row[p_ + 1] = best;
    ++moves_;
    if (stats_[static_cast<size_t>(cur)].W == 0.0) Reseed(cur);
    changed = true;
  }
  return changed;
}

int Clusterer::RefineBlock(double& qualityBefore) {
  int passes = 0;
  bool again = true;
  while (again) {
    const bool changed = Pass();
    ++passes;
    const double quality = Quality();
    again = changed && quality < qualityBefore;
    qualityBefore = quality;
  }
  return passes;
}

}  // namespace quarry::cluster
