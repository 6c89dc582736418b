#include "util/NyComponent.h"

#include <utility>

namespace ny {

namespace {

const char* KindName(TPropKind k) {
  switch (k) {
    case TPropKind::String:
      return "string";
    case TPropKind::Strings:
      return "string list";
    case TPropKind::Columns:
      return "column collection";
    case TPropKind::Component:
      return "component reference";
    case TPropKind::Object:
      return "object";
    case TPropKind::Value:
      return "value";
  }
  return "?";
}

}  // namespace

TNyComponent::TNyComponent(std::string className, std::string name)
    : className_(std::move(className)), name_(std::move(name)) {
  Declare("Name", TPropKind::String).Text = name_;
}

TNyComponent::~TNyComponent() = default;

TNyComponent& TNyComponent::Form() {
  TNyComponent* c = this;
  while (c->owner_ != nullptr) c = c->owner_;
  return *c;
}

TNyComponent& TNyComponent::Add(std::string className, std::string name) {
  if (!name.empty() && Form().Find(name) != nullptr) {
    throw ENyComponent("A component named " + name + " already exists");
  }
  auto c = std::make_unique<TNyComponent>(std::move(className), std::move(name));
  c->owner_ = this;
  components_.push_back(std::move(c));
  return *components_.back();
}

TNyComponent& TNyComponent::Component(size_t i) const {
  if (i >= components_.size()) {
    throw ENyComponent("Component index out of bounds (" + std::to_string(i) + ")");
  }
  return *components_[i];
}

TNyComponent* TNyComponent::Find(std::string_view name) {
  if (name.empty()) return nullptr;
  if (name_ == name) return this;
  for (auto& c : components_) {
    if (TNyComponent* f = c->Find(name)) return f;
  }
  return nullptr;
}

TNyComponent& TNyComponent::Get(std::string_view name) {
  TNyComponent* c = Find(name);
  if (c == nullptr) throw ENyComponent("Component " + std::string(name) + " not found");
  return *c;
}

TNyProperty& TNyComponent::Declare(std::string name, TPropKind kind) {
  if (Property(name) != nullptr) {
    throw ENyComponent(className_ + "." + name + " is declared twice");
  }
  TNyProperty p;
  p.Name = std::move(name);
  p.Kind = kind;
  props_.push_back(std::move(p));
  return props_.back();
}

TNyComponent& TNyComponent::AddString(std::string name, std::string value) {
  Declare(std::move(name), TPropKind::String).Text = std::move(value);
  return *this;
}

TNyComponent& TNyComponent::AddStrings(std::string name, std::vector<std::string> items) {
  Declare(std::move(name), TPropKind::Strings).Items = std::move(items);
  return *this;
}

TNyComponent& TNyComponent::AddColumns(std::string name, std::vector<TNyColumn> columns) {
  Declare(std::move(name), TPropKind::Columns).Columns = std::move(columns);
  return *this;
}

TNyComponent& TNyComponent::AddRef(std::string name, TNyComponent* target) {
  Declare(std::move(name), TPropKind::Component).Ref = target;
  return *this;
}

TNyComponent& TNyComponent::AddObject(std::string name) {
  Declare(std::move(name), TPropKind::Object);
  return *this;
}

TNyComponent& TNyComponent::AddValue(std::string name, std::string value) {
  Declare(std::move(name), TPropKind::Value).Text = std::move(value);
  return *this;
}

TNyComponent& TNyComponent::MarkProgramText(std::string_view name) {
  const TNyProperty* p = Property(name);
  if (p != nullptr && p->Kind == TPropKind::Strings) {
    Prop(name, TPropKind::Strings).ProgramText = true;
  } else {
    Prop(name, TPropKind::String).ProgramText = true;
  }
  return *this;
}

const TNyProperty* TNyComponent::Property(std::string_view name) const {
  for (const TNyProperty& p : props_) {
    if (p.Name == name) return &p;
  }
  return nullptr;
}

const TNyProperty& TNyComponent::Prop(std::string_view name, TPropKind kind) const {
  const TNyProperty* p = Property(name);
  if (p == nullptr) {
    throw ENyComponent(className_ + " " + name_ + " has no property " + std::string(name));
  }
  if (p->Kind != kind) {
    throw ENyComponent(className_ + "." + std::string(name) + " is not a " + KindName(kind));
  }
  return *p;
}

TNyProperty& TNyComponent::Prop(std::string_view name, TPropKind kind) {
  return const_cast<TNyProperty&>(std::as_const(*this).Prop(name, kind));
}

void TNyComponent::Changed(const std::string& property, int index) {
  // Copy the name: an observer may declare properties, which moves the vector.
  const std::string prop = property;
  for (TNyComponent* c = this; c != nullptr; c = c->owner_) {
    if (c->OnChange) c->OnChange(*this, prop, index);
  }
}

const std::string& TNyComponent::Str(std::string_view name) const {
  return Prop(name, TPropKind::String).Text;
}

void TNyComponent::SetStr(std::string_view name, std::string value) {
  TNyProperty& p = Prop(name, TPropKind::String);
  if (p.Name == "Name") throw ENyComponent("The component name cannot be changed");
  if (p.Text == value) return;
  p.Text = std::move(value);
  Changed(p.Name, -1);
}

const std::vector<std::string>& TNyComponent::Items(std::string_view name) const {
  return Prop(name, TPropKind::Strings).Items;
}

void TNyComponent::SetItems(std::string_view name, std::vector<std::string> items) {
  TNyProperty& p = Prop(name, TPropKind::Strings);
  if (p.Items == items) return;
  p.Items = std::move(items);
  Changed(p.Name, -1);
}

void TNyComponent::SetItem(std::string_view name, size_t index, std::string value) {
  TNyProperty& p = Prop(name, TPropKind::Strings);
  if (index >= p.Items.size()) {
    throw ENyComponent("List index out of bounds (" + std::to_string(index) + ")");
  }
  if (p.Items[index] == value) return;
  p.Items[index] = std::move(value);
  Changed(p.Name, static_cast<int>(index));
}

const std::vector<TNyColumn>& TNyComponent::Columns(std::string_view name) const {
  return Prop(name, TPropKind::Columns).Columns;
}

void TNyComponent::SetColumns(std::string_view name, std::vector<TNyColumn> columns) {
  TNyProperty& p = Prop(name, TPropKind::Columns);
  p.Columns = std::move(columns);
  Changed(p.Name, -1);
}

namespace {

TNyColumn& ColumnAt(TNyProperty& p, size_t index) {
  if (index >= p.Columns.size()) {
    throw ENyComponent("Column index out of bounds (" + std::to_string(index) + ")");
  }
  return p.Columns[index];
}

}  // namespace

void TNyComponent::SetColumnTitle(std::string_view name, size_t index, std::string title) {
  TNyProperty& p = Prop(name, TPropKind::Columns);
  TNyColumn& c = ColumnAt(p, index);
  if (c.Title == title) return;
  c.Title = std::move(title);
  Changed(p.Name, static_cast<int>(index));
}

void TNyComponent::SetColumnWidth(std::string_view name, size_t index, int width) {
  TNyProperty& p = Prop(name, TPropKind::Columns);
  TNyColumn& c = ColumnAt(p, index);
  if (c.Width == width) return;
  c.Width = width;
  Changed(p.Name, static_cast<int>(index));
}

void TNyComponent::SetColumnVisible(std::string_view name, size_t index, bool visible) {
  TNyProperty& p = Prop(name, TPropKind::Columns);
  TNyColumn& c = ColumnAt(p, index);
  if (c.Visible == visible) return;
  c.Visible = visible;
  Changed(p.Name, static_cast<int>(index));
}

TNyComponent* TNyComponent::Ref(std::string_view name) const {
  return Prop(name, TPropKind::Component).Ref;
}

void TNyComponent::SetRef(std::string_view name, TNyComponent* target) {
  TNyProperty& p = Prop(name, TPropKind::Component);
  if (p.Ref == target) return;
  p.Ref = target;
  Changed(p.Name, -1);
}

const std::string& TNyComponent::Value(std::string_view name) const {
  return Prop(name, TPropKind::Value).Text;
}

void TNyComponent::SetValue(std::string_view name, std::string value) {
  TNyProperty& p = Prop(name, TPropKind::Value);
  if (p.Text == value) return;
  p.Text = std::move(value);
  Changed(p.Name, -1);
}

}  // namespace ny
