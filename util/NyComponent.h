// The form model: every window is described, without any toolkit, as a tree of components.
//
// A component has a class name ("TSpeedButton", "TDBGrid", "TForm1"), a component name
// ("bLibOpen"), the components it owns in creation order, and its published properties in
// declaration order. The language walk (lang/NyLang.h) reads and writes the texts through this
// description only, so it runs without a display; the Qt views render the texts from the tree
// and follow its changes through OnChange.
//
// Property kinds and what the language walk does with them:
//   String     a text (Caption, Hint, Text): translated and dumped, unless named "Name".
//   Strings    a string list (Items, Lines): each item translated and dumped.
//   Columns    a data grid's column collection: each column's title translated and dumped.
//   Component  a reference to another component (DataSource, PopupMenu): the walk goes into
//              the referenced component's properties under that component's own names.
//   Object     any other object value (Font, Constraints): never looked into.
//   Value      anything else (Width, Checked, an enumeration, a field name), kept as text for
//              the views: ignored by the walk.
//
// Every component's first property is "Name" (kind String, the component name, read-only):
// language files and the dump for translators list it first.
//
// Errors: asking for a property that the component does not declare, or using it as another
// kind, throws ENyComponent. Indexes out of range throw ENyComponent too.
#pragma once

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace ny {

class ENyComponent : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

enum class TPropKind { String, Strings, Columns, Component, Object, Value };

// One column of a data grid. Only Title is a text; the rest is kept for the views and logic.
struct TNyColumn {
  std::string FieldName;
  std::string Title;  // the title caption
  int Width = 100;
  bool Visible = true;
  bool ReadOnly = false;
};

class TNyComponent;

struct TNyProperty {
  std::string Name;
  TPropKind Kind = TPropKind::Value;
  std::string Text;                // String and Value
  std::vector<std::string> Items;  // Strings
  std::vector<TNyColumn> Columns;  // Columns
  TNyComponent* Ref = nullptr;     // Component: not owned, may be null
  // A text the program sets itself at run time (a caption naming the open file, a count):
  // the language walk neither dumps nor translates it.
  bool ProgramText = false;
};

class TNyComponent {
 public:
  // Called after a property of `c` changed. `index` is the item or column index for a change
  // of one item or column, -1 for a change of the whole property.
  using TChangeEvent = std::function<void(TNyComponent& c, const std::string& property, int index)>;

  TNyComponent(std::string className, std::string name);
  ~TNyComponent();
  TNyComponent(const TNyComponent&) = delete;
  TNyComponent& operator=(const TNyComponent&) = delete;

  const std::string& ClassName() const { return className_; }
  const std::string& Name() const { return name_; }
  // The owning component; null for a form (the root of a tree).
  TNyComponent* Owner() const { return owner_; }
  // The root of the tree this component belongs to.
  TNyComponent& Form();

  // ---- ownership ---------------------------------------------------------------------

  // Creates a component owned by this one, after those created before it, and returns it.
  // Throws ENyComponent when a component of the same (non-empty) name already exists in the
  // tree of this component's form. Empty names are allowed any number of times.
  TNyComponent& Add(std::string className, std::string name);

  size_t ComponentCount() const { return components_.size(); }
  // Owned component number `i` in creation order; throws ENyComponent when out of range.
  TNyComponent& Component(size_t i) const;

  // The component of that name: this one or any it owns, directly or not, depth first.
  // Null when there is none or `name` is empty.
  TNyComponent* Find(std::string_view name);
  // Find, throwing ENyComponent when there is no such component.
  TNyComponent& Get(std::string_view name);

  // ---- declaring properties (in declaration order; a second property of the same name
  // ---- throws ENyComponent). Each returns *this so declarations can be chained.

  TNyComponent& AddString(std::string name, std::string value = "");
  TNyComponent& AddStrings(std::string name, std::vector<std::string> items = {});
  TNyComponent& AddColumns(std::string name, std::vector<TNyColumn> columns = {});
  // `target` may be null (an empty reference). It must outlive this component or be reset.
  TNyComponent& AddRef(std::string name, TNyComponent* target);
  TNyComponent& AddObject(std::string name);
  TNyComponent& AddValue(std::string name, std::string value = "");

  // Marks the declared String or Strings property `name` as a ProgramText; throws
  // ENyComponent when there is no such property of those kinds.
  TNyComponent& MarkProgramText(std::string_view name);

  const std::vector<TNyProperty>& Properties() const { return props_; }
  // The property of exactly that name (letter case counts), or null.
  const TNyProperty* Property(std::string_view name) const;

  // ---- reading and setting. Each setter fires OnChange when the value really changed. -----

  const std::string& Str(std::string_view name) const;
  // Throws ENyComponent for "Name", which is read-only.
  void SetStr(std::string_view name, std::string value);

  const std::vector<std::string>& Items(std::string_view name) const;
  void SetItems(std::string_view name, std::vector<std::string> items);
  // Replaces item `index` in place; throws ENyComponent when index >= count.
  void SetItem(std::string_view name, size_t index, std::string value);

  const std::vector<TNyColumn>& Columns(std::string_view name) const;
  void SetColumns(std::string_view name, std::vector<TNyColumn> columns);
  // Setters of one column; throw ENyComponent when index >= count.
  void SetColumnTitle(std::string_view name, size_t index, std::string title);
  void SetColumnWidth(std::string_view name, size_t index, int width);
  void SetColumnVisible(std::string_view name, size_t index, bool visible);

  TNyComponent* Ref(std::string_view name) const;
  void SetRef(std::string_view name, TNyComponent* target);

  const std::string& Value(std::string_view name) const;
  void SetValue(std::string_view name, std::string value);

  // Observer of changes of this component and of every component it owns, directly or not:
  // a change fires the changed component's OnChange, then its owner's, up to the form.
  TChangeEvent OnChange;

 private:
  TNyProperty& Declare(std::string name, TPropKind kind);
  TNyProperty& Prop(std::string_view name, TPropKind kind);
  const TNyProperty& Prop(std::string_view name, TPropKind kind) const;
  void Changed(const std::string& property, int index);

  std::string className_;
  std::string name_;
  TNyComponent* owner_ = nullptr;
  std::vector<std::unique_ptr<TNyComponent>> components_;
  std::vector<TNyProperty> props_;
};

}  // namespace ny
