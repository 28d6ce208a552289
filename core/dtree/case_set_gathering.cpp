// Reading a table's cases and its value lists in one pass. Otherwise the attribute table's values
// come from a grouped query per column, a scan of the whole table before the scan that reads the
// cases; here the rows are read once, each discrete text numbered as it first comes, the
// distinct texts put into the column's order (by the server on PostgreSQL; on SQLite by their
// storage classes, read with the rows), and the cases renumbered. Cases, value lists and
// messages are those the two scans give.

#include <algorithm>
#include <optional>
#include <string_view>

#include "core/data/column_value_order.h"
#include "core/data/data_source.h"
#include "core/data/sql_quote.h"
#include "core/dtree/kept_cases.h"

namespace quarry::dtree {

CaseSet::GatheredValues::GatheredValues(int cells) {
  numbers.reserve(static_cast<size_t>(cells));
  // The last cell holds the class, numbered from 0.
  for (int a = 0; a < cells; ++a) numbers.emplace_back(a + 1 < cells ? 1 : 0);
}

void CaseSet::GatheredValues::NoteClasses(const std::vector<std::string>& row, Case c) {
  const std::string& letters = row.back();
  if (letters.size() != classCells.size()) {
    mixedClasses = true;
    return;
  }
  const size_t classCell = numbers.size() - 1;
  for (size_t k = 0; k < classCells.size(); ++k) {
    const size_t cell = classCells[k];
    const int32_t number = c[cell].discr;
    // An unknown attribute value is numbered neither way.
    if (cell != classCell && number == kUnknownValue) continue;
    const size_t index = static_cast<size_t>(number - numbers[cell].First());
    std::string& seen = classes[cell];
    if (index >= seen.size()) seen.resize(index + 1, '\0');
    if (seen[index] == '\0') {
      seen[index] = letters[k];
    } else if (seen[index] != letters[k]) {
      mixedClasses = true;
    }
  }
}

std::unique_ptr<CaseSet::KeptCases> CaseSet::ReadGatheringValues(
    const std::string& table, DataSource& source, const std::vector<std::string>& grouped,
    std::vector<std::vector<std::string>>& values) {
  const int classCell = att_.MaxAtt + 1;
  const DbmsKind kind = source.Dialect().kind();
  if ((kind != DbmsKind::kPostgres && kind != DbmsKind::kSqlite) || grouped.empty() ||
      classCell < 0) {
    return nullptr;
  }
  // A text target is refused by the model-tree engine; its values are only grouped.
  if (target_ == TargetKind::kNumber && att_.Status[static_cast<size_t>(classCell)] == kDiscrete)
    return nullptr;
  // The cells whose texts stand for each grouped column, in the caller's order.
  std::vector<size_t> cellOfColumn;
  if (target_ == TargetKind::kClass) cellOfColumn.push_back(static_cast<size_t>(classCell));
  for (int a = 0; a <= classCell; ++a) {
    if (att_.Status[static_cast<size_t>(a)] == kDiscrete)
      cellOfColumn.push_back(static_cast<size_t>(a));
  }
  if (cellOfColumn.size() != grouped.size()) return nullptr;
  const bool sqlite = kind == DbmsKind::kSqlite;
  ColumnTypes types;
  // SQLite: the columns whose storage classes are read with the rows (those of other than text
  // affinity, which may hold numbers and texts at once), and the others.
  std::vector<bool> textAffinity;
  std::vector<std::string> typed;
  std::vector<size_t> typedCells;
  std::vector<std::string> texts;
  if (sqlite) {
    if (!SqliteGroupsInBinaryOrder(source, table, grouped, textAffinity)) return nullptr;
    for (size_t g = 0; g < grouped.size(); ++g) {
      (textAffinity[g] ? texts : typed).push_back(QuoteIdent(grouped[g]));
      if (!textAffinity[g]) typedCells.push_back(cellOfColumn[g]);
    }
  } else {
    types = ColumnTypesOf(source, table, grouped);
    if (types.empty()) return nullptr;
  }

  caseWidth_ = static_cast<size_t>(classCell + 1);
  auto kept = std::make_unique<KeptCases>();
  kept->table = table;
  kept->source = &source;
  kept->status = att_.Status;
  const std::string classesOf = typed.empty() ? "" : SqliteStorageClasses(typed);
  if (!ReadTableRows(table, source, true, kept->parts, classesOf, typedCells)) return nullptr;

  values.assign(grouped.size(), {});
  for (size_t g = 0; g < grouped.size(); ++g) {
    const size_t cell = cellOfColumn[g];
    const TextNumbers& firstTexts = kept->parts.front()->gathered.numbers[cell];
    for (size_t k = 0; k < firstTexts.size(); ++k) values[g].push_back(firstTexts.Text(k));
    for (size_t p = 1; p < kept->parts.size(); ++p) {
      const TextNumbers& texts = kept->parts[p]->gathered.numbers[cell];
      for (size_t k = 0; k < texts.size(); ++k) {
        if (firstTexts.Find(texts.Text(k)) < firstTexts.First()) values[g].push_back(texts.Text(k));
      }
    }
  }
  if (!sqlite) return SortAsColumnValues(source, types, values) ? std::move(kept) : nullptr;

  // A column of text affinity holds texts, unless a blob, and NULL, which reads as a text "?"
  // would.
  if (!texts.empty() && SqliteColumnsHold(source, table, texts, false) != false) return nullptr;
  const GatheredValues& gathered = kept->parts.front()->gathered;
  if (gathered.mixedClasses) return nullptr;
  std::vector<std::string> classes;
  for (size_t g = 0; g < grouped.size(); ++g) {
    if (!textAffinity[g]) {
      // Read in one stream: the classes are by the numbers it gave.
      classes.push_back(gathered.classes[cellOfColumn[g]]);
      continue;
    }
    classes.emplace_back(values[g].size(), 't');
    auto unknown = std::find(values[g].begin(), values[g].end(), "?");
    if (unknown == values[g].end()) continue;
    const std::optional<bool> nulls =
        SqliteColumnsHold(source, table, {QuoteIdent(grouped[g])}, true);
    if (!nulls) return nullptr;
    // NULL groups first; a text "?" beside it reads the same and is listed once.
    if (*nulls) classes.back()[static_cast<size_t>(unknown - values[g].begin())] = 'n';
  }
  if (!SortAsSqliteValues(classes, values)) return nullptr;
  return kept;
}

bool CaseSet::Renumber(KeptCases& kept) const {
  const size_t classCell = static_cast<size_t>(att_.MaxAtt + 1);
  const bool classes = target_ == TargetKind::kClass;
  std::vector<size_t> discrete;
  for (size_t a = 0; a < classCell; ++a) {
    if (kept.status[a] == kDiscrete) discrete.push_back(a);
  }
  std::vector<std::optional<NameLookup>> lookups(classCell + 1);
  for (size_t a : discrete) lookups[a].emplace(att_.ValueName[a], 1, att_.ValueCount[a]);
  if (classes) lookups[classCell].emplace(att_.ClassName, 0, att_.MaxClass);

  for (auto& part : kept.parts) {
    const GatheredValues& gathered = part->gathered;
    // Read number - first -> final number, by cell.
    std::vector<std::vector<int32_t>> final(classCell + 1);
    for (size_t a : discrete) {
      const TextNumbers& texts = gathered.numbers[a];
      for (size_t k = 0; k < texts.size(); ++k) {
        const int32_t position = lookups[a]->Find(texts.Text(k));
        if (position < 1) return false;
        final[a].push_back(position);
      }
    }
    if (classes) {
      const TextNumbers& texts = gathered.numbers[classCell];
      for (size_t k = 0; k < texts.size(); ++k) {
        // Every text read is a class.
        const int32_t position = lookups[classCell]->Find(texts.Text(k));
        if (position < 0) return false;
        final[classCell].push_back(position);
      }
    }
    for (Case c : part->cases) {
      for (size_t a : discrete) {
        if (c[a].discr != kUnknownValue) c[a].discr = final[a][static_cast<size_t>(c[a].discr - 1)];
      }
      if (classes) c[classCell].discr = final[classCell][static_cast<size_t>(c[classCell].discr)];
    }
    kept.errors += part->errors.str();
  }
  kept.cases = JoinParts(kept.parts, kept.arena);
  kept.valueCount = att_.ValueCount;
  kept.maxClass = att_.MaxClass;
  return true;
}

bool CaseSet::TakeKept(KeptCases& kept) {
  // A caller may have set aside discrete attributes since (the model-tree engine ignores those
  // without values); any other change means the cases must be read again.
  if (kept.status.size() != att_.Status.size() || kept.valueCount != att_.ValueCount ||
      kept.maxClass != att_.MaxClass) {
    return false;
  }
  std::vector<size_t> cleared;
  for (size_t a = 0; a < kept.status.size(); ++a) {
    if (kept.status[a] == att_.Status[a]) continue;
    if (kept.status[a] != kDiscrete || att_.Status[a] != kIgnored) return false;
    cleared.push_back(a);
  }
  for (Case c : kept.cases) {
    for (size_t a : cleared) c[a].discr = 0;
  }
  return true;
}

}  // namespace quarry::dtree
