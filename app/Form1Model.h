// The main window described as a component tree (util/NyComponent.h).
//
// The tree holds every control and component of the main window under its class name and
// component name, in creation order, with its published properties in declaration order and
// the built-in English texts. Language files address these texts by
// "<class>-<component>-<property>[index]" keys, so the names here are the names the language
// files use (lang/files/vellum-RUS.lng).
//
// The state the views show lives in the tree too: the shown page is the notebook's
// "ActivePage", a check box's state its "Checked" value ("True"/"False"), the selected
// language the combo box's "ItemIndex" value, the grid column widths the column widths.
// The views render the tree and follow its changes.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "util/NyComponent.h"

namespace ny {

// Component names used by the logic and the views.
inline constexpr const char* kForm1 = "Form1";
inline constexpr const char* kNotebook = "Notebook1";
inline constexpr const char* kDocGrid = "DBGrid";
inline constexpr const char* kSubjectGrid = "G_LstSbj";
inline constexpr const char* kArchiverGrid = "G_LstArc";
inline constexpr const char* kLangCombo = "cbLang";
inline constexpr const char* kFontButton = "bFont";
inline constexpr const char* kAbout = "NyAbout1";

// The pages of the notebook, selected by name.
inline constexpr const char* kPageList = "LST";
inline constexpr const char* kPageOptions = "OPT";
inline constexpr const char* kPageText = "TXT";

// The option check boxes in the order their settings keys are read at start-up: seven
// general ones, the six "Find in field" boxes, then "Verify archive contents" of the library
// check. Each box's settings key is its component name.
inline constexpr std::array<const char*, 14> kOptionBoxes = {
    "chIntViewTxt",     "chDelSource", "chDelArchive", "chShowFileNam", "chShowArchNam",
    "chCheckFileExist", "chAutoFind",  "chFindAut",    "chFindNam",     "chFindSub",
    "chFindFil",        "chFindArc",   "chFindTxt",    "chVerifyArc"};

// The twelve tool bar buttons of the list page, left to right.
inline constexpr std::array<const char*, 12> kToolButtons = {
    "bLibOpen", "bLibNew", "bDocOpen", "bDocAppend", "bArcAppend", "bDocDelete",
    "bOption",  "bSearch", "bStats",   "bCheck",     "bAbout",     "bExit"};

// A new tree of the main window with its built-in texts: the page "LST" shown, every check
// box unchecked, the language list empty, every document grid column 100 pixels wide.
std::unique_ptr<TNyComponent> MakeForm1Model();

// "True" / "False", the text of a boolean published value.
inline std::string BoolValue(bool b) {
  return b ? "True" : "False";
}

}  // namespace ny
