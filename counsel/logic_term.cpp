#include "counsel/logic_term.h"

#include <cstdio>

namespace counsel {

namespace {

TermRef Make(TermKind kind, std::string name, double number = 0, std::vector<TermRef> args = {}) {
  auto term = std::make_shared<Term>();
  term->kind = kind;
  term->name = std::move(name);
  term->number = number;
  term->args = std::move(args);
  return term;
}

}  // namespace

TermRef MakeAtom(std::string name) { return Make(TermKind::kAtom, std::move(name)); }
TermRef MakeNumber(double value) { return Make(TermKind::kNumber, "", value); }
TermRef MakeString(std::string text) { return Make(TermKind::kString, std::move(text)); }
TermRef MakeVariable(std::string name) { return Make(TermKind::kVariable, std::move(name)); }
TermRef MakeCompound(std::string functor, std::vector<TermRef> args) {
  return Make(TermKind::kCompound, std::move(functor), 0, std::move(args));
}
TermRef MakeList(std::vector<TermRef> elements) {
  return Make(TermKind::kList, "", 0, std::move(elements));
}

TermRef Resolve(TermRef term) {
  while (term->kind == TermKind::kVariable && term->binding) term = term->binding;
  return term;
}

std::string Indicator(const TermRef& term) {
  const TermRef t = Resolve(term);
  if (t->kind == TermKind::kCompound) return t->name + "/" + std::to_string(t->args.size());
  return t->name + "/0";
}

TermRef Rename(const TermRef& term, std::unordered_map<const Term*, TermRef>& fresh) {
  const TermRef t = Resolve(term);
  switch (t->kind) {
    case TermKind::kVariable: {
      auto [it, added] = fresh.try_emplace(t.get());
      if (added) it->second = MakeVariable(t->name);
      return it->second;
    }
    case TermKind::kCompound:
    case TermKind::kList: {
      std::vector<TermRef> args;
      args.reserve(t->args.size());
      for (const TermRef& arg : t->args) args.push_back(Rename(arg, fresh));
      return Make(t->kind, t->name, 0, std::move(args));
    }
    default:
      return t;  // constants are shared, never changed
  }
}

std::string NumberText(double value) {
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%.4f", value);
  std::string text = buffer;
  if (text.find('.') != std::string::npos) {
    while (text.back() == '0') text.pop_back();
    if (text.back() == '.') text.pop_back();
  }
  if (text == "-0") text = "0";
  return text;
}

std::string ToText(const TermRef& term) {
  const TermRef t = Resolve(term);
  switch (t->kind) {
    case TermKind::kAtom:
      return t->name;
    case TermKind::kNumber:
      return NumberText(t->number);
    case TermKind::kString:
      return "\"" + t->name + "\"";
    case TermKind::kVariable:
      return "_" + t->name;
    case TermKind::kCompound:
    case TermKind::kList: {
      std::string text = t->kind == TermKind::kList ? "[" : t->name + "(";
      for (size_t i = 0; i < t->args.size(); ++i) text += (i ? ", " : "") + ToText(t->args[i]);
      return text + (t->kind == TermKind::kList ? "]" : ")");
    }
  }
  return {};
}

}  // namespace counsel
