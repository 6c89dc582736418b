// TNyFileListBox: the list of one directory from which the intake dialogs pick their files.
//
// The list shows an entry to go up (" .. "), the subdirectories (" name", a blank in front),
// and the files that match the mask ("name"); with no directory (FilePath "") it shows the
// drives (util/NyDrives.h). The user moves through the tree with the keyboard and the mouse
// and, where Options allow, creates and deletes directories and deletes files.
//
// This is the list's whole behaviour without a toolkit; the Qt widget (util/qt/
// NyFileListWidget.h) draws the entries with the desktop theme's icons and forwards keys,
// clicks and the user's selection here. Questions to the user go through TNyFileListView.
//
// Order of the entries: the up entry, then the directories, then the files (the drives
// alone make up the list that shows them); inside each group by name without regard to
// letter case (Unicode lower case), equal folded names by their bytes.
//
// Paths are POSIX paths. FilePath always ends with '/'. "/" is the root of the tree: going
// up from it shows the drive list.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "util/NyDrives.h"

namespace ny {

enum class TNyFileSort { sfNone, sfName, sfSize, sfDate, sfType, sfAttr };
enum class TNyFileOption { flReadOnly, flHidden, flSystem, flDirectory, flArchive, flDrives, flExclusive };
enum class TNyAllowType {
  atDirChange, atDirSelect, atDirCreate, atDirRename, atDirDelete, atFileRename, atFileDelete
};

// A small set of enumeration values.
template <class E>
class TNySet {
 public:
  TNySet() = default;
  TNySet(std::initializer_list<E> values) {
    for (E v : values) bits_ |= Bit(v);
  }
  bool Contains(E v) const { return (bits_ & Bit(v)) != 0; }
  TNySet& Include(E v) {
    bits_ |= Bit(v);
    return *this;
  }
  TNySet& Exclude(E v) {
    bits_ &= ~Bit(v);
    return *this;
  }
  bool operator==(const TNySet&) const = default;

 private:
  static unsigned Bit(E v) { return 1u << static_cast<unsigned>(v); }
  unsigned bits_ = 0;
};

using TNyFileOptions = TNySet<TNyFileOption>;
using TNyAllowTypes = TNySet<TNyAllowType>;
using TDriveTypes = TNySet<TDriveType>;

// What the list asks of the user. The Qt widget implements it with its own dialogs.
class TNyFileListView {
 public:
  virtual ~TNyFileListView() = default;
  // An input box with a caption, a prompt and a start value: the text confirmed, or nothing
  // when the user cancelled.
  virtual std::optional<std::string> InputQuery(const std::string& caption,
                                                const std::string& prompt,
                                                const std::string& value) = 0;
  // A message box with a caption, a question icon and Yes and No buttons; true for Yes.
  virtual bool AskYesNo(const std::string& caption, const std::string& text) = 0;
  // The standard beep.
  virtual void Beep() = 0;
};

// One entry of the list.
struct TNyFileItem {
  char Kind = 'f';       // 'D' a drive, 'R' the up entry, 'F' a directory, 'f' a file
  std::string Text;      // as shown: " .. ", " name", "name", "<mount point> <display name>"
  std::string Name;      // the entry's own name (a drive: its mount point); "" for the up entry
  uint32_t Time = 0;     // last write, packed: date (years since 1980, month, day) << 16 | time
  int64_t Size = 0;      // bytes, whole (also beyond 2 GiB)
  uint32_t Attr = 0;     // attribute word as GetFileAttr gives it (util/NyApi.h)
  TDriveType Drive = TDriveType::dtUnknown;  // the drive's type ('D' only)
  bool Selected = false;
};

class TNyFileListBox {
 public:
  // Key codes and shift bits KeyDown knows; the shift bits are those of the main window.
  static constexpr uint16_t kVkBack = 0x08, kVkReturn = 0x0D, kVkUp = 0x26, kVkDelete = 0x2E,
                            kVkF7 = 0x76, kVk0 = 0x30, kVk4 = 0x34;
  static constexpr unsigned kShift = 1, kAlt = 2, kCtrl = 4;

