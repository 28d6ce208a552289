#pragma once
// Routes each menu command to what it opens. A command nobody has bound yet tells the user, by
// name, that it is not available yet, so every menu entry answers.

#include <QString>
#include <functional>
#include <map>

class QWidget;

namespace quarry::gui {

class CommandMap {
 public:
  using Handler = std::function<void()>;

  // Boxes for unbound commands appear over `window`.
  explicit CommandMap(QWidget* window) : window_(window) {}

  void Bind(int id, Handler handler);
  bool IsBound(int id) const { return handlers_.count(id) > 0; }
  void Run(int id) const;

 private:
  QWidget* window_;
  std::map<int, Handler> handlers_;
};

QString NotAvailableYetText(int id);

}  // namespace quarry::gui
