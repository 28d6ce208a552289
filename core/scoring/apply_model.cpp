#include "core/scoring/apply_model.h"

#include <algorithm>
#include <optional>
#include <ostream>

#include "core/common/text_util.h"
#include "core/data/data_source.h"
#include "core/data/free_names.h"
#include "core/data/row_inserter.h"
#include "core/data/sql_quote.h"
#include "core/data/table_columns.h"
#include "core/data/transaction.h"
#include "core/scoring/tree_scorer.h"
#include "core/treefiles/model_file.h"

namespace quarry::scoring {

namespace {

using treefiles::SavedTree;

constexpr size_t kBatchRows = 256;
constexpr long kProgressStep = 10000;

std::optional<size_t> FindColumn(const std::vector<std::string>& names, const std::string& name) {
  for (size_t i = 0; i < names.size(); ++i) {
    if (names[i] == name) return i;
  }
  for (size_t i = 0; i < names.size(); ++i) {
    if (EqualsIgnoreCase(names[i], name)) return i;
  }
  return std::nullopt;
}

// Where the table keeps each of the model's columns: attributes 0..MaxAtt, then the target.
struct ColumnMap {
  std::vector<std::optional<size_t>> at;
  bool hasTarget = false;
};

Expected<ColumnMap> MapColumns(const SavedTree& tree, const TableColumns& columns,
                               const std::string& table) {
  const dtree::AttributeTable& att = tree.att;
  ColumnMap map;
  for (int a = 0; a <= att.MaxAtt + 1; ++a) {
    const std::string& name = att.AttName[static_cast<size_t>(a)];
    const auto found = FindColumn(columns.names, name);
    const bool target = a == att.MaxAtt + 1;
    if (!target && att.Status[a] == dtree::kIgnored) {
      map.at.push_back(std::nullopt);
      continue;
    }
    if (!found) {
      if (target) {
        map.at.push_back(std::nullopt);
        continue;
      }
      return InvalidArgument("the model's attribute " + name + " is not a column of " + table);
    }
    const bool numeric =
        target ? tree.kind == treefiles::TreeKind::kModelTree : !dtree::HoldsValueNumbers(att, a);
    if (numeric && columns.types[*found] == "string") {
      return InvalidArgument("the model's attribute " + name + " is numeric, but " + table +
                             " holds text in it");
    }
    map.at.push_back(found);
    if (target) map.hasTarget = true;
  }
  return map;
}

// The model's cells of a table row, "?" where the table has none.
void ModelCells(const ColumnMap& map, const std::vector<std::string>& row,
                std::vector<std::string>& cells) {
  cells.resize(map.at.size());
  for (size_t a = 0; a < map.at.size(); ++a) {
    cells[a] = map.at[a] && *map.at[a] < row.size() ? row[*map.at[a]] : std::string("?");
  }
}

struct NewColumn {
  std::string name;
  std::string type;
};

// The rebuilt table's columns: the table's own, less those the new ones replace, then the new.
struct Layout {
  std::vector<size_t> kept;  // table columns copied, in order
  std::vector<std::string> names;
  std::vector<std::string> types;
};

Expected<Layout> PlanLayout(const TableColumns& columns, const std::vector<NewColumn>& added,
                            const ApplyParams& params) {
  Layout layout;
  for (size_t i = 0; i < columns.names.size(); ++i) {
    const bool replaced = std::any_of(added.begin(), added.end(), [&](const NewColumn& c) {
      return EqualsIgnoreCase(c.name, columns.names[i]);
    });
    if (replaced && !params.overwrite) {
      return InvalidArgument(params.table + " already has a column " + columns.names[i] +
                             ": choose another name, or replace it with " + params.overwriteOption);
    }
    if (replaced) continue;
    layout.kept.push_back(i);
    layout.names.push_back(columns.names[i]);
    layout.types.push_back(columns.types[i]);
  }
  if (layout.kept.empty()) return InvalidArgument("the new columns would replace every column");
  for (const NewColumn& c : added) {
    layout.names.push_back(c.name);
    layout.types.push_back(c.type);
  }
  return layout;
}

// Reads every row of `table`, calling `each(row, number)`; false with the source's error.
template <typename Each>
Status ReadRows(DataSource& source, const std::string& table, Progress& progress, Each each) {
  if (!source.QueryTable(table))
    return DatabaseError("cannot read " + table + ": " + source.LastError());
  std::vector<std::string> row;
  long n = 0;
  for (bool more = source.FirstRow(row); more; more = source.NextRow(row)) {
    if (Status s = each(row, ++n); !s.ok()) return s;
    if (n % kProgressStep == 0) {
      progress.Update("apply", n, -1);
      if (progress.Cancelled()) return Cancelled("applying the model was stopped");
    }
  }
  if (!source.ResultAtEnd())
    return DatabaseError("cannot read " + table + " to its end: " + source.LastError());
  return Status::Ok();
}

std::string ShareText(double share) { return Format("%.9g", share); }

}  // namespace

std::vector<std::filesystem::path> ApplicableTreeFiles(const std::filesystem::path& folder) {
  namespace fs = std::filesystem;
  std::vector<fs::path> files;
  std::error_code ec;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const fs::path& path = it->path();
    std::error_code kind;
    if (path.extension() != ".tree" || !fs::is_regular_file(path, kind)) continue;
    if (fs::is_regular_file(treefiles::ModelFileFor(path), kind)) files.push_back(path);
  }
  std::sort(files.begin(), files.end());
  return files;
}

