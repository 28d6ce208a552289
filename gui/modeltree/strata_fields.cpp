#include "gui/modeltree/strata_fields.h"

#include "gui/ui/checked_field.h"

namespace quarry::gui {

namespace {

CheckedField* MakeField(QWidget* parent, const char* name, const QString& defaultText,
                        CheckedField::Rule rule) {
  auto* field = new CheckedField(defaultText, std::move(rule), parent);
  field->setObjectName(name);
  return field;
}

}  // namespace

StrataFields::StrataFields(QWidget* parent)
    : minItems(MakeField(parent, "minItems", "5", CheckedField::IntegerAtLeast(1))),
      confidence(MakeField(parent, "confidence", "0.075", CheckedField::Fraction())),
      weight(MakeField(parent, "weight", "0.5", CheckedField::Fraction())),
      errorLevel(MakeField(parent, "errorLevel", "0.0001", CheckedField::Fraction())),
      rLevel(MakeField(parent, "rLevel", "0.9", CheckedField::Fraction())) {}

modeltree::StrataParameters StrataFields::Read() const {
  for (CheckedField* field : All()) field->Check();
  modeltree::StrataParameters params;
  params.MinItems = minItems->text().trimmed().toInt();
  params.Confidence = confidence->text().trimmed().toFloat();
  params.StepWeight = weight->text().trimmed().toFloat();
  params.ErrorLevel = errorLevel->text().trimmed().toFloat();
  params.RLevel = rLevel->text().trimmed().toFloat();
  return params;
}

void StrataFields::Reset() const {
  for (CheckedField* field : All()) field->Reset();
}

}  // namespace quarry::gui
