// The about component: the about box with the product, its versions and the computer's
// system information, and a large coloured hint window.
//
// TNyAbout keeps the logic; what needs the screen (the modal box, the hint window, the
// screen's metrics, starting the desktop's settings program) goes through TNyAboutView,
// which the Qt side (util/qt/NyAboutBox.h) implements. The published properties live in the
// form model's component of class "TNyAbout" (app/Form1Model.h): ProductName, Version,
// Copyright, Comments, HintFontSize, HintBackColor and the format properties the main window
// applies at start.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "util/NyComponent.h"
#include "util/NySysInfo.h"

namespace ny {

// Every text of the about box, filled by TNyAbout::AboutTexts.
struct TNyAboutTexts {
  std::string ProductName, Version, Copyright;
  std::string Comment;  // the memo: the prefix, a carriage return, Comments
  std::string VFile, VProduct;
  std::string OSName, CPUName, Memory, Display, MemApp, DiskFree0;
  std::string Comp, User, SysDir, WinDir, TmpDir;
};

// The four clickable labels of the box and the part of the desktop's settings each opens.
enum class TNyApplet { System, Display, Computer, User };

// The desktop's settings program for `applet`, as an argument vector: the first of the
// settings programs of GNOME, KDE Plasma, Xfce, MATE, Cinnamon and LXQt found on PATH,
// with the arguments that open that part where the program has such a page. Empty when none
// is installed.
std::vector<std::string> SettingsCommand(TNyApplet applet);

// The stored text the icon shows in the copyright's place (12 characters, kept scrambled in
// the program).
std::string EasterEggText();

// The rectangle of the hint window: `size` measured, placed at (x, y); -1 for x or y centres
// it on the screen in that direction (half the screen minus half the measured size).
struct TNyRect {
  int Left = 0, Top = 0, Width = 0, Height = 0;
  bool operator==(const TNyRect&) const = default;
};
TNyRect HintRect(int x, int y, int width, int height, const TNyScreen& screen);

class TNyAboutView {
 public:
  virtual ~TNyAboutView() = default;
  // The screen the box and the hint window appear on.
  virtual TNyScreen Screen() = 0;
  // The busy cursor on (true) or off.
  virtual void SetBusy(bool busy) = 0;
  // Shows the about box with `texts` modally; true when it closed with OK. While it is open,
  // a click on one of the four labels calls TNyAbout::AppletClick.
  virtual bool RunAboutBox(const TNyAboutTexts& texts) = 0;
  // Width and height the hint window needs for `text` at font height `fontSize`, wrapping at
  // `maxWidth` pixels.
  virtual void MeasureHint(const std::string& text, int fontSize, int maxWidth, int& width,
                           int& height) = 0;
  // Shows (or moves and resizes) the one hint window at `rect` with `text`, font height
  // `fontSize`, background `color` (0xRRGGBB), and paints it at once.
  virtual void ShowHint(const std::string& text, const TNyRect& rect, int fontSize,
                        uint32_t color) = 0;
  // Removes the hint window; nothing when there is none.
  virtual void HideHint() = 0;
  // Starts `argv` detached, not waited for; failures are not reported.
  virtual void StartDetached(const std::vector<std::string>& argv) = 0;
};

class TNyAbout {
 public:
  // `props`: the component holding the published properties (it must outlive this object).
  // Gathers the system facts once (GatherSysInfo(tempDir)). Without a view, ShowAbout shows
  // nothing and the hint functions do nothing.
  explicit TNyAbout(TNyComponent& props, std::string_view tempDir = "");

  void SetView(TNyAboutView* view) { view_ = view; }
  const TNySysInfo& SysInfo() const { return info_; }

  // The texts of the box for `prefix` on `screen`, measuring anew the memory, the heap, the
  // disk of "/" and the clock (MeasureClock).
  TNyAboutTexts AboutTexts(std::string_view prefix, const TNyScreen& screen);

  // Fills the box (under the busy cursor: the clock takes half a second), shows it modally
  // and returns whether it closed with OK. `allowApplets` makes the four labels open the
  // desktop's settings. False, showing nothing, without a view.
  bool ShowAbout(std::string_view prefix, bool allowApplets);
  // A click on a label of the box that ShowAbout shows: starts SettingsCommand(applet) when
  // the box was opened with applets allowed and such a program is installed. True when a
  // program was started.
  bool AppletClick(TNyApplet applet);

  // Shows the hint window with `text` at (x, y) on the screen (-1: centred in that
  // direction), measured at most half the screen wide; later calls reuse the window.
  void ShowHintText(const std::string& text, int x, int y);
  // Removes the hint window, if there is one.
  void HideHintText();

  // HintFontSize of the properties (32 when not a number); HintBackColor as 0xRRGGBB
  // ("clLime" and unknown names: pure green 0x00FF00; "$00BBGGRR" and decimal numbers
  // are read in the toolkit's blue-green-red order).
  int HintFontSize() const;
  uint32_t HintBackColor() const;

  // The clock measurement; MeasureClockMhz unless replaced (tests replace it).
  std::function<uint32_t()> MeasureClock = MeasureClockMhz;

 private:
  TNyComponent& props_;
  TNyAboutView* view_ = nullptr;
  TNySysInfo info_;
  bool allowApplets_ = false;
  bool boxOpen_ = false;
};

}  // namespace ny
