#include "core/assoc/rule_template.h"

#include <charconv>
#include <functional>

#include "core/assoc/taxonomy.h"
#include "core/common/text_util.h"

namespace quarry::assoc {

namespace {

constexpr std::string_view kArrow = "==>";
constexpr int kLargestCount = 1000;

// Positions in `text` outside quoted names and class brackets where `what` begins.
std::vector<size_t> FindOutside(std::string_view text, std::string_view what) {
  std::vector<size_t> hits;
  bool quoted = false;
  int nesting = 0;  // inside <...> or {...}
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"') {
      quoted = !quoted;  // a doubled quote toggles twice
      continue;
    }
    if (quoted) continue;
    if (c == '<' || c == '{') ++nesting;
    if ((c == '>' || c == '}') && nesting > 0) --nesting;
    if (nesting == 0 && text.substr(i, what.size()) == what) hits.push_back(i);
  }
  return hits;
}

// The name inside quotes, "" read as one quote; nullopt-like failure via the flag.
bool Unquote(std::string_view text, std::string& name) {
  if (text.size() < 2 || text.front() != '"' || text.back() != '"') return false;
  name.clear();
  for (size_t i = 1; i + 1 < text.size(); ++i) {
    if (text[i] == '"') {
      if (i + 2 >= text.size() || text[i + 1] != '"') return false;
      ++i;
    }
    name += text[i];
  }
  return true;
}

bool ParseCountNumber(std::string_view text, int& value) {
  text = Trim(text);
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && value >= 0 &&
         value <= kLargestCount;
}

// Characters a name written without quotes may not hold.
constexpr std::string_view kReserved = "\"<>{}()[]";

// `position` counts from 0 in the text being read; the message counts from 1.
Status StoppedAt(size_t position, const std::string& why) {
  return ParseError("reading stopped at character " + std::to_string(position + 1) + ": " + why);
}

// Reads one element; `offset` is where `text` begins in the text being read.
Expected<TemplateElement> ParseElement(std::string_view text, size_t offset) {
  TemplateElement element;
  std::string_view term = Trim(text);
  const size_t start = offset + static_cast<size_t>(term.data() - text.data());
  auto at = [&](std::string_view part) {
    return start + static_cast<size_t>(part.data() - term.data());
  };
  auto bad = [&](const std::string& why) { return StoppedAt(start, why); };
  if (term.empty()) return StoppedAt(offset, "a template side has an empty element");
  if (term == "...") {
    element.kind = TemplateElement::Kind::kAny;
    element.text = "...";
    element.min = 0;
    element.max = TemplateElement::kUnbounded;
    return element;
  }
  if (term.back() == '}') {
    const size_t open = term.rfind('{');
    if (open == std::string_view::npos) return bad("a count starts with {");
    const std::string_view count = term.substr(open + 1, term.size() - open - 2);
    const size_t comma = count.find(',');
    if (comma == std::string_view::npos) {
      if (!ParseCountNumber(count, element.min)) return bad("unreadable count");
      element.max = element.min;
    } else {
      if (!ParseCountNumber(count.substr(0, comma), element.min)) {
        return bad("unreadable count");
      }
      const std::string_view upper = Trim(count.substr(comma + 1));
      if (upper.empty()) {
        element.max = TemplateElement::kUnbounded;
      } else if (!ParseCountNumber(upper, element.max) || element.max < element.min) {
        return bad("unreadable count");
      }
    }
    if (element.max == 0) return bad("a count allows at least one item");
    term = Trim(term.substr(0, open));
  } else if (term.back() == '+') {
    element.min = 1;
    element.max = TemplateElement::kUnbounded;
    term = Trim(term.substr(0, term.size() - 1));
  }
  if (term.empty()) return bad("a count needs an item, a pattern or a class");
  if (term.front() == '"') {
    if (!Unquote(term, element.text)) return bad("unfinished quoted name");
    element.kind = TemplateElement::Kind::kItem;
    return element;
  }
  if (term.front() == '<') {
    if (term.back() != '>') return bad("a class is written <Class>");
    const std::string_view inner = Trim(term.substr(1, term.size() - 2));
    if (inner.empty()) return bad("a class needs a name");
    element.kind = TemplateElement::Kind::kClass;
    if (inner.front() == '"') {
      if (!Unquote(inner, element.text)) return bad("unfinished quoted name");
    } else if (const size_t odd = inner.find_first_of(kReserved); odd != std::string_view::npos) {
      return StoppedAt(at(inner.substr(odd)),
                       "a class name with \" < > { } ( ) [ ] is written in quotes");
    } else {
      element.text = std::string(inner);
    }
    return element;
  }
  if (const size_t odd = term.find_first_of(kReserved); odd != std::string_view::npos) {
    return StoppedAt(at(term.substr(odd)), "a name with \" < > { } ( ) [ ] is written in quotes");
  }
  element.text = std::string(term);
  if (term == "*") {
    element.kind = TemplateElement::Kind::kAny;
  } else if (term.find('*') != std::string_view::npos) {
    element.kind = TemplateElement::Kind::kPattern;
  }
  return element;
}

