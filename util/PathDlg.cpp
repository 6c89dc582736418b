#include "util/PathDlg.h"

#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <exception>

#include "util/NyApi.h"

namespace ny {

namespace {

std::string Home() {
  const char* h = std::getenv("HOME");
  return h != nullptr && h[0] == '/' ? AddBackslash(h) : std::string();
}

// An XDG user directory ($XDG_<NAME>_DIR, else ~/<fallback>).
std::string UserDir(const char* variable, const char* fallback) {
  const char* v = std::getenv(variable);
  if (v != nullptr && v[0] == '/') return AddBackslash(v);
  const std::string home = Home();
  return home.empty() ? std::string() : home + fallback + "/";
}

// $XDG_CONFIG_HOME or ~/.config, with a trailing '/'.
std::string ConfigBase() {
  const char* x = std::getenv("XDG_CONFIG_HOME");
  if (x != nullptr && x[0] == '/') return AddBackslash(x);
  const std::string home = Home();
  return home.empty() ? std::string() : home + ".config/";
}

std::string Existing(const std::string& dir) {
  return !dir.empty() && DirExists(dir) ? dir : std::string();
}

// Resets the open flag on every way out.
class TOpenScope {
 public:
  explicit TOpenScope(bool& open) : open_(open) { open_ = true; }
  ~TOpenScope() { open_ = false; }
  TOpenScope(const TOpenScope&) = delete;
  TOpenScope& operator=(const TOpenScope&) = delete;

 private:
  bool& open_;
};

}  // namespace

std::string RootItemDir(TRootItem item) {
  const std::string home = Home();
  switch (item) {
    case TRootItem::riNone:
    case TRootItem::riDesktop:
    case TRootItem::riDrivers:
      return "/";
    case TRootItem::riPersonal:
      return Existing(home);
    case TRootItem::riDesktopDirectory:
    case TRootItem::riCommon_desktopdirectory:
      return Existing(UserDir("XDG_DESKTOP_DIR", "Desktop"));
    case TRootItem::riTemplates:
      return Existing(UserDir("XDG_TEMPLATES_DIR", "Templates"));
    case TRootItem::riAppData:
      return Existing(home.empty() ? "" : home + ".local/share/");
    case TRootItem::riBitBucket:
      return Existing(home.empty() ? "" : home + ".local/share/Trash/files/");
    case TRootItem::riAltStartup:
    case TRootItem::riStartup:
      return Existing(ConfigBase().empty() ? "" : ConfigBase() + "autostart/");
    case TRootItem::riPrograms:
    case TRootItem::riCommon_programs:
      return Existing("/usr/share/applications/");
    case TRootItem::riFonts:
      return Existing("/usr/share/fonts/");
    default:
      return {};
  }
}

void TPathDlg::SetDirectory(std::string_view v) {
  std::string d(v);
  if (d.empty()) {
    char buf[PATH_MAX];
    if (::getcwd(buf, sizeof buf) != nullptr) d = buf;
  }
  if (d.size() > 1 && d.back() == PathDelim) d.pop_back();
  directory_ = d;
  if (open_) view_.Select(directory_);
}

void TPathDlg::Guard(const std::function<void()>& f) {
  try {
    f();
  } catch (const std::exception& e) {
    view_.ShowMessage(e.what());
  } catch (...) {
    // Other errors end inside the chooser's notice, as the chooser cannot pass them on.
  }
}

void TPathDlg::BrowserShown() {
  Guard([this] {
    if (OnShow) OnShow(*this);
  });
}

void TPathDlg::SelectionChanged(const std::string& path) {
  selection_ = path;
  Guard([&] {
    if (OnSelect) OnSelect(*this, path);
  });
}

bool TPathDlg::Execute() {
  const std::string root = RootItemDir(rootItem_);
  if (root.empty()) return false;
  for (;;) {
    TPathBrowseRequest request{title_, root, directory_, flags_, enableNew_, enableDel_};
    selection_ = directory_;
    TPathBrowseResult result;
    {
      TOpenScope open(open_);
      result = view_.Browse(request, *this);
    }
    switch (result.Kind) {
      case TPathBrowseResult::Chosen:
        directory_ = AddBackslash(result.Path);
        return true;
      case TPathBrowseResult::Cancelled:
        return false;
      case TPathBrowseResult::CreateClicked: {
        const std::string selection = selection_;
        const std::optional<std::string> answer =
            view_.InputBox("Create new SubDirectory", "For Directory: " + selection, "");
        if (answer && !answer->empty()) {
          std::string path = selection;
          if ((*answer)[0] != PathDelim && (path.empty() || path.back() != PathDelim)) {
            path += PathDelim;
          }
          path += *answer;
          ForceDirs(path);
          SetDirectory(path);
        }
        break;
      }
      case TPathBrowseResult::DeleteClicked: {
        const std::string selection = selection_;
        if (view_.AskYesNo("Delete Empty directory\r" + selection)) {
          if (::rmdir(selection.c_str()) != 0) {
            view_.ShowMessage(selection + " Содержит файла или каталоги");
          }
        }
        break;
      }
    }
  }
}

}  // namespace ny
