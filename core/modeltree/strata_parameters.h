#pragma once
// The growing parameters of a model tree, copied into every node.

#include <cstdint>

#include "core/common/status.h"

namespace quarry::modeltree {

struct StrataParameters {
  float Confidence = 0.075f;   // level of the regression and split tests
  int32_t MinItems = 5;        // a node of at most 2 * MinItems cases is a leaf
  float StepWeight = 0.5f;     // weight of the regression score against the split score
  float ErrorLevel = 0.0001f;  // below this fraction of the root's error a node stops growing
  float RLevel = 0.9f;         // a node whose model explains this much is a leaf
};

// Ok when every field is in its accepted range; otherwise says which one is not.
Status Validate(const StrataParameters& p);

}  // namespace quarry::modeltree