  // The prompts and captions the list shows.
  static constexpr const char* kCaption = "Внимание";
  static constexpr const char* kPromptCreate = "Создать каталог";
  static constexpr const char* kPromptDeleteDir = "Удалить каталог";
  static constexpr const char* kPromptDeleteFile = "Удалиь файл";

  // Called before the directory changes, with CanPrev true; clearing it refuses the change.
  using TChangeDirEvent = std::function<void(TNyFileListBox& sender, const std::string& OldDir,
                                             const std::string& Directory, bool& CanPrev)>;

  // An empty list with the default properties. Nothing is read until the first FillList
  // (the view calls it once it shows the list) or the first change of a property.
  TNyFileListBox();
  TNyFileListBox(const TNyFileListBox&) = delete;
  TNyFileListBox& operator=(const TNyFileListBox&) = delete;

  // ---- properties; each setter of a new value rebuilds the list (FillList) -------------
  // Stored only; the list keeps its own order whatever the value.
  TNyFileSort FileSort() const { return fileSort_; }
  void SetFileSort(TNyFileSort v);
  // Whether the view draws icons (default true).
  bool DisplayIcons() const { return displayIcons_; }
  void SetDisplayIcons(bool v);
  // One or more masks separated by ';' (default "*.*"), matched as MatchSpec does
  // (util/NyDirScan.h); each part is used as it is, blanks included.
  const std::string& FileMask() const { return fileMask_; }
  void SetFileMask(const std::string& v);
  // The directory shown, with a trailing '/'; "" shows the drive list. Setting it: a
  // non-empty value gets a trailing '/'; an equal value does nothing; OnChangeDir may refuse
  // (the list then stays as it was); else the path is taken and the list rebuilt.
  const std::string& FilePath() const { return filePath_; }
  void SetFilePath(const std::string& v);
  // Kinds of drive shown (default every kind except dtUnknown and dtNonExisting).
  TDriveTypes OptionsDrive() const { return optionsDrive_; }
  void SetOptionsDrive(TDriveTypes v);
  // Which entries are shown (default flReadOnly, flDirectory, flArchive): a directory pass
  // only with flDirectory; an entry with the hidden attribute (a name starting with '.') only
  // with flHidden, a read-only one only with flReadOnly, a system or archive one only with
  // flSystem / flArchive (this system never sets those two). flDrives and flExclusive have
  // no effect.
  TNyFileOptions OptionsFile() const { return optionsFile_; }
  void SetOptionsFile(TNyFileOptions v);
  // What the user may do (default atDirChange). atDirSelect, atDirRename and atFileRename
  // have no effect.
  TNyAllowTypes Options() const { return options_; }
  void SetOptions(TNyAllowTypes v);
  // Number of columns the view shows, 0 (one column, scrolling down) to 4.
  int Columns() const { return columns_; }
  void SetColumns(int v);

  TChangeDirEvent OnChangeDir;
  // After the entries were rebuilt or the selection changed by the list itself (not by
  // SetSelected / SetItemIndex): the view redraws. The update counter is still held while
  // it runs, so a property set from here is stored without a rebuild.
  std::function<void()> OnChange;
  // Where the questions go; null: F7 and Delete ask nothing and do nothing.
  void SetView(TNyFileListView* view) { view_ = view; }

  // Where the drive list comes from (default SystemDrives); tests give a fixed list.
  std::function<std::vector<TNyDrive>()> DriveSource;

