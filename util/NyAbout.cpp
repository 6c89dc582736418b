#include "util/NyAbout.h"

#include <sys/stat.h>
#include <unistd.h>

#include <charconv>
#include <cstdlib>

#include "util/NyApi.h"

namespace ny {

namespace {

// The program on PATH of that name; "" when there is none.
std::string OnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  if (path == nullptr) return {};
  std::string_view rest(path);
  while (true) {
    const size_t colon = rest.find(':');
    const std::string_view dir = rest.substr(0, colon);
    if (!dir.empty() && dir[0] == '/') {
      const std::string candidate = AddBackslash(dir) + program;
      struct stat st;
      if (::stat(candidate.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
          ::access(candidate.c_str(), X_OK) == 0) {
        return candidate;
      }
    }
    if (colon == std::string_view::npos) break;
    rest.remove_prefix(colon + 1);
  }
  return {};
}

struct TSettingsProgram {
  const char* Program;
  const char* Pages[4];  // System, Display, Computer (network), User (region); "" for none
};

// The desktops' settings programs, in the order they are looked for.
constexpr TSettingsProgram kSettingsPrograms[] = {
    {"gnome-control-center", {"info-overview", "display", "network", "region"}},
    {"systemsettings", {"kcm_about-distro", "kcm_kscreen", "kcm_networkmanagement",
                        "kcm_regionandlang"}},
    {"xfce4-settings-manager", {"", "", "", ""}},
    {"mate-control-center", {"", "", "", ""}},
    {"cinnamon-settings", {"info", "display", "network", "region"}},
    {"lxqt-config", {"", "", "", ""}},
};

constexpr unsigned char kEggKey = 0x5A;
constexpr unsigned char kEgg[12] = {0x17, 0x3B, 0x3E, 0x3F, 0x7A, 0x38,
                                    0x23, 0x7A, 0x32, 0x3B, 0x34, 0x3E};

// Resets a flag on every way out.
class TFlagScope {
 public:
  explicit TFlagScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~TFlagScope() { flag_ = false; }
  TFlagScope(const TFlagScope&) = delete;
  TFlagScope& operator=(const TFlagScope&) = delete;

 private:
  bool& flag_;
};

class TBusy {
 public:
  explicit TBusy(TNyAboutView& view) : view_(view) { view_.SetBusy(true); }
  ~TBusy() { view_.SetBusy(false); }
  TBusy(const TBusy&) = delete;
  TBusy& operator=(const TBusy&) = delete;

 private:
  TNyAboutView& view_;
};

}  // namespace

std::vector<std::string> SettingsCommand(TNyApplet applet) {
  for (const TSettingsProgram& p : kSettingsPrograms) {
    const std::string found = OnPath(p.Program);
    if (found.empty()) continue;
    std::vector<std::string> argv{found};
    const std::string page = p.Pages[static_cast<int>(applet)];
    if (!page.empty()) argv.push_back(page);
    return argv;
  }
  return {};
}

std::string EasterEggText() {
  std::string s;
  for (unsigned char b : kEgg) s.push_back(static_cast<char>(b ^ kEggKey));
  return s;
}

TNyRect HintRect(int x, int y, int width, int height, const TNyScreen& screen) {
  TNyRect r{x, y, width, height};
  if (x == -1) r.Left = screen.Width / 2 - width / 2;
  if (y == -1) r.Top = screen.Height / 2 - height / 2;
  return r;
}

TNyAbout::TNyAbout(TNyComponent& props, std::string_view tempDir)
    : props_(props), info_(GatherSysInfo(tempDir)) {}

TNyAboutTexts TNyAbout::AboutTexts(std::string_view prefix, const TNyScreen& screen) {
  TNyAboutTexts t;
  t.DiskFree0 = DiskLine(DiskOf("/"));
  t.ProductName = props_.Str("ProductName");
  t.Version = props_.Str("Version");
  t.Copyright = props_.Str("Copyright");
  t.Comment = std::string(prefix) + "\r" + props_.Str("Comments");
  t.WinDir = info_.WinDir;
  t.SysDir = info_.SysDir;
  t.TmpDir = info_.TmpDir;
  t.Memory = MemoryLine(SystemMemory());
  t.MemApp = HeapLine(ProgramHeap());
  t.Comp = info_.Computer;
  t.User = info_.User;
  t.OSName = OsLine(info_);
  t.CPUName = CpuLine(info_, MeasureClock ? MeasureClock() : 0);
  const TNyVersionStrings v = GetVersionStrings();
  t.VFile = v.File;
  t.VProduct = v.Product;
  t.Display = DisplayLine(screen);
  return t;
}

bool TNyAbout::ShowAbout(std::string_view prefix, bool allowApplets) {
  if (view_ == nullptr) return false;
  TNyAboutTexts texts;
  {
    TBusy busy(*view_);
    texts = AboutTexts(prefix, view_->Screen());
  }
  allowApplets_ = allowApplets;
  TFlagScope open(boxOpen_);
  return view_->RunAboutBox(texts);
}

bool TNyAbout::AppletClick(TNyApplet applet) {
  if (view_ == nullptr || !boxOpen_ || !allowApplets_) return false;
  const std::vector<std::string> argv = SettingsCommand(applet);
  if (argv.empty()) return false;
  view_->StartDetached(argv);
  return true;
}

int TNyAbout::HintFontSize() const {
  const std::string& v = props_.Value("HintFontSize");
  int n = 0;
  const auto r = std::from_chars(v.data(), v.data() + v.size(), n);
  return r.ec == std::errc() && r.ptr == v.data() + v.size() && n > 0 ? n : 32;
}

uint32_t TNyAbout::HintBackColor() const {
  const std::string& v = props_.Value("HintBackColor");
  // The toolkit's colour numbers hold blue in the high byte: $00BBGGRR.
  auto bgr = [](uint32_t c) {
    return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
  };
  uint32_t n = 0;
  if (v.size() > 1 && v[0] == '$') {
    const auto r = std::from_chars(v.data() + 1, v.data() + v.size(), n, 16);
    if (r.ec == std::errc() && r.ptr == v.data() + v.size()) return bgr(n);
  } else if (!v.empty()) {
    const auto r = std::from_chars(v.data(), v.data() + v.size(), n);
    if (r.ec == std::errc() && r.ptr == v.data() + v.size()) return bgr(n);
  }
  return 0x00FF00;
}

void TNyAbout::ShowHintText(const std::string& text, int x, int y) {
  if (view_ == nullptr) return;
  const TNyScreen screen = view_->Screen();
  const int font = HintFontSize();
  int w = 0, h = 0;
  view_->MeasureHint(text, font, screen.Width / 2, w, h);
  view_->ShowHint(text, HintRect(x, y, w, h, screen), font, HintBackColor());
}

void TNyAbout::HideHintText() {
  if (view_ != nullptr) view_->HideHint();
}

}  // namespace ny
