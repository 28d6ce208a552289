#include "core/modeltree/strata_parameters.h"

#include <string>

namespace quarry::modeltree {

namespace {

bool InUnitInterval(float x) { return x > 0.0f && x <= 1.0f; }

}  // namespace

Status Validate(const StrataParameters& p) {
  if (!InUnitInterval(p.Confidence))
    return InvalidArgument("the confidence level must be above 0 and at most 1");
  if (p.MinItems <= 0) return InvalidArgument("the number of items in each leaf must be above 0");
  if (!InUnitInterval(p.StepWeight))
    return InvalidArgument("the weight must be above 0 and at most 1");
  if (!InUnitInterval(p.ErrorLevel))
    return InvalidArgument("the error level must be above 0 and at most 1");
  if (!InUnitInterval(p.RLevel))
    return InvalidArgument("the R level must be above 0 and at most 1");
  return Status::Ok();
}

}  // namespace quarry::modeltree
