#include "app/Form1Model.h"

#include <utility>
#include <vector>

#include "util/NyVersion.h"

namespace ny {

namespace {

// Declarations by class, in the order the published properties of each class are listed.

void SpeedButton(TNyComponent& form, const char* name, const char* hint) {
  form.Add("TSpeedButton", name)
      .AddString("Caption")
      .AddValue("Flat", "True")
      .AddString("Hint", hint)
      .AddValue("Width", "26")
      .AddValue("Height", "26");
}

void Label(TNyComponent& form, const char* name, const char* caption) {
  form.Add("TLabel", name).AddString("Caption", caption).AddObject("Font").AddString("Hint");
}

void CheckBox(TNyComponent& form, const char* name, const char* caption) {
  form.Add("TCheckBox", name)
      .AddString("Caption", caption)
      .AddValue("Checked", BoolValue(false))
      .AddString("Hint");
}

void Grid(TNyComponent& form, const char* name, TNyComponent& source,
          std::vector<TNyColumn> columns) {
  form.Add("TDBGrid", name)
      .AddColumns("Columns", std::move(columns))
      .AddRef("DataSource", &source)
      .AddObject("Font")
      .AddString("Hint")
      .AddString("ImeName");
}

TNyColumn Column(const char* field, const char* title, int width, bool readOnly = false) {
  TNyColumn c;
  c.FieldName = field;
  c.Title = title;
  c.Width = width;
  c.ReadOnly = readOnly;
  return c;
}

}  // namespace

std::unique_ptr<TNyComponent> MakeForm1Model() {
  auto form = std::make_unique<TNyComponent>("TForm1", kForm1);
  TNyComponent& f = *form;
  f.AddString("Caption", "Vellum")
      .AddObject("Font")
      .AddString("Hint")
      .AddValue("KeyPreview", "True")
      .AddValue("Position", "poScreenCenter")
      .AddValue("Width", "800")
      .AddValue("Height", "580");

  // Data access: the connection, the three record sets and their data sources.
  TNyComponent& db = f.Add("TNySQLite3DB", "SQLiteDB");
  db.AddString("Database").AddString("DLLName", "libsqlite3.so.0");
  auto query = [&](const char* name, const char* source) -> TNyComponent& {
    TNyComponent& q = f.Add("TNySQLite3Query", name);
    q.AddRef("Database", &db).AddStrings("SQL");
    TNyComponent& ds = f.Add("TDataSource", source);
    ds.AddRef("DataSet", &q);
    return ds;
  };
  TNyComponent& dsDoc = query("LstDoc", "DS_LstDoc");
  TNyComponent& dsSbj = query("LstSbj", "DS_LstSbj");
  TNyComponent& dsArc = query("LstArc", "DS_LstArc");

  // The about component: the program's number, date and time formats (applied when the
  // window is created), the product name and version of the caption, the about box's texts.
  // Separators are single characters, not texts.
  f.Add("TNyAbout", kAbout)
      .AddString("SetCurrencyString")
      .AddValue("SetThousandSeparator", ",")
      .AddValue("SetDecimalSeparator", ".")
      .AddValue("SetDateSeparator", ".")
      .AddString("SetShortDateFormat", "dd.MM.yyyy")
      .AddValue("SetTimeSeparator", ":")
      .AddString("SetShortTimeFormat", "hh:mm")
      .AddString("SetLongTimeFormat", "hh:mm:ss")
      .AddString("ProductName", ProductName())
      .AddString("Version", ProductVersion())
      .AddString("Copyright", "Copyright (C) The Vellum authors")
      .AddString("Comments")
      .AddValue("HintFontSize", "32")
      .AddValue("HintBackColor", "clLime");

  // The list-of-values component over the subjects (no command opens its dialog).
  f.Add("TNyLovD", "NyLovD1")
      .AddRef("DataSet", &f.Get("LstSbj"))
      .AddString("ShowField", "NAM")
      .AddValue("Width", "0")
      .AddValue("Height", "0")
      .AddValue("PosLeft", "0")
      .AddValue("PosTop", "0")
      .AddValue("StorySize", "True");

  f.Add("TNotebook", kNotebook)
      .AddString("ActivePage", kPageList)
      .AddStrings("Pages", {kPageList, kPageOptions, kPageText});

  // Page "LST": the tool bar, the search box, the document grid and the comment.
  SpeedButton(f, "bLibOpen", "Open library");
  SpeedButton(f, "bLibNew", "Create new library");
  SpeedButton(f, "bDocOpen", "Open document");
  SpeedButton(f, "bDocAppend", "Append document");
  SpeedButton(f, "bArcAppend", "Append archived document");
  SpeedButton(f, "bDocDelete", "Delete document");
  SpeedButton(f, "bOption", "Options");
  Label(f, "Label4", "&1 Search");
  f.Add("TEdit", "eLike").AddString("Hint").AddString("ImeName").AddString("Text");
  SpeedButton(f, "bSearch", "Find");
  Label(f, "lRec", ". . . . . . .");
  SpeedButton(f, "bStats", "Statistics");
  SpeedButton(f, "bCheck", "Check library");
  SpeedButton(f, "bAbout", "About");
  SpeedButton(f, "bExit", "Exit");
  Grid(f, kDocGrid, dsDoc,
       {Column("AUTHOR", "Author", 100), Column("SUBJ", "Subject", 100, true),
        Column("NAME", "Document name ", 100), Column("SIZE", "Size (B)", 100, true),
        Column("FILENAME", "File name", 100), Column("ARCHNAME", "Archive Name", 100)});
  Label(f, "Label1", "Comment");
  f.Add("TDBMemo", "DBMemo1")
      .AddValue("DataField", "TEXT")
      .AddRef("DataSource", &dsDoc)
      .AddString("Hint")
      .AddString("ImeName")
      .AddValue("Height", "89");

  // Page "OPT": the options and the two reference tables.
  Label(f, "Label2", "Options");
  CheckBox(f, "chIntViewTxt", "Use internal viewer for text document");
  CheckBox(f, "chDelSource", "Delete source document after append archive into library");
  CheckBox(f, "chDelArchive", "Delete source archive after append into library");
  CheckBox(f, "chShowFileNam", "Show field \"File name\" document");
  CheckBox(f, "chShowArchNam", "Show field \"Archive name\" document");
  CheckBox(f, "chCheckFileExist", "Check file exist");
  CheckBox(f, "chAutoFind", "Auto refresh when change find field");
  f.Add("TGroupBox", "GroupBox1").AddString("Caption", "Find in field:").AddString("Hint");
  CheckBox(f, "chFindAut", "Author");
  CheckBox(f, "chFindNam", "Name");
  CheckBox(f, "chFindSub", "Subject");
  CheckBox(f, "chFindFil", "Filename");
  CheckBox(f, "chFindArc", "Archivename");
  CheckBox(f, "chFindTxt", "Text");
  CheckBox(f, "chVerifyArc", "Verify archive contents");
  Label(f, "Label5", "Font for internal text viewer");
  f.Add("TButton", kFontButton).AddString("Caption", "Courier New - 10 - 1").AddString("Hint");
  Label(f, "Label7", "Language");
  f.Add("TComboBox", kLangCombo)
      .AddString("Hint")
      .AddString("ImeName")
      .AddValue("ItemIndex", "-1")
      .AddStrings("Items")
      .AddValue("Style", "csDropDownList");
  Label(f, "Label6", "Subjects");
  Grid(f, kSubjectGrid, dsSbj, {Column("NAM", "Subject", 145), Column("DIR", "SubDirectory", 137)});
  Label(f, "Label3", "Archivers");
  Grid(f, kArchiverGrid, dsArc,
       {Column("USE", "Use", 26), Column("NAM", "Archiver", 65),
        Column("GET", "Extract command", 305), Column("PUT", "Append command", 360)});

  // Page "TXT": the internal text viewer.
  Label(f, "lNameText", "TextFile");
  f.Add("TNyRichEdit", "RichEdit")
      .AddObject("Font")
      .AddString("Hint")
      .AddString("ImeName")
      .AddValue("ReadOnly", "True");
  // Texts the program sets itself: a translation must not relabel them, so translators never
  // see them. The caption names the open library, the font button the font, the list the
  // language files, lRec the record count, lNameText the document shown.
  f.MarkProgramText("Caption");
  f.Get(kFontButton).MarkProgramText("Caption");
  f.Get(kLangCombo).MarkProgramText("Items");
  f.Get("lRec").MarkProgramText("Caption");
  f.Get("lNameText").MarkProgramText("Caption");
  return form;
}

}  // namespace ny