  // ---- the entries ----------------------------------------------------------------------
  const std::vector<TNyFileItem>& Items() const { return items_; }
  int Count() const { return static_cast<int>(items_.size()); }
  // The entry with the focus (-1: none). Out of range sets -1.
  int ItemIndex() const { return itemIndex_; }
  void SetItemIndex(int i);
  // Selects or deselects entry `i` (ignored when out of range).
  void SetSelected(int i, bool selected);
  // Selects exactly entry `i` and gives it the focus (-1: nothing selected).
  void SelectOnly(int i);
  // The full path of entry `i`: FilePath + its name; for a directory with a trailing '/';
  // for a drive its mount point; "" for the up entry or an index out of range.
  std::string FullPath(int i) const;
  // Texts of the entries, in order (for a view and for checks).
  std::vector<std::string> Texts() const;

  // ---- operations -----------------------------------------------------------------------
  // Rebuilds the entries, unless a rebuild is running (then nothing). With FilePath "": the
  // drives of DriveSource whose type is in OptionsDrive. Else: the up entry (with
  // atDirChange), the directories (with flDirectory; "." and ".." skipped), then the files
  // matching each mask part in turn (a file matched by two parts is listed once); entries
  // dropped by OptionsFile as above. A directory that cannot be read gives the up entry only.
  // Afterwards no entry is selected and none has the focus; OnChange runs.
  void FillList();
  // With atDirChange and FilePath not "": from "/" to the drive list with the "/" drive
  // selected; else to the parent directory with the directory just left selected. A change
  // refused by OnChangeDir leaves the list as it was.
  void GoParent();
  // A double click on the entry with the focus (with atDirChange): a drive opens its mount
  // point, the up entry goes up, a directory opens it; after a change of directory its first
  // entry is selected (a refused change leaves the list as it was). A file: nothing.
  void DblClick();
  // A key pressed in the list; sets `key` to 0 when the list handled it:
  //   Ctrl+0..4 (Ctrl alone): Columns 0..4;
  //   Backspace, Ctrl+Up (with atDirChange): GoParent;
  //   Enter: DblClick;
  //   F7 (with atDirCreate, a directory shown): asks a name ("Создать каталог"); when the
  //     user confirms, creates the directory in FilePath and rebuilds the list when that
  //     worked; then beeps either way. A name holding '/', or ".", ".." or "" is not created;
  //   Delete on the entry with the focus, not the first one: a directory (with atDirDelete)
  //     after "Удалить каталог" and a Yes is removed when empty, a file (with atFileDelete)
  //     after "Удалиь файл" and a Yes is deleted; the entry leaves the list when that worked.
  void KeyDown(uint16_t& key, unsigned shift);

  // How many times the entries were rebuilt (for the views and checks).
  int FillCount() const { return fillCount_; }

 private:
  void Changed();
  void ListDrives();
  void ListDirectory();
  void CreateDirectory();
  void DeleteEntry();
  int Find(char kind, const std::string& name) const;

  TNyFileSort fileSort_ = TNyFileSort::sfName;
  bool displayIcons_ = true;
  std::string fileMask_ = "*.*";
  std::string filePath_;
  TDriveTypes optionsDrive_{TDriveType::dtRemovable, TDriveType::dtFixed, TDriveType::dtRemote,
                            TDriveType::dtCDROM, TDriveType::dtRamDisk};
  TNyFileOptions optionsFile_{TNyFileOption::flReadOnly, TNyFileOption::flDirectory,
                              TNyFileOption::flArchive};
  TNyAllowTypes options_{TNyAllowType::atDirChange};
  int columns_ = 0;
  TNyFileListView* view_ = nullptr;

  std::vector<TNyFileItem> items_;
  int itemIndex_ = -1;
  int updateCount_ = 0;
  int fillCount_ = 0;
};

// The packed date-time of a time stamp in local time: (year - 1980) << 25 | month << 21 |
// day << 16 | hour << 11 | minute << 5 | second / 2; times before 1980 give 1980-01-01 00:00,
// after 2107 the last second of 2107.
uint32_t PackedFileTime(int64_t unixSeconds);

}  // namespace ny