bool InClass(const std::string& name, const std::string& className, const Taxonomy* taxonomy) {
  if (taxonomy == nullptr) return false;
  const int cls = taxonomy->ClassIndex(className);
  if (cls == Taxonomy::kNone) return false;
  const int attribute = taxonomy->AttributeIndex(name);
  if (attribute != Taxonomy::kNone &&
      taxonomy->Ancestors(attribute)[static_cast<size_t>(cls)] == 1) {
    return true;
  }
  const int asClass = taxonomy->ClassIndex(name);
  return asClass != Taxonomy::kNone &&
         taxonomy->Ancestors(taxonomy->AttributeCount() + asClass)[static_cast<size_t>(cls)] == 1;
}

bool Fits(const TemplateElement& element, const std::string& name, const ItemCatalog& catalog) {
  switch (element.kind) {
    case TemplateElement::Kind::kItem:
      return name == element.text;
    case TemplateElement::Kind::kPattern:
      return NameFitsPattern(name, element.text);
    case TemplateElement::Kind::kAny:
      return true;
    case TemplateElement::Kind::kClass:
      return InClass(name, element.text, catalog.taxonomy);
  }
  return false;
}

// The largest number of items that can be given to elements they fit, element e taking at most
// capacity[e] (augmenting paths, as in bipartite matching).
int MostAssigned(const std::vector<std::vector<bool>>& fits, const std::vector<int>& capacity) {
  const size_t elements = capacity.size();
  std::vector<std::vector<size_t>> holds(elements);
  std::vector<bool> visited;
  std::function<bool(size_t)> place = [&](size_t item) {
    for (size_t e = 0; e < elements; ++e) {
      if (!fits[item][e] || visited[e] || capacity[e] == 0) continue;
      visited[e] = true;
      if (static_cast<int>(holds[e].size()) < capacity[e]) {
        holds[e].push_back(item);
        return true;
      }
      for (size_t& other : holds[e]) {
        if (place(other)) {
          other = item;
          return true;
        }
      }
    }
    return false;
  };
  int assigned = 0;
  for (size_t item = 0; item < fits.size(); ++item) {
    visited.assign(elements, false);
    if (place(item)) ++assigned;
  }
  return assigned;
}

bool SideFits(const std::vector<TemplateElement>& elements, const ItemPositions& side,
              const ItemCatalog& catalog) {
  const int n = static_cast<int>(side.size());
  std::vector<std::vector<bool>> fits(side.size(), std::vector<bool>(elements.size()));
  std::vector<int> least(elements.size());
  std::vector<int> most(elements.size());
  int required = 0;
  for (size_t e = 0; e < elements.size(); ++e) {
    least[e] = elements[e].min;
    most[e] = elements[e].max == TemplateElement::kUnbounded ? n : std::min(elements[e].max, n);
    required += least[e];
  }
  if (required > n) return false;
  for (size_t i = 0; i < side.size(); ++i) {
    const std::string& name = catalog.itemNames[static_cast<size_t>(side[i])];
    for (size_t e = 0; e < elements.size(); ++e) fits[i][e] = Fits(elements[e], name, catalog);
  }
  // Every item placed within the upper counts, and every lower count filled: when each can be
  // done on its own, one assignment does both (a matching covering the items and one covering
  // the required places combine into one that covers both).
  return MostAssigned(fits, most) == n && MostAssigned(fits, least) == required;
}

}  // namespace

