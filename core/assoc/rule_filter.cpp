#include "core/assoc/rule_filter.h"

#include "core/common/text_util.h"

namespace quarry::assoc {

namespace {

constexpr std::string_view kInclude = "include";
constexpr std::string_view kExclude = "exclude";

// Lines and ";" outside quoted names end an entry.
std::vector<std::string_view> SplitEntries(std::string_view text) {
  std::vector<std::string_view> entries;
  bool quoted = false;
  size_t start = 0;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] == '"') quoted = !quoted;
    const bool end = i == text.size() || text[i] == '\n' || (!quoted && text[i] == ';');
    if (!end) continue;
    entries.push_back(text.substr(start, i - start));
    start = i + 1;
    if (i < text.size() && text[i] == '\n') quoted = false;
  }
  return entries;
}

}  // namespace

Status TemplateSet::Add(TemplateKind kind, std::string_view left, std::string_view right) {
  auto parsed = RuleTemplate::FromSides(left, right);
  if (!parsed) return parsed.status();
  templates_.push_back({kind, std::move(parsed.value())});
  return Status::Ok();
}

Status TemplateSet::AddText(std::string_view text) {
  std::vector<KindedTemplate> added;
  for (std::string_view entry : SplitEntries(text)) {
    entry = Trim(entry);
    if (entry.empty() || entry.front() == '#') continue;
    const size_t blank = entry.find_first_of(" \t");
    const std::string_view keyword = entry.substr(0, blank);
    if (keyword != kInclude && keyword != kExclude) {
      return ParseError("a template begins with include or exclude: " + std::string(entry));
    }
    const TemplateKind kind =
        keyword == kInclude ? TemplateKind::kInclusive : TemplateKind::kRestrictive;
    // Read with the keyword blanked out, a position counts in the entry as written.
    auto parsed = RuleTemplate::Parse(std::string(keyword.size(), ' ') +
                                      std::string(entry.substr(keyword.size())));
    if (!parsed) {
      return ParseError("template \"" + std::string(entry) + "\": " + parsed.status().message());
    }
    added.push_back({kind, std::move(parsed.value())});
  }
  templates_.insert(templates_.end(), added.begin(), added.end());
  return Status::Ok();
}

void TemplateSet::Remove(size_t index) {
  if (index < templates_.size()) templates_.erase(templates_.begin() + static_cast<long>(index));
}

std::string TemplateSet::ToText() const {
  std::string text;
  for (const KindedTemplate& t : templates_) {
    text += std::string(t.kind == TemplateKind::kInclusive ? kInclude : kExclude) + " " +
            t.rule.Text() + "\n";
  }
  return text;
}

void RuleFilter::SetRules(std::vector<AssociationRule> rules, ItemCatalog catalog) {
  rules_ = std::move(rules);
  catalog_ = std::move(catalog);
}

bool RuleFilter::Keep(const AssociationRule& rule, const TemplateSet& templates,
                      const ItemCatalog& catalog) {
  bool anyInclusive = false;
  bool included = false;
  for (const KindedTemplate& t : templates.Templates()) {
    if (t.kind == TemplateKind::kRestrictive) {
      if (t.rule.Matches(rule, catalog)) return false;
    } else {
      anyInclusive = true;
      included = included || t.rule.Matches(rule, catalog);
    }
  }
  return !anyInclusive || included;
}

Expected<std::vector<size_t>> RuleFilter::Apply(const TemplateSet& templates) const {
  for (const KindedTemplate& t : templates.Templates()) {
    if (Status s = t.rule.CheckClasses(catalog_); !s.ok()) return s;
  }
  std::vector<size_t> kept;
  for (size_t i = 0; i < rules_.size(); ++i) {
    if (Keep(rules_[i], templates, catalog_)) kept.push_back(i);
  }
  return kept;
}

}  // namespace quarry::assoc
