#pragma once
// The per-attribute distance kinds of k-nearest-neighbour classification, numbered by their
// place in the dialog's distance list.

#include <optional>
#include <string_view>

namespace quarry::knn {

enum class DistanceKind : int {
  kManhattan = 0,
  kMinkowski = 1,
  kEuclidean = 2,
  kHamming = 3,
  kVdm = 4
};

inline constexpr int kDistanceKinds = 5;
inline constexpr DistanceKind kDefaultDistance = DistanceKind::kEuclidean;

// The name the distance list shows: "MANHATTAN", "MINKOWKSI", "EUCLIDEAN", "HAMMING", "VDM".
std::string_view DistanceName(DistanceKind kind);

// The kind a command-line word names (manhattan, minkowski, euclidean, hamming, vdm, in any
// case; the shown names are accepted too).
std::optional<DistanceKind> DistanceKindFromWord(std::string_view word);

}  // namespace quarry::knn