std::string TemplateName(std::string_view name) {
  const bool plain = !name.empty() && name != "..." && name == Trim(name) &&
                     name.find_first_of(",\"<>{}()[]*;") == std::string_view::npos &&
                     name.find(kArrow) == std::string_view::npos && name.back() != '+';
  if (plain) return std::string(name);
  std::string quoted = "\"";
  for (char c : name) {
    if (c == '"') quoted += '"';
    quoted += c;
  }
  return quoted + "\"";
}

bool NameFitsPattern(std::string_view name, std::string_view pattern) {
  size_t n = 0;
  size_t p = 0;
  size_t star = std::string_view::npos;
  size_t resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (p < pattern.size() && pattern[p] == name[n]) {
      ++p;
      ++n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

namespace {

// Reads one side; `offset` is where `side` begins in the text being read.
Expected<std::vector<TemplateElement>> ParseSide(std::string_view side, size_t offset) {
  if (Trim(side).empty()) {
    return StoppedAt(offset + side.size(), "a template side needs at least one element");
  }
  std::vector<TemplateElement> elements;
  size_t start = 0;
  std::vector<size_t> commas = FindOutside(side, ",");
  commas.push_back(side.size());
  for (size_t comma : commas) {
    auto element = ParseElement(side.substr(start, comma - start), offset + start);
    if (!element) return element.status();
    elements.push_back(std::move(element.value()));
    start = comma + 1;
  }
  return elements;
}

}  // namespace

Expected<std::vector<TemplateElement>> ParseTemplateSide(std::string_view side) {
  return ParseSide(side, 0);
}

Expected<RuleTemplate> RuleTemplate::FromSides(std::string_view left, std::string_view right) {
  auto leftElements = ParseSide(left, 0);
  if (!leftElements) return ParseError("left side: " + leftElements.status().message());
  auto rightElements = ParseSide(right, 0);
  if (!rightElements) return ParseError("right side: " + rightElements.status().message());
  return Assemble(left, right, std::move(*leftElements), std::move(*rightElements));
}

Expected<RuleTemplate> RuleTemplate::Parse(std::string_view text) {
  const std::vector<size_t> arrows = FindOutside(text, kArrow);
  if (arrows.size() != 1) {
    return StoppedAt(arrows.empty() ? TrimRight(text).size() : arrows[1],
                     "a template is written left side ==> right side");
  }
  const size_t right = arrows[0] + kArrow.size();
  auto leftElements = ParseSide(text.substr(0, arrows[0]), 0);
  if (!leftElements) return leftElements.status();
  auto rightElements = ParseSide(text.substr(right), right);
  if (!rightElements) return rightElements.status();
  return Assemble(text.substr(0, arrows[0]), text.substr(right), std::move(*leftElements),
                  std::move(*rightElements));
}

RuleTemplate RuleTemplate::Assemble(std::string_view left, std::string_view right,
                                    std::vector<TemplateElement> leftElements,
                                    std::vector<TemplateElement> rightElements) {
  RuleTemplate t;
  t.left_ = std::string(Trim(left));
  t.right_ = std::string(Trim(right));
  t.leftElements_ = std::move(leftElements);
  t.rightElements_ = std::move(rightElements);
  return t;
}

Status RuleTemplate::CheckClasses(const ItemCatalog& catalog) const {
  for (const auto* side : {&leftElements_, &rightElements_}) {
    for (const TemplateElement& e : *side) {
      if (e.kind != TemplateElement::Kind::kClass) continue;
      if (catalog.taxonomy == nullptr || catalog.taxonomy->Empty()) {
        return InvalidArgument("template " + Text() + " names class " + e.text +
                               ", but there is no taxonomy");
      }
      if (catalog.taxonomy->ClassIndex(e.text) == Taxonomy::kNone) {
        return NotFound("template " + Text() + " names class " + e.text +
                        ", which the taxonomy does not have");
      }
    }
  }
  return Status::Ok();
}

bool RuleTemplate::Matches(const AssociationRule& rule, const ItemCatalog& catalog) const {
  return SideFits(leftElements_, rule.antecedent, catalog) &&
         SideFits(rightElements_, rule.consequent, catalog);
}

}  // namespace quarry::assoc
