#pragma once
// Rule templates: patterns over the two sides of an association rule, written
// left side + "    ==>  " + right side. A side is a list of elements separated by ",":
//
//   bread            the item called bread (a column, or a class of generalized rules)
//   "odd, name"      a quoted name, taken as it stands ("" for a quote inside)
//   decision_Value_* any item whose name fits the pattern (* stands for any characters)
//   *                any item
//   <Food>           an item of the taxonomy's class Food: an attribute below it, or the class
//                    Food or a class below it
//
// A name holding " < > { } ( ) [ ] is written in quotes.
//   ...              any number of further items, none included
//
// and each element but "..." may carry a count: "+" (one or more), "{n}", "{m,n}", "{m,}".
// Without one it stands for exactly one item. A rule side fits the template side when its items
// can be shared out among the elements, every item to one element it fits, every element
// receiving as many items as its count allows. docs/rule_templates.md has examples.

#include <string>
#include <string_view>
#include <vector>

#include "core/assoc/rule_generator.h"
#include "core/common/status.h"

namespace quarry::assoc {

class Taxonomy;

struct TemplateElement {
  enum class Kind { kItem, kPattern, kClass, kAny };
  Kind kind = Kind::kItem;
  std::string text;  // the name, pattern or class
  int min = 1;
  int max = 1;  // kUnbounded for no upper limit
  static constexpr int kUnbounded = -1;
};

// How a template sees the items of rules: their names, and the taxonomy for "<Class>".
struct ItemCatalog {
  std::vector<std::string> itemNames;  // by position, as in the rules
  const Taxonomy* taxonomy = nullptr;  // none in plain mode
};

class RuleTemplate {
 public:
  // "left ==> right", any blanks around "==>". A text that cannot be read fails with kParse and
  // the character (counted from 1) where reading stopped.
  static Expected<RuleTemplate> Parse(std::string_view text);
  // The two fields of the template editor.
  static Expected<RuleTemplate> FromSides(std::string_view left, std::string_view right);

  const std::string& Left() const { return left_; }
  const std::string& Right() const { return right_; }
  std::string Text() const { return left_ + "    ==>  " + right_; }
  const std::vector<TemplateElement>& LeftElements() const { return leftElements_; }
  const std::vector<TemplateElement>& RightElements() const { return rightElements_; }

  // Fails when an element names a class the taxonomy does not have (or there is no taxonomy).
  Status CheckClasses(const ItemCatalog& catalog) const;
  bool Matches(const AssociationRule& rule, const ItemCatalog& catalog) const;

 private:
  static RuleTemplate Assemble(std::string_view left, std::string_view right,
                               std::vector<TemplateElement> leftElements,
                               std::vector<TemplateElement> rightElements);

  std::string left_;
  std::string right_;
  std::vector<TemplateElement> leftElements_;
  std::vector<TemplateElement> rightElements_;
};

// Parses one side; exposed for the template editor's field checks.
Expected<std::vector<TemplateElement>> ParseTemplateSide(std::string_view side);

// How an item or class name is written in a template so that it reads back as that one name:
// as it stands when the syntax leaves it alone, otherwise in double quotes.
std::string TemplateName(std::string_view name);

// Whether `name` fits a pattern where "*" stands for any run of characters.
bool NameFitsPattern(std::string_view name, std::string_view pattern);

}  // namespace quarry::assoc
