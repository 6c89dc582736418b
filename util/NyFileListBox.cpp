#include "util/NyFileListBox.h"

#include <dirent.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <memory>

#include "util/NyApi.h"
#include "util/NyDirScan.h"

namespace ny {

namespace {

constexpr const char* kUpText = " .. ";

int Rank(char kind) {
  switch (kind) {
    case 'R':
      return 0;
    case 'F':
      return 1;
    case 'f':
      return 2;
    default:
      return 3;
  }
}

// The mask parts of "a;b;c", each as written (an empty part matches nothing).
std::vector<std::string> MaskParts(const std::string& mask) {
  std::vector<std::string> parts;
  size_t start = 0;
  for (;;) {
    const size_t semi = mask.find(';', start);
    parts.push_back(mask.substr(start, semi == std::string::npos ? std::string::npos : semi - start));
    if (semi == std::string::npos) break;
    start = semi + 1;
  }
  return parts;
}

// Holds the update counter for the life of the object: a rebuild is running.
class TUpdateHold {
 public:
  explicit TUpdateHold(int& count) : count_(count) { ++count_; }
  ~TUpdateHold() { --count_; }
  TUpdateHold(const TUpdateHold&) = delete;
  TUpdateHold& operator=(const TUpdateHold&) = delete;

 private:
  int& count_;
};

}  // namespace

uint32_t PackedFileTime(int64_t unixSeconds) {
  const time_t t = static_cast<time_t>(unixSeconds);
  struct tm lt {};
  if (::localtime_r(&t, &lt) == nullptr || lt.tm_year < 80) return (1u << 21) | (1u << 16);
  if (lt.tm_year > 207) return (127u << 25) | (12u << 21) | (31u << 16) | (23u << 11) | (59u << 5) | 29u;
  return (static_cast<uint32_t>(lt.tm_year - 80) << 25) | (static_cast<uint32_t>(lt.tm_mon + 1) << 21) |
         (static_cast<uint32_t>(lt.tm_mday) << 16) | (static_cast<uint32_t>(lt.tm_hour) << 11) |
         (static_cast<uint32_t>(lt.tm_min) << 5) | static_cast<uint32_t>(lt.tm_sec / 2);
}

TNyFileListBox::TNyFileListBox() : DriveSource(SystemDrives) {}

// ---- properties -------------------------------------------------------------------------

void TNyFileListBox::Changed() {
  if (OnChange) OnChange();
}

void TNyFileListBox::SetFileSort(TNyFileSort v) {
  if (v == fileSort_) return;
  fileSort_ = v;
  Changed();
}

void TNyFileListBox::SetDisplayIcons(bool v) {
  if (v == displayIcons_) return;
  displayIcons_ = v;
  Changed();
}

void TNyFileListBox::SetFileMask(const std::string& v) {
  if (v == fileMask_) return;
  fileMask_ = v;
  FillList();
}

void TNyFileListBox::SetFilePath(const std::string& value) {
  const std::string v = AddBackslash(value);
  if (v == filePath_) return;
  if (OnChangeDir) {
    bool canPrev = true;
    OnChangeDir(*this, filePath_, v, canPrev);
    if (!canPrev) return;
  }
  filePath_ = v;
  FillList();
}

void TNyFileListBox::SetOptionsDrive(TDriveTypes v) {
  if (v == optionsDrive_) return;
  optionsDrive_ = v;
  FillList();
}

void TNyFileListBox::SetOptionsFile(TNyFileOptions v) {
  if (v == optionsFile_) return;
  optionsFile_ = v;
  FillList();
}

void TNyFileListBox::SetOptions(TNyAllowTypes v) {
  if (v == options_) return;
  options_ = v;
  FillList();
}

void TNyFileListBox::SetColumns(int v) {
  v = std::clamp(v, 0, 4);
  if (v == columns_) return;
  columns_ = v;
  Changed();
}

// ---- entries ----------------------------------------------------------------------------

void TNyFileListBox::SetItemIndex(int i) {
  itemIndex_ = i >= 0 && i < Count() ? i : -1;
}

void TNyFileListBox::SetSelected(int i, bool selected) {
  if (i >= 0 && i < Count()) items_[static_cast<size_t>(i)].Selected = selected;
}

void TNyFileListBox::SelectOnly(int i) {
  for (TNyFileItem& item : items_) item.Selected = false;
  SetItemIndex(i);
  if (itemIndex_ >= 0) items_[static_cast<size_t>(itemIndex_)].Selected = true;
}

std::string TNyFileListBox::FullPath(int i) const {
  if (i < 0 || i >= Count()) return "";
  const TNyFileItem& item = items_[static_cast<size_t>(i)];
  switch (item.Kind) {
    case 'D':
      return item.Name;
    case 'F':
      return filePath_ + item.Name + PathDelim;
    case 'f':
      return filePath_ + item.Name;
    default:
      return "";
  }
}

std::vector<std::string> TNyFileListBox::Texts() const {
  std::vector<std::string> out;
  out.reserve(items_.size());
  for (const TNyFileItem& item : items_) out.push_back(item.Text);
  return out;
}

int TNyFileListBox::Find(char kind, const std::string& name) const {
  for (int i = 0; i < Count(); ++i) {
    const TNyFileItem& item = items_[static_cast<size_t>(i)];
    if (item.Kind == kind && item.Name == name) return i;
  }
  return -1;
}

// ---- FillList ---------------------------------------------------------------------------

void TNyFileListBox::FillList() {
  if (updateCount_ > 0) return;
  TUpdateHold hold(updateCount_);
  items_.clear();
  itemIndex_ = -1;
  if (filePath_.empty()) {
    ListDrives();
  } else {
    if (options_.Contains(TNyAllowType::atDirChange)) {
      TNyFileItem up;
      up.Kind = 'R';
      up.Text = kUpText;
      up.Attr = faDirectory;
      items_.push_back(std::move(up));
    }
    ListDirectory();
  }
  // Each group by its folded text; the up entry's and the directories' leading blank is the
  // same for all of a group, so the order is by name.
  std::vector<std::pair<std::string, size_t>> keys;
  keys.reserve(items_.size());
  for (size_t i = 0; i < items_.size(); ++i) keys.emplace_back(AnsiLower(items_[i].Text), i);
  std::vector<size_t> order(items_.size());
  for (size_t i = 0; i < order.size(); ++i) order[i] = i;
  std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
    const TNyFileItem& x = items_[a];
    const TNyFileItem& y = items_[b];
    if (Rank(x.Kind) != Rank(y.Kind)) return Rank(x.Kind) < Rank(y.Kind);
    if (keys[a].first != keys[b].first) return keys[a].first < keys[b].first;
    return x.Text < y.Text;
  });
  std::vector<TNyFileItem> sorted;
  sorted.reserve(items_.size());
  for (size_t i : order) sorted.push_back(std::move(items_[i]));
  items_ = std::move(sorted);
  ++fillCount_;
  Changed();
}

