#include "core/assoc/taxonomy_file.h"

#include <fstream>
#include <sstream>

#include "core/common/text_util.h"
#include "core/data/working_folder.h"

namespace quarry::assoc {

namespace {

struct Line {
  size_t number = 0;
  std::string name;
  std::string parent;  // empty: none given
  bool hasParent = false;
};

Status LineError(size_t number, const std::string& why) {
  return ParseError("line " + std::to_string(number) + ": " + why);
}

// One name at the front of `text`: quoted, or up to the next ":" (trimmed).
bool TakeName(std::string_view& text, std::string& name) {
  text = Trim(text);
  name.clear();
  if (!text.empty() && text.front() == '"') {
    size_t i = 1;
    for (; i < text.size(); ++i) {
      if (text[i] != '"') {
        name += text[i];
      } else if (i + 1 < text.size() && text[i + 1] == '"') {
        name += '"';
        ++i;
      } else {
        break;
      }
    }
    if (i >= text.size()) return false;
    text.remove_prefix(i + 1);
    return true;
  }
  const size_t colon = text.find(':');
  name = std::string(Trim(text.substr(0, colon)));
  text.remove_prefix(colon == std::string_view::npos ? text.size() : colon);
  return !name.empty();
}

Expected<Line> ParseNames(std::string_view rest, size_t number, bool parentRequired) {
  Line line;
  line.number = number;
  if (!TakeName(rest, line.name)) return LineError(number, "a name is missing or unfinished");
  rest = Trim(rest);
  if (!rest.empty()) {
    if (rest.front() != ':') return LineError(number, "expected \":\" after " + line.name);
    rest.remove_prefix(1);
    if (!TakeName(rest, line.parent)) return LineError(number, "a name is missing after \":\"");
    if (!Trim(rest).empty()) return LineError(number, "unexpected text after " + line.parent);
    line.hasParent = true;
  }
  if (parentRequired && !line.hasParent) {
    return LineError(number, "an attribute line names its class: attribute NAME : CLASS");
  }
  return line;
}

std::string Quoted(const std::string& name) {
  const bool plain = !name.empty() && name.find_first_of(":\"") == std::string::npos &&
                     Trim(name).size() == name.size() && name.front() != '#';
  if (plain) return name;
  return "\"" + ReplaceAll(name, "\"", "\"\"") + "\"";
}

}  // namespace

Expected<Taxonomy> ParseTaxonomy(std::string_view text,
                                 const std::vector<std::string>& attributes) {
  std::vector<Line> classes;
  std::vector<Line> attached;
  bool preprocessing = false;
  size_t number = 0;
  for (const std::string& raw : SplitFields(text, '\n')) {
    ++number;
    std::string_view line = Trim(raw);
    if (line.empty() || line.front() == '#') continue;
    const size_t blank = line.find_first_of(" \t");
    const std::string_view keyword = line.substr(0, blank);
    const std::string_view rest = blank == std::string_view::npos ? "" : line.substr(blank);
    if (keyword == "preprocessing") {
      const std::string_view value = Trim(rest);
      if (value != "on" && value != "off") return LineError(number, "preprocessing on or off");
      preprocessing = value == "on";
    } else if (keyword == "class" || keyword == "attribute") {
      auto parsed = ParseNames(rest, number, keyword == "attribute");
      if (!parsed) return parsed.status();
      (keyword == "class" ? classes : attached).push_back(parsed.value());
    } else {
      return LineError(number, "a line starts with class, attribute or preprocessing");
    }
  }

  Taxonomy taxonomy;
  taxonomy.SetAttributes(attributes);
  if (classes.empty()) return ParseError(kDefineTaxonomy);
  for (const Line& c : classes) {
    if (!taxonomy.AddClassName(c.name)) return LineError(c.number, "class " + c.name + " twice");
  }
  if (Status s = taxonomy.SetClasses(); !s.ok()) return s;
  const Line* root = nullptr;
  for (const Line& c : classes) {
    if (c.hasParent) continue;
    if (root != nullptr) {
      return LineError(c.number, "class " + c.name + " has no father, and " + root->name +
                                     " is the root already");
    }
    root = &c;
  }
  if (root == nullptr) return ParseError("no class is the root: one class line has no father");
  if (Status s = taxonomy.SetRoot(root->name); !s.ok()) return s;
  for (const Line& c : classes) {
    if (!c.hasParent) continue;
    if (Status s = taxonomy.AddChild(c.parent, c.name); !s.ok()) {
      return LineError(c.number, s.message());
    }
  }
  for (const Line& a : attached) {
    if (Status s = taxonomy.AddAttributes(a.parent, {a.name}); !s.ok()) {
      return LineError(a.number, s.message());
    }
  }
  taxonomy.SetPreprocessing(preprocessing);
  if (Status s = taxonomy.Close(); !s.ok()) return s;
  return taxonomy;
}

Expected<Taxonomy> ReadTaxonomyFile(const std::filesystem::path& path,
                                    const std::vector<std::string>& attributes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return IoError("cannot read " + path.string());
  std::ostringstream content;
  content << in.rdbuf();
  auto taxonomy = ParseTaxonomy(content.str(), attributes);
  if (!taxonomy) {
    return Status(taxonomy.status().code(),
                  path.filename().string() + ": " + taxonomy.status().message());
  }
  return taxonomy;
}

std::string TaxonomyText(const Taxonomy& taxonomy) {
  std::string text = "# QUARRY taxonomy\n";
  text += std::string("preprocessing ") + (taxonomy.Preprocessing() ? "on" : "off") + "\n";
  for (int c = 0; c < taxonomy.ClassCount(); ++c) {
    text += "class " + Quoted(taxonomy.ClassNames()[static_cast<size_t>(c)]);
    if (taxonomy.FatherOf(c) != Taxonomy::kNone) {
      text += " : " + Quoted(taxonomy.ClassNames()[static_cast<size_t>(taxonomy.FatherOf(c))]);
    }
    text += "\n";
  }
  for (int a = 0; a < taxonomy.AttributeCount(); ++a) {
    if (taxonomy.ClassOf(a) == Taxonomy::kNone) continue;
    text += "attribute " + Quoted(taxonomy.AttributeNames()[static_cast<size_t>(a)]) + " : " +
            Quoted(taxonomy.ClassNames()[static_cast<size_t>(taxonomy.ClassOf(a))]) + "\n";
  }
  return text;
}

Status WriteTaxonomyFile(const Taxonomy& taxonomy, const std::filesystem::path& path) {
  return WriteResultFile(path, TaxonomyText(taxonomy));
}

}  // namespace quarry::assoc
