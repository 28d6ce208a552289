#pragma once
// A small regression table for the job tests: two continuous attributes and a discrete one, the
// target linear in a different way on each side of light = 50, with noise from the project's
// generator so every run sees the same rows.

#include <string>
#include <vector>

#include "core/data/rand.h"

namespace quarry::modeltree::testdata {

inline const std::vector<std::string> kColumns = {"light", "water", "soil", "growth"};
inline const std::vector<std::string> kTypes = {"real", "real", "string", "real"};

inline std::vector<std::vector<std::string>> PiecewiseRows(int n) {
  std::vector<std::vector<std::string>> rows;
  Rand rand;
  const char* soils[] = {"clay", "loam", "sand"};
  for (int i = 0; i < n; ++i) {
    const double light = rand.Next() % 1000 / 10.0;
    const double water = rand.Next() % 200 / 10.0;
    const int soil = rand.Next() % 3;
    const double noise = (rand.Next() % 200 - 100) / 100.0;
    const double y =
        (light < 50 ? 2 + 0.3 * light + 0.5 * water : 17 + 0.05 * light + 1.2 * water) +
        (soil - 1) * 1.5 + noise;
    rows.push_back({std::to_string(light), std::to_string(water), soils[soil], std::to_string(y)});
  }
  return rows;
}

}  // namespace quarry::modeltree::testdata
