// Editing in the grids: the document grid and the two reference tables of the options page.
#include "app/Form1.h"
#include "app/Form1Model.h"
#include "app/LibText.h"
#include "lang/NyLang.h"

namespace ny {

namespace {

const TNyColumn* ColumnOf(TNyComponent& model, const std::string& grid, int column) {
  TNyComponent* g = model.Find(grid);
  if (g == nullptr || column < 0) return nullptr;
  const std::vector<TNyColumn>& columns = g->Columns("Columns");
  return static_cast<size_t>(column) < columns.size() ? &columns[static_cast<size_t>(column)]
                                                      : nullptr;
}

bool Editing(const TNyDataSet& ds) {
  return ds.State() == TDataSetState::dsEdit || ds.State() == TDataSetState::dsInsert;
}

// Moves `ds` to 0-based `row` unless it is there already (a new row counts as there).
void MoveTo(TNyDataSet& ds, int row) {
  if (ds.State() == TDataSetState::dsInsert) {
    // The new row is the one after the last stored row.
    if (row >= ds.RecordCount()) return;
  } else if (!ds.IsEmpty() && ds.RecNo() == row + 1) {
    return;
  }
  ds.SetRecNo(row + 1);
}

}  // namespace

TNySQLite3Query* TForm1::GridDataSet(const std::string& grid) {
  if (grid == kDocGrid) return lstDoc_.get();
  if (grid == kSubjectGrid) return lstSbj_.get();
  if (grid == kArchiverGrid) return lstArc_.get();
  return nullptr;
}

bool TForm1::GridColumnEditable(const std::string& grid, int column) {
  TNySQLite3Query* ds = GridDataSet(grid);
  const TNyColumn* c = ColumnOf(*model_, grid, column);
  if (ds == nullptr || c == nullptr || c->ReadOnly || !ds->Active()) return false;
  const TNyField* f = ds->FindField(c->FieldName);
  return f != nullptr && !f->ReadOnly();
}

void TForm1::GridSetCell(const std::string& grid, int row, int column, const std::string& text) {
  TNySQLite3Query* ds = GridDataSet(grid);
  const TNyColumn* c = ColumnOf(*model_, grid, column);
  if (ds == nullptr || c == nullptr) return;
  if (!GridColumnEditable(grid, column)) {
    throw ELibraryError(LangMsg("FieldReadOnly", "Field is read-only:") + " " + c->FieldName);
  }
  MoveTo(*ds, row);
  TNyField& f = ds->FieldByName(c->FieldName);
  if (LibText(f.AsString()) == text && !Editing(*ds)) return;  // nothing changed: no edit begins
  ds->Edit();
  f.SetAsString(text);
}

void TForm1::GridRowChanged(const std::string& grid, int row) {
  TNySQLite3Query* ds = GridDataSet(grid);
  if (ds == nullptr || !ds->Active()) return;
  MoveTo(*ds, row);
}

void TForm1::GridEditKey(const std::string& grid, uint16_t& key, unsigned shift) {
  TNySQLite3Query* ds = GridDataSet(grid);
  if (ds == nullptr || !ds->Active()) return;
  const bool doc = grid == kDocGrid;
  if (key == VK_ESCAPE && shift == ssNone && Editing(*ds)) {
    key = 0;
    ds->Cancel();
  } else if (!doc && key == VK_INSERT && shift == ssNone) {
    key = 0;
    ds->Append();
  } else if (!doc && key == VK_DOWN && shift == ssNone && ds->State() == TDataSetState::dsBrowse &&
             (ds->IsEmpty() || ds->RecNo() >= ds->RecordCount())) {
    key = 0;
    ds->Append();
  } else if (!doc && key == VK_DELETE && shift == ssCtrl) {
    key = 0;
    if (ds->State() == TDataSetState::dsInsert) {
      ds->Cancel();
    } else if (!ds->IsEmpty() && view_.AskYesNo(LangMsg("DelRec", "Delete record?"))) {
      ds->Delete();
    }
  }
}

void TForm1::G_LstSbjKeyDown(const std::string& grid, uint16_t& key, unsigned shift) {
  (void)shift;
  TNySQLite3Query* ds = GridDataSet(grid);
  if (ds == nullptr || grid == kDocGrid) return;
  if (key == VK_F5) {
    key = 0;
    ReopenKeepingRow(*ds, false);
    view_.Beep();
  } else if (key == VK_TAB) {
    key = 0;
    view_.FocusNext();
  }
}

}  // namespace ny