Status CheckNewColumnNames(const ApplyParams& params) {
  // An empty name stands for the prediction's default name, or for no column.
  const std::string names[] = {params.column, params.confidenceColumn, params.leafColumn};
  for (size_t i = 0; i < std::size(names); ++i) {
    if (names[i].empty()) continue;
    if (Trim(names[i]).empty()) return InvalidArgument("a new column needs a name");
    for (size_t j = 0; j < i; ++j) {
      if (EqualsIgnoreCase(names[i], names[j]))
        return InvalidArgument("the new columns need different names: " + names[i]);
    }
  }
  return Status::Ok();
}

Expected<ApplyResult> ApplyModel(DataSource& source, const ApplyParams& params,
                                 std::ostream& messages, Progress& progress) {
  auto tree = treefiles::ReadSavedTree(treefiles::FindResultFile(params.model, ".tree"));
  if (!tree) return tree.status();
  const bool decision = tree->kind == treefiles::TreeKind::kDecisionTree;
  const dtree::AttributeTable& att = tree->att;

  DataSourceUser user(source);
  ExclusiveUse exclusive(source);
  if (!source.TableExists(params.table)) return NotFound("no table " + params.table);
  auto columns = ReadTableColumns(source, params.table);
  if (!columns) return columns.status();
  auto map = MapColumns(*tree, *columns, params.table);
  if (!map) return map.status();

  ApplyResult result;
  result.kind = tree->kind;
  result.treeFile = tree->treeFile;
  result.hasTarget = map->hasTarget;
  result.column = params.column.empty()
                      ? att.AttName[static_cast<size_t>(att.MaxAtt + 1)] + "_predicted"
                      : params.column;
  std::vector<NewColumn> added = {{result.column, decision ? "string" : "float"}};
  if (!params.confidenceColumn.empty()) {
    if (!decision) return InvalidArgument("a model tree gives no class share");
    added.push_back({params.confidenceColumn, "float"});
  }
  if (!params.leafColumn.empty()) added.push_back({params.leafColumn, "integer"});
  ApplyParams named = params;
  named.column = result.column;
  if (Status s = CheckNewColumnNames(named); !s.ok()) return s;
  auto layout = PlanLayout(*columns, added, params);
  if (!layout) return layout.status();

  Transaction transaction(source);
  const std::string work = FirstFreeTableName(source, "quarry_apply_");
  // The SQLite driver counts a quote inside a quoted column name as the start of a literal and
  // loses the parameter markers after it: such columns are filled under stand-in names and
  // renamed afterwards.
  std::vector<std::string> workNames = layout->names;
  for (size_t i = 0; i < workNames.size(); ++i) {
    if (workNames[i].find('\'') != std::string::npos) workNames[i] = Format("quarry_column_%zu", i);
  }
  if (!source.CreateTable(work, workNames, layout->types))
    return DatabaseError("cannot create a work table: " + source.LastError());
  RowInserter inserter(source, work, workNames, layout->types, kBatchRows);
  if (!inserter.Prepare()) return DatabaseError(inserter.LastError());

  std::vector<std::string> cells;
  std::vector<std::string> out;
  const auto write = [&](const std::vector<std::string>& row, const RowScore& score) -> Status {
    out.clear();
    for (size_t i : layout->kept) out.push_back(i < row.size() ? row[i] : std::string("?"));
    out.push_back(score.value);
    if (!params.confidenceColumn.empty()) out.push_back(ShareText(score.share));
    if (!params.leafColumn.empty())
      out.push_back(score.leaf > 0 ? std::to_string(score.leaf) : std::string("?"));
    if (!inserter.AddRow(out)) return DatabaseError(inserter.LastError());
    ++result.rows;
    if (score.leaf == 0) ++result.spread;
    return Status::Ok();
  };

  const size_t targetCell = static_cast<size_t>(att.MaxAtt) + 1;
  if (decision) {
    DecisionScorer scorer(*tree, messages);
    const size_t classes = static_cast<size_t>(att.MaxClass) + 1;
    result.classNames = att.ClassName;
    if (map->hasTarget) result.confusion.assign(classes, std::vector<long>(classes, 0));
    Status read = ReadRows(source, params.table, progress, [&](const auto& row, long n) {
      ModelCells(*map, row, cells);
      const std::string actualText = cells[targetCell];
      const RowScore score = scorer.Score(cells, n);
      if (map->hasTarget) {
        const int actual = actualText == "?" ? -1 : scorer.ClassNumber(actualText);
        if (actual < 0) {
          ++result.uncounted;
        } else {
          ++result.confusion[static_cast<size_t>(actual)][static_cast<size_t>(score.classNumber)];
          ++result.counted;
          if (actual != score.classNumber) ++result.errors;
        }
      }
      return write(row, score);
    });
    if (!read.ok()) return read;
  } else {
    ModelTreeScorer scorer(*tree, messages);
    Status read = ReadRows(source, params.table, progress, [&](const auto& row, long n) {
      ModelCells(*map, row, cells);
      // Without the target the rows carry a stand-in: nothing to complete, nothing reported.
      if (!map->hasTarget) cells[targetCell] = "0";
      scorer.AddRow(cells, n);
      return Status::Ok();
    });
    if (!read.ok()) return read;
    if (scorer.Rows() > 0) scorer.Finish();
    std::vector<double> targets;
    int i = 0;
    read = ReadRows(source, params.table, progress, [&](const auto& row, long) {
      if (i >= scorer.Rows()) return DatabaseError(params.table + " changed while it was read");
      const RowScore score = scorer.Score(i++);
      result.measures.ssRes += score.residual * score.residual;
      return write(row, score);
    });
    if (!read.ok()) return read;
    if (map->hasTarget && scorer.Rows() > 0) {
      result.measures.n = scorer.Rows();
      result.measures.syy = scorer.TotalSquares();
    }
  }
  if (!inserter.Flush()) return DatabaseError(inserter.LastError());
  for (size_t i = 0; i < workNames.size(); ++i) {
    if (workNames[i] == layout->names[i]) continue;
    if (!source.Execute("ALTER TABLE " + QuoteIdent(work) + " RENAME COLUMN " +
                        QuoteIdent(workNames[i]) + " TO " + QuoteIdent(layout->names[i]))) {
      return DatabaseError("cannot name the column " + layout->names[i] + ": " +
                           source.LastError());
    }
  }
  const std::string t = QuoteIdent(params.table);
  if (!source.DropTable(params.table) ||
      !source.Execute("ALTER TABLE " + QuoteIdent(work) + " RENAME TO " + t)) {
    return DatabaseError("cannot replace " + params.table + ": " + source.LastError());
  }
  if (Status s = transaction.Commit(); !s.ok()) return s;
  progress.Update("apply", result.rows, result.rows);
  return result;
}