void TNyFileListBox::ListDrives() {
  if (!DriveSource) return;
  for (const TNyDrive& d : DriveSource()) {
    if (!optionsDrive_.Contains(d.Type)) continue;
    TNyFileItem item;
    item.Kind = 'D';
    item.Name = AddBackslash(d.Root);
    item.Text = DelBackslash(item.Name).empty() ? "/" : DelBackslash(item.Name);
    item.Text += " " + d.DisplayName;
    item.Attr = faDirectory;
    item.Drive = d.Type;
    items_.push_back(std::move(item));
  }
}

void TNyFileListBox::ListDirectory() {
  DIR* dir = ::opendir(filePath_.c_str());
  if (dir == nullptr) return;
  std::unique_ptr<DIR, int (*)(DIR*)> guard(dir, ::closedir);
  const std::vector<std::string> masks = MaskParts(fileMask_);
  const bool dirs = optionsFile_.Contains(TNyFileOption::flDirectory);
  while (dirent* e = ::readdir(dir)) {
    const std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    const std::string full = filePath_ + name;
    const uint32_t attr = GetFileAttr(full);
    if (attr == faInvalid) continue;  // a dangling link: nothing to take
    const bool isDir = (attr & faDirectory) != 0;
    if (isDir ? !dirs
              : std::none_of(masks.begin(), masks.end(),
                             [&](const std::string& m) { return MatchSpec(m, name); })) {
      continue;
    }
    if (((attr & faArchive) && !optionsFile_.Contains(TNyFileOption::flArchive)) ||
        ((attr & faHidden) && !optionsFile_.Contains(TNyFileOption::flHidden)) ||
        ((attr & faReadOnly) && !optionsFile_.Contains(TNyFileOption::flReadOnly)) ||
        ((attr & faSysFile) && !optionsFile_.Contains(TNyFileOption::flSystem))) {
      continue;
    }
    struct stat st {};
    if (::stat(full.c_str(), &st) != 0) continue;
    TNyFileItem item;
    item.Kind = isDir ? 'F' : 'f';
    item.Name = name;
    item.Text = isDir ? " " + name : name;
    item.Time = PackedFileTime(st.st_mtime);
    item.Size = isDir ? 0 : static_cast<int64_t>(st.st_size);
    item.Attr = attr;
    items_.push_back(std::move(item));
  }
}

