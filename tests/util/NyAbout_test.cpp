#include "util/NyAbout.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "common/TestDir.h"

using namespace ny;

namespace {

class FakeAboutView : public TNyAboutView {
 public:
  TNyScreen Screen() override { return screen; }
  void SetBusy(bool busy) override { calls.push_back(busy ? "busy" : "idle"); }
  bool RunAboutBox(const TNyAboutTexts& t) override {
    calls.push_back("box " + t.ProductName);
    texts = t;
    if (whileOpen) whileOpen();
    return ok;
  }
  void MeasureHint(const std::string& text, int fontSize, int maxWidth, int& w, int& h) override {
    calls.push_back("measure " + std::to_string(fontSize) + " " + std::to_string(maxWidth));
    w = static_cast<int>(text.size()) * 10;
    h = 40;
  }
  void ShowHint(const std::string& text, const TNyRect& rect, int, uint32_t color) override {
    calls.push_back("hint " + text);
    hintRect = rect;
    hintColor = color;
  }
  void HideHint() override { calls.push_back("hide"); }
  void StartDetached(const std::vector<std::string>& argv) override { started.push_back(argv); }

  TNyScreen screen{1000, 800, 32, 60, 96};
  std::vector<std::string> calls;
  TNyAboutTexts texts;
  std::function<void()> whileOpen;
  bool ok = true;
  TNyRect hintRect;
  uint32_t hintColor = 0;
  std::vector<std::vector<std::string>> started;
};

class NyAboutTest : public ::testing::Test {
 protected:
  NyAboutTest() : props_("TNyAbout", "NyAbout1") {
    props_.AddString("ProductName", "Vellum")
        .AddString("Version", "00.20")
        .AddString("Copyright", "Copyright (C) The Vellum authors")
        .AddString("Comments", "A catalogue")
        .AddValue("HintFontSize", "32")
        .AddValue("HintBackColor", "clLime");
    about_.MeasureClock = [] { return 2994u; };
    about_.SetView(&view_);
  }
  TNyComponent props_;
  TNyAbout about_{props_};
  FakeAboutView view_;
};

TEST_F(NyAboutTest, ShowAboutFillsEveryTextUnderTheBusyCursor) {
  view_.ok = false;
  EXPECT_FALSE(about_.ShowAbout("Opened from the tool bar", true));
  view_.ok = true;
  EXPECT_TRUE(about_.ShowAbout("", true));
  EXPECT_EQ(view_.calls, (std::vector<std::string>{"busy", "idle", "box Vellum", "busy", "idle",
                                                   "box Vellum"}));
  const TNyAboutTexts& t = view_.texts;
  EXPECT_EQ(t.Version, "00.20");
  EXPECT_EQ(t.Copyright, "Copyright (C) The Vellum authors");
  EXPECT_EQ(t.Comment, "\rA catalogue");
  EXPECT_EQ(t.VFile, "0.20.0.0");
  EXPECT_EQ(t.VProduct, "0.20.0.0");
  EXPECT_EQ(t.CPUName, about_.SysInfo().CPUName + " - 2994 Mhz");
  EXPECT_EQ(t.Display, "1000 x 800   4294967296 colors  60 Hz SmallFont");
  EXPECT_EQ(t.OSName.find(about_.SysInfo().OSName + " "), 0u);
  EXPECT_NE(t.OSName.find(" Build: "), std::string::npos);
  EXPECT_EQ(t.DiskFree0.rfind("/: Total=", 0), 0u);
  EXPECT_EQ(t.Memory.rfind("Total: ", 0), 0u);
  EXPECT_EQ(t.MemApp.rfind("Use blocks: ", 0), 0u);
  EXPECT_EQ(t.Comp, about_.SysInfo().Computer);
  EXPECT_EQ(t.TmpDir, about_.SysInfo().TmpDir);
  for (const std::string* s : {&t.WinDir, &t.SysDir, &t.TmpDir, &t.User}) EXPECT_FALSE(s->empty());
  EXPECT_EQ(about_.AboutTexts("pre", view_.screen).Comment, "pre\rA catalogue");

  TNyAbout alone(props_);
  EXPECT_FALSE(alone.ShowAbout("", true));
}

// The labels start the desktop's settings program only in a box opened with applets allowed.
TEST_F(NyAboutTest, AppletsStartTheSettingsProgramOnlyWhenAllowed) {
  nytest::TestDir bin;
  const std::string program = bin / "gnome-control-center";
  nytest::WriteFile(program, "#!/bin/sh\n");
  ASSERT_EQ(chmod(program.c_str(), 0755), 0);
  const char* old = getenv("PATH");
  const std::string saved = old != nullptr ? old : "";
  setenv("PATH", (bin.Path() + "nowhere:" + bin.Path()).c_str(), 1);

  EXPECT_EQ(SettingsCommand(TNyApplet::Display), (std::vector<std::string>{program, "display"}));
  EXPECT_FALSE(about_.AppletClick(TNyApplet::System));  // no box open
  bool clicked = true;
  view_.whileOpen = [&] { clicked = about_.AppletClick(TNyApplet::User); };
  about_.ShowAbout("", false);
  EXPECT_FALSE(clicked);
  EXPECT_TRUE(view_.started.empty());
  about_.ShowAbout("", true);
  EXPECT_TRUE(clicked);
  EXPECT_EQ(view_.started, (std::vector<std::vector<std::string>>{{program, "region"}}));

  setenv("PATH", bin.Path().c_str(), 1);
  chmod(program.c_str(), 0644);  // not a program any more
  EXPECT_TRUE(SettingsCommand(TNyApplet::System).empty());
  about_.ShowAbout("", true);
  EXPECT_FALSE(clicked);
  setenv("PATH", saved.c_str(), 1);
}

TEST_F(NyAboutTest, HintIsCentredAndMeasuredAtHalfTheScreen) {
  about_.ShowHintText("Packing", -1, -1);
  EXPECT_EQ(view_.hintRect, (TNyRect{500 - 35, 400 - 20, 70, 40}));
  EXPECT_EQ(view_.hintColor, 0x00FF00u);
  about_.ShowHintText("Packing the archives", -1, 10);
  EXPECT_EQ(view_.hintRect, (TNyRect{500 - 100, 10, 200, 40}));
  about_.ShowHintText("x", 7, -1);
  EXPECT_EQ(view_.hintRect, (TNyRect{7, 380, 10, 40}));
  about_.HideHintText();
  EXPECT_EQ(view_.calls, (std::vector<std::string>{"measure 32 500", "hint Packing",
                                                   "measure 32 500", "hint Packing the archives",
                                                   "measure 32 500", "hint x", "hide"}));
  props_.SetValue("HintFontSize", "big");
  props_.SetValue("HintBackColor", "$000000FF");  // the toolkit's red
  EXPECT_EQ(about_.HintFontSize(), 32);
  EXPECT_EQ(about_.HintBackColor(), 0xFF0000u);
  EXPECT_EQ(EasterEggText().size(), 12u);
  EXPECT_NE(EasterEggText().find_first_not_of(' '), std::string::npos);
}

}  // namespace
