#include "core/knn/distance_kind.h"

#include "core/common/text_util.h"

namespace quarry::knn {

namespace {
constexpr std::string_view kNames[kDistanceKinds] = {"MANHATTAN", "MINKOWKSI", "EUCLIDEAN",
                                                     "HAMMING", "VDM"};
constexpr std::string_view kWords[kDistanceKinds] = {"manhattan", "minkowski", "euclidean",
                                                     "hamming", "vdm"};
}  // namespace

std::string_view DistanceName(DistanceKind kind) { return kNames[static_cast<int>(kind)]; }

std::optional<DistanceKind> DistanceKindFromWord(std::string_view word) {
  for (int k = 0; k < kDistanceKinds; ++k) {
    if (EqualsIgnoreCase(word, kWords[k]) || EqualsIgnoreCase(word, kNames[k]))
      return static_cast<DistanceKind>(k);
  }
  return std::nullopt;
}

}  // namespace quarry::knn
