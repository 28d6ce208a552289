#pragma once
// The five growing parameters as the model-tree dialogs show them: each field with its default
// and the range it accepts. The dialogs label them differently and lay them out themselves.

#include <array>

#include "core/modeltree/strata_parameters.h"

class QWidget;

namespace quarry::gui {

class CheckedField;

struct StrataFields {
  explicit StrataFields(QWidget* parent);

  std::array<CheckedField*, 5> All() const {
    return {minItems, confidence, weight, errorLevel, rLevel};
  }
  // Checks fields the user is still editing (leaving a field checks it), then reads them.
  modeltree::StrataParameters Read() const;
  void Reset() const;

  CheckedField* minItems;
  CheckedField* confidence;
  CheckedField* weight;
  CheckedField* errorLevel;
  CheckedField* rLevel;
};

}  // namespace quarry::gui