// ---- navigation -------------------------------------------------------------------------

void TNyFileListBox::GoParent() {
  if (filePath_.empty() || !options_.Contains(TNyAllowType::atDirChange)) return;
  const std::string path = AddBackslash(filePath_);
  if (path == "/") {
    SetFilePath("");
    if (!filePath_.empty()) return;
    SelectOnly(Find('D', "/"));
  } else {
    const std::string rest = DelBackslash(path);
    const std::string parent = ExtractDir(rest);
    const std::string name = rest.substr(parent.size());
    SetFilePath(parent);
    if (filePath_ != AddBackslash(parent)) return;
    SelectOnly(Find('F', name));
  }
  Changed();
}

void TNyFileListBox::DblClick() {
  if (!options_.Contains(TNyAllowType::atDirChange)) return;
  if (itemIndex_ < 0 || itemIndex_ >= Count()) return;
  const TNyFileItem item = items_[static_cast<size_t>(itemIndex_)];
  std::string target;
  switch (item.Kind) {
    case 'R':
      GoParent();
      return;
    case 'D':
      target = item.Name;
      break;
    case 'F':
      target = filePath_ + item.Name + PathDelim;
      break;
    default:
      return;
  }
  const std::string before = filePath_;
  SetFilePath(target);
  if (filePath_ == before) return;
  SelectOnly(Count() > 0 ? 0 : -1);
  Changed();
}

void TNyFileListBox::KeyDown(uint16_t& key, unsigned shift) {
  if (shift == kCtrl && key >= kVk0 && key <= kVk4) {
    SetColumns(key - kVk0);
    key = 0;
  } else if (key == kVkBack || (key == kVkUp && (shift & kCtrl) != 0)) {
    if (options_.Contains(TNyAllowType::atDirChange)) {
      GoParent();
      key = 0;
    }
  } else if (key == kVkReturn) {
    DblClick();
    key = 0;
  } else if (key == kVkF7) {
    if (options_.Contains(TNyAllowType::atDirCreate)) {
      CreateDirectory();
      key = 0;
    }
  } else if (key == kVkDelete) {
    if (itemIndex_ > 0) {
      DeleteEntry();
      key = 0;
    }
  }
}

void TNyFileListBox::CreateDirectory() {
  // The drive list has no directory to create anything in.
  if (view_ == nullptr || filePath_.empty()) return;
  const std::optional<std::string> name = view_->InputQuery(kCaption, kPromptCreate, "");
  if (!name) return;
  // One name inside the directory shown: never a path that leads elsewhere.
  const bool plain = !name->empty() && *name != "." && *name != ".." &&
                     name->find(PathDelim) == std::string::npos;
  if (plain && ::mkdir((filePath_ + *name).c_str(), 0777) == 0) FillList();
  view_->Beep();
}

void TNyFileListBox::DeleteEntry() {
  if (view_ == nullptr) return;
  const TNyFileItem& item = items_[static_cast<size_t>(itemIndex_)];
  const std::string path = filePath_ + item.Name;
  bool removed = false;
  if (item.Kind == 'F' && options_.Contains(TNyAllowType::atDirDelete)) {
    if (!view_->AskYesNo(kCaption, std::string(kPromptDeleteDir) + "\n\n" + path)) return;
    removed = ::rmdir(path.c_str()) == 0;
  } else if (item.Kind == 'f' && options_.Contains(TNyAllowType::atFileDelete)) {
    if (!view_->AskYesNo(kCaption, std::string(kPromptDeleteFile) + "\n\n" + path)) return;
    removed = ::unlink(path.c_str()) == 0;
  }
  if (!removed) return;
  items_.erase(items_.begin() + itemIndex_);
  if (itemIndex_ >= Count()) itemIndex_ = Count() - 1;
  Changed();
}

}  // namespace ny