std::string ApplyReport(const ApplyResult& r) {
  std::string text = Format("%ld rows scored into column %s", r.rows, r.column.c_str());
  if (r.spread > 0) text += Format(" (%ld spread over several leaves)", r.spread);
  text += "\n";
  if (!r.hasTarget) return text;
  if (r.kind == treefiles::TreeKind::kModelTree) {
    text += Format("ERROR = %f\nSSres/Syy = %f\n", r.measures.Rmse(), r.measures.Ratio());
    return text;
  }
  size_t width = 9;  // "predicted"
  for (const auto& name : r.classNames) width = std::max(width, name.size());
  const int w = static_cast<int>(width);
  text += Format("\n%-*s", w, "actual");
  for (const auto& name : r.classNames) text += Format("  %*s", w, name.c_str());
  text += "\n";
  for (size_t a = 0; a < r.confusion.size(); ++a) {
    text += Format("%-*s", w, r.classNames[a].c_str());
    for (long n : r.confusion[a]) text += Format("  %*ld", w, n);
    text += "\n";
  }
  text += Format("\nerrors: %ld of %ld (%.1f%%)\n", r.errors, r.counted,
                 r.counted > 0 ? 100.0 * static_cast<double>(r.errors) / r.counted : 0.0);
  if (r.uncounted > 0)
    text += Format("%ld rows with no class or a class the model does not know are not counted\n",
                   r.uncounted);
  return text;
}

}  // namespace quarry::scoring
