#pragma once
// A parameter field of a method dialog: when it loses focus (or the user presses Return) a text
// the method cannot use is put back to the field's default, so that Execute always reads a
// usable value.

#include <QLineEdit>
#include <QString>
#include <functional>

namespace quarry::gui {

class CheckedField : public QLineEdit {
  Q_OBJECT

 public:
  using Rule = std::function<bool(const QString&)>;

  CheckedField(const QString& defaultText, Rule accepts, QWidget* parent = nullptr);

  // Puts the default back when the text breaks the rule; true when the text was kept.
  bool Check();
  void Reset() { setText(defaultText_); }
  const QString& DefaultText() const { return defaultText_; }

  // Common rules: a whole number of at least `least`; a number x with 0 < x <= 1.
  static Rule IntegerAtLeast(int least);
  static Rule Fraction();

 protected:
  void focusOutEvent(QFocusEvent* event) override;

 private:
  QString defaultText_;
  Rule accepts_;
};

}  // namespace quarry::gui
