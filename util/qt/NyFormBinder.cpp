#include "util/qt/NyFormBinder.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QStackedWidget>
#include <QStandardItemModel>
#include <QTableView>
#include <cstdlib>

namespace ny {

namespace {

QString Q(const std::string& s) {
  return QString::fromStdString(s);
}

// A string property's text, "" when the component does not declare it.
std::string StrOr(const TNyComponent& c, const char* name) {
  const TNyProperty* p = c.Property(name);
  return p != nullptr && p->Kind == TPropKind::String ? p->Text : std::string();
}

std::string ValueOr(const TNyComponent& c, const char* name, const char* def) {
  const TNyProperty* p = c.Property(name);
  return p != nullptr && p->Kind == TPropKind::Value ? p->Text : std::string(def);
}

}  // namespace

TNyFormBinder::~TNyFormBinder() {
  Detach();
}

void TNyFormBinder::Bind(const std::string& name, QWidget* widget) {
  widget->setObjectName(Q(name));
  widgets_[name] = widget;
  if (QTableView* view = qobject_cast<QTableView*>(widget)) {
    // A width the user drags goes into the model.
    QObject::connect(view->horizontalHeader(), &QHeaderView::sectionResized, view,
                     [this, name](int index, int, int size) {
                       if (rendering_ || form_ == nullptr) return;
                       TNyComponent* c = form_->Find(name);
                       if (c == nullptr || index < 0) return;
                       const auto& cols = c->Columns("Columns");
                       if (static_cast<size_t>(index) >= cols.size() || size <= 0) return;
                       c->SetColumnWidth("Columns", static_cast<size_t>(index), size);
                     });
  }
}

void TNyFormBinder::Attach(TNyComponent& form) {
  Detach();
  form_ = &form;
  form.OnChange = [this](TNyComponent& c, const std::string&, int) { Render(c); };
  Render(form);
  for (auto& [name, widget] : widgets_) {
    if (TNyComponent* c = form.Find(name); c != nullptr && c != &form) Render(*c);
  }
}

void TNyFormBinder::Detach() {
  if (form_ != nullptr) form_->OnChange = nullptr;
  form_ = nullptr;
}

QWidget* TNyFormBinder::Widget(const std::string& name) const {
  auto it = widgets_.find(name);
  return it == widgets_.end() ? nullptr : it->second.data();
}

void TNyFormBinder::Render(TNyComponent& c) {
  QWidget* w = Widget(c.Name());
  if (w == nullptr) return;
  rendering_ = true;
  const QString caption = Q(StrOr(c, "Caption"));
  w->setToolTip(Q(StrOr(c, "Hint")));
  if (c.Owner() == nullptr) {
    w->setWindowTitle(caption);
  } else if (auto* label = qobject_cast<QLabel*>(w)) {
    label->setText(caption);
  } else if (auto* box = qobject_cast<QCheckBox*>(w)) {
    box->setText(caption);
    box->setChecked(ValueOr(c, "Checked", "False") == "True");
  } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
    button->setText(caption);
  } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
    group->setTitle(caption);
  } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
    const QString text = Q(StrOr(c, "Text"));
    if (edit->text() != text) edit->setText(text);
  } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
    QStringList items;
    if (const TNyProperty* p = c.Property("Items"); p != nullptr && p->Kind == TPropKind::Strings) {
      for (const std::string& s : p->Items) items << Q(s);
    }
    QStringList shown;
    for (int i = 0; i < combo->count(); ++i) shown << combo->itemText(i);
    if (shown != items) {
      combo->clear();
      combo->addItems(items);
    }
    const int index = std::atoi(ValueOr(c, "ItemIndex", "-1").c_str());
    combo->setCurrentIndex(index >= 0 && index < combo->count() ? index : -1);
  } else if (auto* pages = qobject_cast<QStackedWidget*>(w)) {
    const QString page = Q(StrOr(c, "ActivePage"));
    for (int i = 0; i < pages->count(); ++i) {
      if (pages->widget(i)->objectName() == page) pages->setCurrentIndex(i);
    }
  } else if (auto* view = qobject_cast<QTableView*>(w)) {
    RenderGrid(c, view);
  }
  rendering_ = false;
}

void TNyFormBinder::RenderGrid(TNyComponent& c, QTableView* view) {
  const TNyProperty* p = c.Property("Columns");
  if (p == nullptr || p->Kind != TPropKind::Columns) return;
  const auto& cols = p->Columns;
  if (view->model() == nullptr) {
    view->setModel(new QStandardItemModel(0, static_cast<int>(cols.size()), view));
  }
  QAbstractItemModel* model = view->model();
  for (size_t i = 0; i < cols.size(); ++i) {
    const int col = static_cast<int>(i);
    if (col >= model->columnCount()) break;
    model->setHeaderData(col, Qt::Horizontal, Q(cols[i].Title));
    if (cols[i].Width > 0) view->horizontalHeader()->resizeSection(col, cols[i].Width);
    view->setColumnHidden(col, !cols[i].Visible);
  }
}

}  // namespace ny
