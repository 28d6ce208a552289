#include "core/assoc/taxonomy.h"

#include <algorithm>

namespace quarry::assoc {

namespace {

int IndexOf(const std::vector<std::string>& names, const std::string& name) {
  auto it = std::find(names.begin(), names.end(), name);
  return it == names.end() ? Taxonomy::kNone : static_cast<int>(it - names.begin());
}

}  // namespace

int Taxonomy::ClassIndex(const std::string& name) const { return IndexOf(classes_, name); }

int Taxonomy::AttributeIndex(const std::string& name) const { return IndexOf(attributes_, name); }

void Taxonomy::SetAttributes(const std::vector<std::string>& names) {
  if (names == attributes_) return;
  attributes_ = names;
  classOf_.assign(attributes_.size(), kNone);
  precomputed_.clear();
  Changed();
}

bool Taxonomy::AddClassName(const std::string& name) {
  if (classesSet_ || name.empty() || IndexOf(entered_, name) != kNone) return false;
  entered_.push_back(name);
  return true;
}

Status Taxonomy::SetClasses() {
  if (entered_.empty()) return InvalidArgument(kNoClassName);
  classesSet_ = true;
  classes_ = entered_;
  father_.assign(classes_.size(), kNone);
  available_.assign(classes_.size(), true);
  classOf_.assign(attributes_.size(), kNone);
  root_ = kNone;
  precomputed_.clear();
  Changed();
  return Status::Ok();
}

Status Taxonomy::SetRoot(const std::string& className) {
  if (!classesSet_) return InvalidArgument("Set the classes first");
  const int cls = ClassIndex(className);
  if (cls == kNone) return NotFound("there is no class " + className);
  if (root_ != kNone) return InvalidArgument("the root is " + classes_[static_cast<size_t>(root_)]);
  root_ = cls;
  available_[static_cast<size_t>(cls)] = false;
  Changed();
  return Status::Ok();
}

Status Taxonomy::AddChild(const std::string& father, const std::string& child) {
  if (root_ == kNone) return InvalidArgument("Set the root first");
  const int f = ClassIndex(father);
  if (f == kNone) return NotFound("there is no class " + father);
  const int c = ClassIndex(child);
  if (c == kNone) return NotFound("there is no class " + child);
  if (!available_[static_cast<size_t>(c)]) {
    return InvalidArgument("class " + child + " has its place in the hierarchy already");
  }
  // The child is unplaced but may have children of its own: the father must not be among them,
  // or the classes would form a ring with no way up to the root.
  for (int up = f, steps = 0; up != kNone && steps <= ClassCount(); up = FatherOf(up), ++steps) {
    if (up == c) return InvalidArgument("class " + child + " cannot be placed below itself");
  }
  father_[static_cast<size_t>(c)] = f;
  available_[static_cast<size_t>(c)] = false;
  Changed();
  return Status::Ok();
}

Status Taxonomy::AddAttributes(const std::string& className,
                               const std::vector<std::string>& attributes) {
  if (root_ == kNone) return InvalidArgument("Set the root first");
  const int cls = ClassIndex(className);
  if (cls == kNone) return NotFound("there is no class " + className);
  // All or nothing: a refused name leaves every attribute where it was.
  std::vector<int> chosen;
  for (const std::string& name : attributes) {
    const int a = AttributeIndex(name);
    if (a == kNone) return NotFound(name + " is not an attribute of the table");
    if (classOf_[static_cast<size_t>(a)] != kNone) {
      return InvalidArgument("attribute " + name + " is attached to a class already");
    }
    chosen.push_back(a);
  }
  for (int a : chosen) classOf_[static_cast<size_t>(a)] = cls;
  if (!chosen.empty()) Changed();
  return Status::Ok();
}

void Taxonomy::SetPreprocessing(bool on) {
  if (on == preprocessing_) return;
  preprocessing_ = on;
  precomputed_.clear();
  Changed();
}

void Taxonomy::ResetAll() {
  entered_.clear();
  classesSet_ = false;
  classes_.clear();
  father_.clear();
  available_.clear();
  classOf_.assign(attributes_.size(), kNone);
  root_ = kNone;
  precomputed_.clear();
  figures_ = TaxonomyFigures{};
  Changed();
}

bool Taxonomy::HasChildClass(int cls) const {
  return std::find(father_.begin(), father_.end(), cls) != father_.end();
}

bool Taxonomy::HasAttribute(int cls) const {
  return std::find(classOf_.begin(), classOf_.end(), cls) != classOf_.end();
}

Status Taxonomy::Check() const {
  // A class that is neither a father nor a leaf has nothing below it: every class with attributes
  // below it is one or the other.
  for (int c = 0; c < ClassCount(); ++c) {
    if (!HasChildClass(c) && !HasAttribute(c)) return InvalidArgument(kNodeWithoutLeaves);
  }
  if (classesSet_ && std::find(classOf_.begin(), classOf_.end(), kNone) != classOf_.end()) {
    return InvalidArgument(kAttributesNeedLeaf);
  }
  if (std::find(available_.begin(), available_.end(), true) != available_.end()) {
    return InvalidArgument(kClassesNeedFather);
  }
  return Status::Ok();
}

Status Taxonomy::Close() {
  if (Status s = Check(); !s.ok()) return s;
  complete_ = true;
  precomputed_.clear();
  if (preprocessing_) {
    std::vector<ItemVector> all;
    for (int p = 0; p < AttributeCount() + ClassCount(); ++p) all.push_back(Ancestors(p));
    precomputed_ = std::move(all);
  }
  figures_ = TaxonomyFigures{};
  figures_.numClasses = ClassCount();
  figures_.numAttributes = AttributeCount();
  if (ClassCount() > 0) {
    double depth = 0.0;
    for (int a = 0; a < AttributeCount(); ++a) {
      const ItemVector up = Ancestors(a);
      depth += static_cast<double>(std::count(up.begin(), up.end(), 1));
    }
    if (AttributeCount() > 0) figures_.averageDepth = static_cast<float>(depth / AttributeCount());
    figures_.averageSons =
        static_cast<float>(static_cast<double>(ClassCount() - 1 + AttributeCount()) / ClassCount());
    if (figures_.averageSons > 0.0f) {
      figures_.stretching = figures_.averageDepth / figures_.averageSons;
    }
  }
  return Status::Ok();
}

TaxonomyFigures Taxonomy::Figures() const {
  if (complete_) return figures_;
  TaxonomyFigures figures;
  figures.numClasses = ClassCount();
  figures.numAttributes = classesSet_ ? AttributeCount() : 0;
  return figures;
}

std::vector<std::string> Taxonomy::ClassesAvailable() const {
  std::vector<std::string> out;
  for (int c = 0; c < ClassCount(); ++c) {
    if (available_[static_cast<size_t>(c)]) out.push_back(classes_[static_cast<size_t>(c)]);
  }
  return out;
}

std::vector<std::string> Taxonomy::AttributesAvailable() const {
  std::vector<std::string> out;
  if (!classesSet_) return out;
  for (int a = 0; a < AttributeCount(); ++a) {
    if (classOf_[static_cast<size_t>(a)] == kNone)
      out.push_back(attributes_[static_cast<size_t>(a)]);
  }
  return out;
}

std::vector<std::string> Taxonomy::Fathers() const {
  std::vector<std::string> out;
  for (int c = 0; c < ClassCount(); ++c) {
    if (HasChildClass(c)) out.push_back(classes_[static_cast<size_t>(c)]);
  }
  return out;
}

std::vector<std::string> Taxonomy::Leaves() const {
  std::vector<std::string> out;
  for (int c = 0; c < ClassCount(); ++c) {
    if (HasAttribute(c)) out.push_back(classes_[static_cast<size_t>(c)]);
  }
  return out;
}

std::vector<std::string> Taxonomy::Sons(const std::string& className) const {
  std::vector<std::string> out;
  const int cls = ClassIndex(className);
  if (cls == kNone) return out;
  for (int c = 0; c < ClassCount(); ++c) {
    if (FatherOf(c) == cls) out.push_back(classes_[static_cast<size_t>(c)]);
  }
  return out;
}

std::vector<std::string> Taxonomy::Attributes(const std::string& className) const {
  std::vector<std::string> out;
  const int cls = ClassIndex(className);
  if (cls == kNone) return out;
  for (int a = 0; a < AttributeCount(); ++a) {
    if (ClassOf(a) == cls) out.push_back(attributes_[static_cast<size_t>(a)]);
  }
  return out;
}

ItemVector Taxonomy::WalkUp(int cls) const {
  ItemVector marks(classes_.size(), 0);
  // AddChild keeps rings out; the step limit only guards a walk from a half-built hierarchy.
  for (int steps = 0; cls != kNone && steps < ClassCount(); ++steps) {
    marks[static_cast<size_t>(cls)] = 1;
    if (cls == root_) break;
    cls = FatherOf(cls);
  }
  return marks;
}

ItemVector Taxonomy::Ancestors(int position) const {
  if (position < 0 || position >= AttributeCount() + ClassCount()) {
    return ItemVector(classes_.size(), 0);
  }
  if (!precomputed_.empty()) return precomputed_[static_cast<size_t>(position)];
  const int start = position >= AttributeCount() ? position - AttributeCount() : ClassOf(position);
  return WalkUp(start);
}

bool Taxonomy::ContainsItemAndAncestor(const ItemVector& items) const {
  const ItemPositions pair = ToPositions(items);
  if (pair.size() != 2) return false;
  const int f = AttributeCount();
  const int p1 = pair[0];
  const int p2 = pair[1];
  if (p2 < f) return false;
  if (p1 < f) return Ancestors(p1)[static_cast<size_t>(p2 - f)] == 1;
  return Ancestors(p1)[static_cast<size_t>(p2 - f)] == 1 ||
         Ancestors(p2)[static_cast<size_t>(p1 - f)] == 1;
}

}  // namespace quarry::assoc
