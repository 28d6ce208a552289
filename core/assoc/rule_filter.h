#pragma once
// Rule filtering ("Filter Rules"): the templates the template editor collects, inclusive ones
// that say which rules are wanted and restrictive ones that say which are not, and the filter
// that applies them to the rules of the last extraction. A rule is kept when it matches at least
// one inclusive template (if there is any) and no restrictive one.
//
// Templates can also be written as text, one per line (or separated by ";"):
//   include bread, ... ==> ...
//   exclude ... ==> <Drinks>+
// with "#" starting a comment line.

#include <string>
#include <string_view>
#include <vector>

#include "core/assoc/rule_generator.h"
#include "core/assoc/rule_template.h"
#include "core/common/status.h"

namespace quarry::assoc {

enum class TemplateKind { kInclusive, kRestrictive };

struct KindedTemplate {
  TemplateKind kind;
  RuleTemplate rule;
};

class TemplateSet {
 public:
  // The template editor's fields: left side, right side, and the kind.
  Status Add(TemplateKind kind, std::string_view left, std::string_view right);
  // "include TEMPLATE" / "exclude TEMPLATE" lines; all or nothing.
  Status AddText(std::string_view text);
  void Remove(size_t index);
  void Clear() { templates_.clear(); }

  const std::vector<KindedTemplate>& Templates() const { return templates_; }
  bool Empty() const { return templates_.empty(); }
  // The lines AddText reads back.
  std::string ToText() const;

 private:
  std::vector<KindedTemplate> templates_;
};

class RuleFilter {
 public:
  // Rules as Extract hands them over, with the names of their items and the taxonomy (null in
  // plain mode) that "<Class>" elements refer to.
  void SetRules(std::vector<AssociationRule> rules, ItemCatalog catalog);
  const std::vector<AssociationRule>& Rules() const { return rules_; }

  // Indices of the rules kept, in rule order. Fails when a template names an unknown class.
  Expected<std::vector<size_t>> Apply(const TemplateSet& templates) const;

  static bool Keep(const AssociationRule& rule, const TemplateSet& templates,
                   const ItemCatalog& catalog);

 private:
  std::vector<AssociationRule> rules_;
  ItemCatalog catalog_;
};

}  // namespace quarry::assoc
