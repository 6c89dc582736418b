// vellumctl lib create|list|subjects|set: a library made, listed, its subjects shown and a
// document edited as the window does it.
#include <cstdint>
#include <iostream>

#include "app/Form1Model.h"
#include "app/LibText.h"
#include "ctl/LibCommand.h"
#include "sqlite/NyValue.h"
#include "util/NyApi.h"

namespace vellumctl {

namespace {

constexpr const char* kCreateUsage = "vellumctl lib create LIB";
constexpr const char* kListUsage = "vellumctl lib list LIB [--search TEXT] [--in FIELDS] [--sort N]";
constexpr const char* kSubjectsUsage = "vellumctl lib subjects LIB";
constexpr const char* kSetUsage = "vellumctl lib set LIB ROWID FIELD=VALUE...";

// The words of --in and the boxes they check.
struct TInField {
  const char* Word;
  const char* Box;
};
constexpr TInField kInFields[] = {{"author", "chFindAut"},   {"name", "chFindNam"},
                                  {"subject", "chFindSub"},  {"filename", "chFindFil"},
                                  {"archname", "chFindArc"}, {"text", "chFindTxt"}};

const char* StateWord(ny::TArchiveState s) {
  switch (s) {
    case ny::TArchiveState::asOk:
      return "ok";
    case ny::TArchiveState::asNoSubject:
      return "nosubject";
    default:
      return "missing";
  }
}

int RunCreate(const TArgs& args) {
  if (args.size() != 1) return Usage(kCreateUsage);
  TLibSession s;
  s.Form().CreateLibrary(args[0]);
  return 0;
}

int RunList(const TArgs& args) {
  if (args.empty()) return Usage(kListUsage);
  std::string search;
  std::string in = "author,name,text";
  int sort = 1;
  for (size_t i = 1; i < args.size(); i += 2) {
    if (i + 1 >= args.size()) return Usage(kListUsage);
    const std::string& opt = args[i];
    const std::string& val = args[i + 1];
    if (opt == "--search") {
      search = val;
    } else if (opt == "--in") {
      in = val;
    } else if (opt == "--sort") {
      int64_t n = 0;
      if (!ny::TryStrToInt64(val, n) || n < INT32_MIN || n > INT32_MAX) return Usage(kListUsage);
      sort = static_cast<int>(n);
    } else {
      return Usage(kListUsage);
    }
  }
  TLibSession s;
  for (const TInField& f : kInFields) s.SetBox(f.Box, false);
  size_t pos = 0;
  while (pos <= in.size()) {
    size_t comma = in.find(',', pos);
    if (comma == std::string::npos) comma = in.size();
    const std::string word = in.substr(pos, comma - pos);
    bool known = false;
    for (const TInField& f : kInFields) {
      if (word == f.Word) {
        s.SetBox(f.Box, true);
        known = true;
      }
    }
    if (!known) return Usage(kListUsage);
    pos = comma + 1;
  }
  ny::TForm1& form = s.Form();
  form.SetSortField(sort);
  s.Open(args[0]);
  form.RefreshDocList(search);
  ny::TNySQLite3Query& doc = form.LstDoc();
  const int count = doc.RecordCount();
  std::string out = "count\t" + std::to_string(count) + "\n";
  ny::TNyField& rowId = doc.FieldByName("RowId");
  ny::TNyField& size = doc.FieldByName("SIZE");
  for (int i = 0; i < count; ++i) {
    const ny::TArchiveState state = form.DocArchiveState(i);
    ny::TNyRecordPeek peek(doc, i);
    out += std::to_string(rowId.AsLargeInt());
    for (const char* name : {"AUTHOR", "NAME", "SUBJ"}) out += "\t" + Field(doc.FieldByName(name).AsString());
    out += "\t" + (size.IsNull() ? std::string() : std::to_string(size.AsLargeInt()));
    for (const char* name : {"FILENAME", "ARCHNAME"}) out += "\t" + Field(doc.FieldByName(name).AsString());
    out += "\t";
    out += StateWord(state);
    out += "\t" + Field(doc.FieldByName("TEXT").AsString()) + "\n";
  }
  std::cout << out;
  return 0;
}

int RunSubjects(const TArgs& args) {
  if (args.size() != 1) return Usage(kSubjectsUsage);
  TLibSession s;
  s.Open(args[0]);
  ny::TNySQLite3Query& sbj = s.Form().LstSbj();
  for (sbj.First(); !sbj.Eof(); sbj.Next()) {
    std::cout << sbj.FieldByName("RowId").AsLargeInt() << "\t"
              << Field(sbj.FieldByName("NAM").AsString()) << "\t"
              << Field(sbj.FieldByName("DIR").AsString()) << "\n";
  }
  return 0;
}

int RunSet(const TArgs& args) {
  if (args.size() < 3) return Usage(kSetUsage);
  int64_t rowId = 0;
  if (!ny::TryStrToInt64(args[1], rowId)) return Usage(kSetUsage);
  for (size_t i = 2; i < args.size(); ++i) {
    const size_t eq = args[i].find('=');
    if (eq == std::string::npos || eq == 0) return Usage(kSetUsage);
  }
  TLibSession s;
  ny::TForm1& form = s.Form();
  s.Open(args[0]);
  ny::TNySQLite3Query& doc = form.LstDoc();
  if (!doc.Locate("RowId", ny::TNyValue(rowId), {})) {
    return Fail("no document with RowId " + std::to_string(rowId));
  }
  const std::vector<ny::TNyColumn>& columns = form.Model().Get(ny::kDocGrid).Columns("Columns");
  for (size_t i = 2; i < args.size(); ++i) {
    const size_t eq = args[i].find('=');
    const std::string field = ny::AsciiUpper(args[i].substr(0, eq));
    const std::string value = args[i].substr(eq + 1);
    doc.FieldByName(field);  // an unknown field fails with the data layer's message
    if (field == "TEXT") {
      form.DBMemo1Change(value);
      continue;
    }
    int column = -1;
    for (size_t c = 0; c < columns.size(); ++c)
      if (columns[c].FieldName == field) column = static_cast<int>(c);
    if (column < 0 || !form.GridColumnEditable(ny::kDocGrid, column)) {
      return Fail("Field is read-only: " + field);
    }
    form.GridSetCell(ny::kDocGrid, doc.RecNo() - 1, column, value);
  }
  if (doc.State() == ny::TDataSetState::dsEdit) doc.Post();
  return 0;
}

const TLibRegistrar kCreate{{"create", kCreateUsage, RunCreate}};
const TLibRegistrar kList{{"list", kListUsage, RunList}};
const TLibRegistrar kSubjects{{"subjects", kSubjectsUsage, RunSubjects}};
const TLibRegistrar kSet{{"set", kSetUsage, RunSet}};

}  // namespace

}  // namespace vellumctl
