#include "core/data/sql_row_order.h"

#include <algorithm>
#include <initializer_list>

namespace quarry {

namespace {

using Tokens = std::vector<SqlToken>;

bool IsAnyWord(const SqlToken& t, std::initializer_list<const char*> words) {
  for (const char* w : words) {
    if (t.IsWord(w)) return true;
  }
  return false;
}

// Words that end an ORDER BY or GROUP BY list at its own depth.
bool EndsList(const SqlToken& t) {
  return t.IsPunct(';') ||
         IsAnyWord(t, {"LIMIT", "OFFSET", "FETCH", "FOR", "ROWS", "RANGE", "GROUPS", "UNION",
                       "INTERSECT", "EXCEPT", "HAVING", "WINDOW", "ORDER"});
}

// Whether `i` is the word `first` followed by the word BY.
bool IsClause(const Tokens& tokens, size_t i, const char* first) {
  if (!tokens[i].IsWord(first)) return false;
  const size_t by = NextSignificant(tokens, i + 1);
  return by < tokens.size() && tokens[by].IsWord("BY");
}

// One item of a list: its significant tokens at the list's own depth, first and last index.
struct ListItem {
  size_t first = 0;
  size_t last = 0;
  bool namesNullOrder = false;  // NULLS or USING at the item's own depth
  bool descending = false;      // ends in DESC
};

// The items of the list starting after `by`; `end` receives the index where the list stopped.
std::vector<ListItem> ReadList(const Tokens& tokens, size_t by, size_t& end) {
  std::vector<ListItem> items;
  ListItem item;
  bool open = false;
  int depth = 0;
  size_t i = by + 1;
  for (; i < tokens.size(); ++i) {
    const SqlToken& t = tokens[i];
    if (!t.IsSignificant()) continue;
    if (depth == 0 && (t.IsPunct(')') || t.IsPunct(',') || EndsList(t))) {
      if (open) items.push_back(item);
      item = ListItem();
      open = false;
      if (t.IsPunct(',')) continue;
      break;
    }
    if (t.IsPunct('(')) ++depth;
    if (t.IsPunct(')')) --depth;
    if (!open) {
      item.first = i;
      open = true;
    }
    item.last = i;
    if (depth == 0) {
      if (IsAnyWord(t, {"NULLS", "USING"})) item.namesNullOrder = true;
      item.descending = t.IsWord("DESC");
    }
  }
  if (open) items.push_back(item);
  end = i;
  return items;
}

// The ORDER BY that an outermost GROUP BY without one implies on SQLite, or nothing.
void AddGroupOrder(const Tokens& tokens, std::vector<SqlInsertion>& out) {
  int depth = 0;
  size_t groupBy = tokens.size();
  for (size_t i = 0; i < tokens.size(); ++i) {
    const SqlToken& t = tokens[i];
    if (t.IsPunct('(')) ++depth;
    if (t.IsPunct(')')) --depth;
    if (depth != 0 || t.kind != SqlTokenKind::kWord) continue;
    if (IsAnyWord(t, {"UNION", "INTERSECT", "EXCEPT"}) || IsClause(tokens, i, "ORDER")) return;
    if (IsClause(tokens, i, "GROUP")) groupBy = NextSignificant(tokens, i + 1);
  }
  if (groupBy >= tokens.size()) return;
  size_t end = 0;
  const std::vector<ListItem> keys = ReadList(tokens, groupBy, end);
  if (keys.empty()) return;
  const SqlToken& first = tokens[keys.front().first];
  if (IsAnyWord(first, {"ROLLUP", "CUBE", "GROUPING", "ALL", "DISTINCT"}) || first.IsPunct('('))
    return;
  // After the HAVING clause, before LIMIT and its kin or the end of the statement.
  size_t at = keys.back().last;
  for (size_t i = end; i < tokens.size(); ++i) {
    const SqlToken& t = tokens[i];
    if (!t.IsSignificant()) continue;
    if (t.IsPunct(';') || IsAnyWord(t, {"LIMIT", "OFFSET", "FETCH", "FOR", "WINDOW"})) break;
    at = i;
  }
  for (size_t k = 0; k < keys.size(); ++k) {
    out.push_back({at, k == 0 ? " ORDER BY " : ", "});
    out.push_back({at, "", keys[k].first, keys[k].last});
    out.push_back({at, " NULLS FIRST"});
  }
}

}  // namespace

std::vector<SqlInsertion> SqliteRowOrderInsertions(const Tokens& tokens) {
  std::vector<SqlInsertion> out;
  for (size_t i = 0; i < tokens.size(); ++i) {
    if (!IsClause(tokens, i, "ORDER")) continue;
    size_t end = 0;
    for (const ListItem& item : ReadList(tokens, NextSignificant(tokens, i + 1), end)) {
      if (item.namesNullOrder) continue;
      out.push_back({item.last, item.descending ? " NULLS LAST" : " NULLS FIRST"});
    }
  }
  AddGroupOrder(tokens, out);
  std::stable_sort(out.begin(), out.end(), [](const SqlInsertion& a, const SqlInsertion& b) {
    return a.afterToken < b.afterToken;
  });
  return out;
}

}  // namespace quarry
