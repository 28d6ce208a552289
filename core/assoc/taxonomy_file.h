#pragma once
// The taxonomy as a text file, so that generalized rules can be mined without the "TaxWin"
// window (docs/taxonomy_file.md):
//
//   # lines starting with # are comments
//   preprocessing on
//   class Products
//   class Food : Products
//   attribute bread : Food
//
// "class" lines give the classes in class order; the one class without ": FATHER" is the root.
// "attribute" lines attach a column of the table to a class. A name holding ":" or '"', or
// starting or ending with a blank, is written in quotes ("" for a quote inside).
//
// Reading replays the steps of the window, so a file is accepted exactly when the window would
// close on the same taxonomy, with the same messages; line errors name the line.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/assoc/taxonomy.h"
#include "core/common/status.h"

namespace quarry::assoc {

// A complete taxonomy of the given attributes (the input table's columns) from the text.
Expected<Taxonomy> ParseTaxonomy(std::string_view text, const std::vector<std::string>& attributes);
Expected<Taxonomy> ReadTaxonomyFile(const std::filesystem::path& path,
                                    const std::vector<std::string>& attributes);

std::string TaxonomyText(const Taxonomy& taxonomy);
Status WriteTaxonomyFile(const Taxonomy& taxonomy, const std::filesystem::path& path);

}  // namespace quarry::assoc
