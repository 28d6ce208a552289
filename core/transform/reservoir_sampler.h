#pragma once
// Random sampling with a reservoir (J. S. Vitter, ACM Transactions on Mathematical Software 11,
// 1985): Algorithm Z, which skips over rows by acceptance-rejection and uses Algorithm X while
// few rows have been seen. Which rows end in the reservoir depends only on the row count, the
// reservoir size and the random draws, never on the rows themselves.

#include <vector>

#include "core/data/rand.h"

namespace quarry {

// Algorithm X runs while the number of rows processed is at most this many times the size.
inline constexpr long kAlgorithmXThreshold = 22;

// The positions (0-based, ascending) of the rows of a `total`-row table that the reservoir of
// `size` rows holds at the end: the first `size` rows go in, and each later row the skips reach
// replaces slot floor(U * size). Uniform variates U are rand() * 3.051851e-05 in single precision.
std::vector<long> ReservoirPositions(long total, long size, Rand& rand);

}  // namespace quarry
