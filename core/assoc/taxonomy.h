#pragma once
// The taxonomy of generalized association rules: named classes in a hierarchy under one root,
// with the input table's columns (the attributes) attached to classes. A transaction then also
// holds every class above each of its items. This is the model behind the "TaxWin" window: its
// editing steps, the checks of its "Close" button with their messages, and the lists and
// figures it shows; the miner uses Ancestors and ContainsItemAndAncestor.
//
// Item positions: attributes 0..F-1, classes F..F+C-1 in class order.

#include <string>
#include <vector>

#include "core/assoc/itemset.h"
#include "core/common/status.h"

namespace quarry::assoc {

inline constexpr const char* kDefineTaxonomy = "Define a Taxonomy of Attributes,please";
inline constexpr const char* kSelectATable = "Select a Table";
inline constexpr const char* kNoClassName = "There isn't any class name";
inline constexpr const char* kNodeWithoutLeaves = "There  are some node without associated leaves";
inline constexpr const char* kAttributesNeedLeaf =
    "All are must be associated to a leaf in the hierarchy";
inline constexpr const char* kClassesNeedFather =
    "All classes must have a father node in the hierarchy";

struct TaxonomyFigures {
  int numClasses = 0;
  int numAttributes = 0;
  // Mean over the attributes of the number of classes on the way up to the root (an attribute
  // of the root has depth 1).
  float averageDepth = 0.0f;
  // Children (classes and attributes) per class: (C - 1 + F) / C.
  float averageSons = 0.0f;
  // Average Depth / Average Sons: above 1 for tall, thin hierarchies, below 1 for flat, bushy ones.
  float stretching = 0.0f;
};

class Taxonomy {
 public:
  static constexpr int kNone = -1;

  // The input table's columns. Other names than before detach every attribute (the classes and
  // their links stay) and the taxonomy must be closed again.
  void SetAttributes(const std::vector<std::string>& names);

  // --- editing, as the "TaxWin" buttons do it ---
  // "->": adds a typed class name unless it is empty, entered already, or the classes are set.
  bool AddClassName(const std::string& name);
  // "Set": the entered names become the classes, every class is available, every attribute
  // unattached, the links cleared. kNoClassName when no name was entered.
  Status SetClasses();
  // "Set Root": the class becomes the root and leaves the available classes.
  Status SetRoot(const std::string& className);
  // "Add children": an available class becomes a child of `father` and is no longer available.
  // A class is never placed below itself.
  Status AddChild(const std::string& father, const std::string& child);
  // "Add attributes": available attributes are attached to a class.
  Status AddAttributes(const std::string& className, const std::vector<std::string>& attributes);
  // "Ancestors pre-processing": with it on, Close computes every position's ancestors once.
  void SetPreprocessing(bool on);
  // "Reset All": no classes, no links, nothing entered.
  void ResetAll();
  // "Close": the first failing check's message (kNodeWithoutLeaves, kAttributesNeedLeaf,
  // kClassesNeedFather, in this order), or ok and the taxonomy is complete.
  Status Close();
  // What Close would answer, without closing.
  Status Check() const;

  // --- what the windows list ---
  const std::vector<std::string>& EnteredClassNames() const { return entered_; }
  bool ClassesSet() const { return classesSet_; }
  bool RootSet() const { return root_ != kNone; }
  bool Preprocessing() const { return preprocessing_; }
  std::vector<std::string> ClassesAvailable() const;
  std::vector<std::string> AttributesAvailable() const;
  // Classes with at least one child class / with at least one attribute, in class order.
  std::vector<std::string> Fathers() const;
  std::vector<std::string> Leaves() const;
  std::vector<std::string> Sons(const std::string& className) const;
  std::vector<std::string> Attributes(const std::string& className) const;

  // --- the hierarchy ---
  bool Empty() const { return classes_.empty(); }
  // Closed successfully and unchanged since.
  bool Complete() const { return complete_; }
  int ClassCount() const { return static_cast<int>(classes_.size()); }
  int AttributeCount() const { return static_cast<int>(attributes_.size()); }
  const std::vector<std::string>& ClassNames() const { return classes_; }
  const std::vector<std::string>& AttributeNames() const { return attributes_; }
  int ClassIndex(const std::string& name) const;
  int AttributeIndex(const std::string& name) const;
  int Root() const { return root_; }
  int FatherOf(int cls) const { return father_[static_cast<size_t>(cls)]; }
  int ClassOf(int attribute) const { return classOf_[static_cast<size_t>(attribute)]; }

  // C bytes: 1 for the start class (the position's own class, or the class it is) and every
  // class above it up to the root.
  ItemVector Ancestors(int position) const;
  // For the two items of a 2-itemset (M bytes): whether one is an ancestor class of the other.
  // Two attributes never are.
  bool ContainsItemAndAncestor(const ItemVector& items) const;

  TaxonomyFigures Figures() const;

 private:
  void Changed() { complete_ = false; }
  ItemVector WalkUp(int cls) const;
  bool HasChildClass(int cls) const;
  bool HasAttribute(int cls) const;

  std::vector<std::string> attributes_;
  std::vector<std::string> entered_;  // "Class Names" before "Set"
  bool classesSet_ = false;
  std::vector<std::string> classes_;
  std::vector<int> father_;      // per class
  std::vector<bool> available_;  // per class: not yet placed
  std::vector<int> classOf_;     // per attribute
  int root_ = kNone;
  bool preprocessing_ = false;
  bool complete_ = false;
  std::vector<ItemVector> precomputed_;  // per position, when preprocessing was on at Close
  TaxonomyFigures figures_;
};

}  // namespace quarry::assoc
