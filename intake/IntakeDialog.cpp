#include "intake/IntakeDialog.h"

#include <utility>

#include "lang/NyLang.h"
#include "util/NyApi.h"
#include "util/NyCurrentDir.h"

namespace ny {

namespace {

constexpr const char* kLabel = "Label1";
constexpr const char* kCombo = "ComboBox1";
constexpr const char* kList = "FileList";
constexpr const char* kGrid = "DBGrid1";
constexpr const char* kCheck = "CheckBox1";

TNyColumn Column(const char* field, const char* title, int width, bool visible) {
  TNyColumn c;
  c.FieldName = field;
  c.Title = title;
  c.Width = width;
  c.Visible = visible;
  c.ReadOnly = true;
  return c;
}

bool Colored(const std::string& control) {
  return control == kCombo || control == kList || control == kGrid;
}

}  // namespace

const std::vector<std::string>& IntakeMasks(TIntakeKind kind) {
  static const std::vector<std::string> imp = {
      "*.txt", "*.htm;*.html", "*.doc;*.rtf;*.xls;*.ppt", "*.pdf",
      "*.txt;*.htm;*.html;*.doc;*.rtf;*.xls;*.ppt;*.pdf", "*.*"};
  static const std::vector<std::string> arc = {"*.zip", "*.rar", "*.zip;*.rar", "*.*"};
  return kind == TIntakeKind::Imp ? imp : arc;
}

std::unique_ptr<TNyComponent> MakeIntakeModel(TIntakeKind kind) {
  const bool imp = kind == TIntakeKind::Imp;
  auto form = std::make_unique<TNyComponent>(imp ? "TfImp" : "TfArc", imp ? "fImp" : "fArc");
  TNyComponent& f = *form;
  f.AddString("Caption", imp ? "Append document in library" : "Import archive in library")
      .AddObject("Font")
      .AddString("Hint")
      .AddValue("KeyPreview", "True")
      .AddValue("Position", "poScreenCenter")
      .AddValue("Width", "560")
      .AddValue("Height", "420");
  f.Add("TLabel", kLabel)
      .AddString("Caption", ". . . . . . . . . . . . .")
      .AddObject("Font")
      .AddString("Hint");
  f.Add("TComboBox", kCombo)
      .AddString("Hint")
      .AddString("ImeName")
      .AddStrings("Items", IntakeMasks(kind))
      .AddString("Text")
      .AddValue("ItemIndex", "-1");
  f.Add("TNyFileListBox", kList)
      .AddString("FileMask", "*.*")
      .AddString("FilePath")
      .AddString("Hint", imp ? "Select file document" : "Select file archive")
      .AddString("ImeName")
      .AddValue("MultiSelect", "True")
      .AddValue("Sorted", "True");
  f.Add("TDBGrid", kGrid)
      .AddColumns("Columns", {Column("NAM", "Subject", 200, true), Column("DIR", "DIR", 100, false)})
      .AddRef("DataSource", nullptr)
      .AddObject("Font")
      .AddString("Hint", "Select subject")
      .AddString("ImeName");
  f.Add("TBitBtn", "BitBtn1").AddString("Caption").AddString("Hint", "Execute");
  f.Add("TCheckBox", kCheck)
      .AddString("Caption", imp ? "&Delete source document after append"
                                : "&Delete source archive after append")
      .AddValue("Checked", "False")
      .AddString("Hint", "Set default in Options")
      .AddValue("TabStop", "False");
  return form;
}

TfIntake::TfIntake(TIntakeKind kind, TIntakeView& view, TIntakeRequest request)
    : kind_(kind), view_(view), request_(std::move(request)), model_(MakeIntakeModel(kind)) {
  fileList_.OnChangeDir = [this](TNyFileListBox&, const std::string&, const std::string& dir,
                                 bool& canPrev) {
    OnChangeDir(dir);
    canPrev = true;
  };
}

const std::string& TfIntake::MaskText() const {
  return model_->Get(kCombo).Str("Text");
}

bool TfIntake::DeleteSource() const {
  return model_->Get(kCheck).Value("Checked") == "True";
}

void TfIntake::OnChangeDir(const std::string& directory) {
  model_->Get(kLabel).SetStr("Caption", directory);
}

void TfIntake::Prepare() {
  if (LangDump) TranslateForm(*model_, "Dbg", false);
  TranslateForm(*model_, request_.LangCode, true);
  CheckBox1Click(request_.DeleteSource);
  TNyComponent& combo = model_->Get(kCombo);
  const std::vector<std::string>& items = combo.Items("Items");
  combo.SetValue("ItemIndex", items.empty() ? "-1" : "0");
  combo.SetStr("Text", items.empty() ? std::string() : items.front());
  fileList_.SetFilePath(request_.StartDir);
  fileList_.SetFileMask(MaskText());
}

void TfIntake::Open() {
  Prepare();
  view_.ShowModal(*this);
}

void TfIntake::ComboBox1Select(int index) {
  TNyComponent& combo = model_->Get(kCombo);
  const std::vector<std::string>& items = combo.Items("Items");
  if (index < 0 || static_cast<size_t>(index) >= items.size()) return;
  combo.SetValue("ItemIndex", std::to_string(index));
  combo.SetStr("Text", items[static_cast<size_t>(index)]);
  ComboBox1Click();
}

void TfIntake::ComboBox1Change(const std::string& text) {
  model_->Get(kCombo).SetStr("Text", text);
}

void TfIntake::ComboBox1Click() {
  const int before = fileList_.FillCount();
  fileList_.SetFileMask(MaskText());
  if (fileList_.FillCount() == before) fileList_.FillList();
}

void TfIntake::ComboBox1KeyPress(char& key) {
  if (key != kIntakeKeyEnter) return;
  key = 0;
  ComboBox1Click();
}

void TfIntake::DBGrid1KeyPress(char& key) {
  if (key != kIntakeKeyTab) return;
  key = 0;
  view_.FocusNext();
}

void TfIntake::DBGrid1Select(int row) {
  TNyDataSet* s = request_.Subjects;
  if (s == nullptr || !s->Active() || row < 0 || row >= s->RecordCount()) return;
  if (s->RecNo() != row + 1) s->SetRecNo(row + 1);
}

void TfIntake::FormKeyPress(char& key) {
  if (key != kIntakeKeyEscape) return;
  key = 0;
  view_.Close();
}

void TfIntake::ControlEnter(const std::string& control) {
  if (Colored(control)) view_.SetColor(control, TNyColor::clInfoBk);
}

void TfIntake::ControlExit(const std::string& control) {
  if (Colored(control)) view_.SetColor(control, TNyColor::clWindow);
  if (control == kCombo) ComboBox1Click();
}

void TfIntake::CheckBox1Click(bool checked) {
  model_->Get(kCheck).SetValue("Checked", checked ? "True" : "False");
}

std::string TfIntake::SubjectField(const char* name) const {
  TNyDataSet* s = request_.Subjects;
  if (s == nullptr || !s->Active() || s->IsEmpty()) return "";
  const TNyField* f = s->FindField(name);
  return f != nullptr ? f->AsString() : std::string();
}

void TfIntake::BitBtn1Click() {
  if (!request_.Work) return;
  // The picked files, taken before any work runs: the work may delete them.
  std::vector<std::string> names;
  for (const TNyFileItem& item : fileList_.Items()) {
    if (item.Selected && item.Kind == 'f') names.push_back(item.Name);
  }
  const std::string dir = AddBackslash(fileList_.FilePath());
  const int total = static_cast<int>(names.size());
  {
    TNyProgress progress(total > kProgressAbove ? view_.Progress() : nullptr,
                         model_->Str("Caption"), total);
    for (const std::string& name : names) {
      progress.Begin(name);
      TIntakeItem item;
      item.Path = dir + name;
      item.SubjectName = SubjectField("NAM");
      item.SubjectDir = SubjectField("DIR");
      item.DeleteSource = DeleteSource();
      request_.Work(item);
      if (!progress.End()) break;
    }
  }
  fileList_.FillList();
}

void RunIntakeDialog(TIntakeKind kind, TIntakeView& view, const TIntakeRequest& request) {
  TNyCurrentDirGuard cwd;
  TfIntake dialog(kind, view, request);
  dialog.Open();
}

}  // namespace ny
