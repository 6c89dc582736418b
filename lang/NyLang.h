// Interface languages: language files, the translation of forms and messages, and the dump of
// every built-in text for translators.
//
// A language file is a settings file (util/NyApi.h: IniReadStr) named
// "<program base name>-<code>.lng". Section "Form1" (or "fImp", "fArc": the form's component
// name) holds the texts of a form under keys "<class>-<component>-<property>", with the item
// or column index appended for list items and grid column titles
// ("TComboBox-cbLang-Items0", "TDBGrid-DBGrid-Columns0"). Section "Msg" holds the messages by
// key. A file written on Windows in Windows-1251 reads as the right text. An empty value or a
// missing key keeps the built-in text. Nothing is cached: every translation and every message
// reads the file anew.
//
// Where the files are (TLangLocation): beside the program; for a program whose directory is
// not writable (an installed one) also in the user's configuration directory
// ($XDG_CONFIG_HOME/vellum/, where the dump then goes); and, for an installed program, in the
// share directory (<prefix>/share/vellum/). A file name is matched without regard to letter
// case, so that language files copied from a file system that ignores case are found: code
// "RUS" finds "vellum-rus.lng", and the dump's two spellings "Dbg" (forms) and "DBG"
// (messages) name one file.
//
// The order of the language list: the directories in the order above; in each directory the
// names sorted without regard to letter case (names equal apart from case by byte value), so
// that the list does not depend on the order the file system returns. A name already listed
// from an earlier directory is not listed again.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "util/NyComponent.h"

namespace ny {

// The code of the language in use; "ENG" at start. Every TranslateForm sets it.
extern std::string CurrentLanguage;
// Whether texts and messages are dumped for translators; false at start. The main window sets
// it from the settings key "LngOut" (true exactly for "1").
extern bool LangDump;

struct TLangLocation {
  std::vector<std::string> Dirs;  // searched in this order, each ending with '/'
  std::string Base;               // the program file's name without its extension
  std::string DumpDir;            // where dumps are written, ending with '/'; one of Dirs
};

// The location for the program file `programFile` (a full path). `shareDir` is the share
// directory of an installed program; it is searched when the program's directory is
// "<prefix>/bin/" of that share directory's "<prefix>/share/vellum", or when
// "<program dir>../share/vellum/" exists (a moved installation).
TLangLocation LangLocationFor(std::string_view programFile, std::string_view shareDir);

// The location every function below without a location argument uses. Until
// SetLangLocation is called, LangLocationFor(GetProgramFile(), VELLUM_SHARE_DIR).
const TLangLocation& LangLocation();
// Replaces it for the whole process (tests point it at a temporary directory).
void SetLangLocation(TLangLocation location);

// The entries of the language selector: "Default", then "<CODE>-Lang" for every file found
// whose name ends in "-", three characters and ".lng" (letter case of ".lng" ignored), of any
// base name, the dump included. CODE is the three characters before ".lng" (UTF-8 characters)
// upper-cased with AsciiUpper. Names whose code holds a control character are left out. A
// directory that cannot be read adds nothing.
std::vector<std::string> GetLanguageList();
std::vector<std::string> GetLanguageList(const TLangLocation& location);

// The language code of a selector entry: its first three characters (UTF-8 characters, never
// cut inside one); the whole text when shorter. "Default" gives "Def".
std::string LangCodeOfEntry(std::string_view entry);

// The existing language file of `code` ("<Base>-<code>.lng", letter case ignored), the first
// found along Dirs; "" when there is none, and for a code holding '/' or a NUL byte.
std::string LanguageFile(std::string_view code);
std::string LanguageFile(const TLangLocation& location, std::string_view code);

// The file a dump under `code` goes to: the existing one in DumpDir (letter case ignored), or
// DumpDir + "<Base>-<code>.lng" when there is none; "" for a code holding '/' or a NUL byte.
std::string DumpFileFor(const TLangLocation& location, std::string_view code);

// The message `key` in the current language: the non-empty value of `key` in section "Msg" of
// the language file of CurrentLanguage, else `defaultText`. With LangDump set, the key is first
// written with `defaultText` into section "Msg" of the dump ("<Base>-DBG.lng") unless the dump
// already holds it with a value other than "?". Never throws; a dump that cannot be written is
// not reported.
std::string LangMsg(std::string_view key, std::string_view defaultText);
std::string LangMsg(const TLangLocation& location, std::string_view key,
                    std::string_view defaultText);

// Sets CurrentLanguage to `code`, then walks the form: the form, then every component it owns
// depth first in creation order; for each, its properties in declaration order. Texts are the
// String properties (except "Name"), the items of Strings properties and the column titles of
// Columns properties; a Component property leads into the referenced component's properties
// (under that component's own class and component name; a reference back into a component
// whose properties are being walked is not followed again); Object and Value properties are
// not looked into. Texts of components with an empty name, of the classes TNotebook,
// TNySQLite3DB, TNySQLite3Query, TNyAbout, TNyDirScan, TNyRun, TNyLovD, of the properties
// "ImeName" and "ActivePage" (names compared exactly) and of properties marked ProgramText
// (texts the program sets itself) are left alone.
//
// With `apply`: when the language file of `code` exists, every text whose key has a
// non-empty value in the form's section (the form's component name) is replaced with it;
// list counts never change. Without `apply` (the dump): every text, empty ones included, is
// written under its key into the form's section of the dump file of `code`, created when
// needed; a text with blanks at either end (or wrapped in quotes) is written in double quotes
// so that it reads back unchanged.
//
// An error during the walk ends it silently; texts set until then stay set. Never throws.
void TranslateForm(TNyComponent& form, std::string_view code, bool apply);
void TranslateForm(const TLangLocation& location, TNyComponent& form, std::string_view code,
                   bool apply);

// Every message key the program shows, with its built-in English text, in a fixed order.
struct TLangMessage {
  const char* Key;
  const char* Text;
};
const std::vector<TLangMessage>& LangMessages();

}  // namespace ny
