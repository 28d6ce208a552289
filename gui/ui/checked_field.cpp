#include "gui/ui/checked_field.h"

#include <cmath>
#include <utility>

namespace quarry::gui {

CheckedField::CheckedField(const QString& defaultText, Rule accepts, QWidget* parent)
    : QLineEdit(defaultText, parent), defaultText_(defaultText), accepts_(std::move(accepts)) {
  connect(this, &QLineEdit::returnPressed, this, &CheckedField::Check);
}

bool CheckedField::Check() {
  if (accepts_(text().trimmed())) return true;
  Reset();
  return false;
}

void CheckedField::focusOutEvent(QFocusEvent* event) {
  Check();
  QLineEdit::focusOutEvent(event);
}

CheckedField::Rule CheckedField::IntegerAtLeast(int least) {
  return [least](const QString& text) {
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= least;
  };
}

CheckedField::Rule CheckedField::Fraction() {
  return [](const QString& text) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    // "nan" and "inf" read as numbers but are no fraction.
    return ok && std::isfinite(value) && value > 0.0 && value <= 1.0;
  };
}

}  // namespace quarry::gui
