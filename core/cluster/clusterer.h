#pragma once
// The clustering engine: K clusters described only by their sums, and the block of rows in work,
// which the transfer refinement moves between clusters one row at a time. No SQL here; the
// clustering job feeds rows in and writes the results out.
//
// A row record is p + 3 doubles: x1..xp, the weight w (the row's frequency), the cluster number
// and the row number.

#include <cstddef>
#include <vector>

namespace quarry::cluster {

struct ClusterStats {
  std::vector<double> Som;    // per column: weighted sum
  std::vector<double> SomSq;  // per column: weighted sum of squares
  double Number = 0.0;        // the cluster's number
  double W = 0.0;             // total weight
  double N = 0.0;             // number of rows
};

class Clusterer {
 public:
  // K clusters over p columns, every sum 0.
  Clusterer(int K, int p);

  int K() const { return K_; }
  int P() const { return p_; }
  int RowWidth() const { return p_ + 3; }
  const std::vector<ClusterStats>& Stats() const { return stats_; }

  // Random start: the row x (p values) with weight w joins cluster c.
  void AddToCluster(const double* x, double w, int c);

  // D(x, c): the weighted, variance-scaled distance of x to the mean of cluster c; 0 for a
  // cluster of total weight 0 or 1.
  double D(const double* x, int c) const;
  // The cluster the row record should move to, or -1 when it stays.
  int Nearest(const double* row) const;
  double Quality() const;

  // The block in work: row records one after another.
  std::vector<double>& Block() { return block_; }
  const std::vector<double>& Block() const { return block_; }
  size_t BlockRows() const { return block_.size() / static_cast<size_t>(RowWidth()); }
  double* Row(size_t i) { return block_.data() + i * static_cast<size_t>(RowWidth()); }
  const double* Row(size_t i) const { return block_.data() + i * static_cast<size_t>(RowWidth()); }

  // Starts a new block: the caller fills Block() with its rows afterwards.
  void StartBlock();
  // One pass over the block, moving rows to their Nearest cluster and re-seeding a cluster that
  // a move empties. Returns whether any row moved.
  bool Pass();
  // Passes while rows move and the quality keeps falling. `qualityBefore` is the quality before
  // the first pass and receives the quality after the last. Returns the number of passes.
  int RefineBlock(double& qualityBefore);
  // Gives the emptied cluster e the block row farthest from the other clusters.
  void Reseed(int e);

  // The row the last re-seeding placed in this block (-1 for none). Passes leave it where it
  // is for the rest of the block: it is the only member of its cluster, and moving it would
  // empty the cluster again.
  int SkippedRow() const { return skipped_; }
  long Moves() const { return moves_; }

 private:
  void Leave(const double* row, int c);
  void Join(const double* row, int c);

  int K_;
  int p_;
  std::vector<ClusterStats> stats_;
  std::vector<double> block_;
  int skipped_ = -1;
  long moves_ = 0;
};

}  // namespace quarry::cluster
