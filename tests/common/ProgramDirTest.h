// A fixture for tests that run the main window: every test gets a program directory of its
// own, holding the program file's name, its settings file, its language files and its
// temporary directory, and starts in the built-in language without a dump.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "app/Form1.h"
#include "common/TestDir.h"
#include "lang/NyLang.h"
#include "util/NyApi.h"

namespace nytest {

class ProgramDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ny::CurrentLanguage = "ENG";
    ny::LangDump = false;
    ny::TLangLocation loc;
    loc.Dirs = {dir_.Path()};
    loc.Base = "vellum";
    loc.DumpDir = dir_.Path();
    ny::SetLangLocation(loc);
    env_.ProgramFile = dir_ / "vellum";
    env_.SettingsFile = dir_ / "vellum.ini";
    env_.TempDir = dir_ / "tmp/";
    ny::ForceDirs(env_.TempDir);
  }
  void TearDown() override {
    ny::CurrentLanguage = "ENG";
    ny::LangDump = false;
  }
  // The project's Russian language file beside the program.
  void InstallRussian() {
    ASSERT_TRUE(ny::CopyFileTo(std::string(VELLUM_SOURCE_DIR) + "/lang/files/vellum-RUS.lng",
                               dir_ / "vellum-RUS.lng", false));
  }

  TestDir dir_;
  ny::TForm1Env env_;
};

}  // namespace nytest
