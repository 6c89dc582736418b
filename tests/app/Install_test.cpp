// The installed program: what `cmake --install` puts where, judged by the files themselves
// and by desktop-file-validate.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "app/Form1.h"
#include "common/TestDir.h"
#include "lang/NyLang.h"
#include "util/NyApi.h"

namespace {

// Width and height from a PNG file's header; 0 when it is no PNG.
std::pair<int, int> PngSize(const std::string& file) {
  const std::string b = nytest::ReadFile(file);
  if (b.size() < 24 || b.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 || b.compare(12, 4, "IHDR") != 0)
    return {0, 0};
  auto be = [&](size_t at) {
    return (static_cast<unsigned char>(b[at]) << 24) | (static_cast<unsigned char>(b[at + 1]) << 16) |
           (static_cast<unsigned char>(b[at + 2]) << 8) | static_cast<unsigned char>(b[at + 3]);
  };
  return {static_cast<int>(be(16)), static_cast<int>(be(20))};
}

TEST(Install, PutsProgramLanguagesDesktopEntryAndIcons) {
  nytest::TestDir prefix;
  std::string out;
  ASSERT_EQ(nytest::RunShell("cmake --install '" + std::string(VELLUM_BINARY_DIR) +
                                 "' --prefix '" + prefix.Path() + "'",
                             &out),
            0)
      << out;
  EXPECT_TRUE(ny::FileExistsPlain(prefix / "bin/vellum"));
  EXPECT_TRUE(ny::FileExistsPlain(prefix / "share/vellum/vellum-RUS.lng"));
  const std::string entry = prefix / "share/applications/vellum.desktop";
  ASSERT_TRUE(ny::FileExistsPlain(entry));
  EXPECT_NE(nytest::ReadFile(entry).find("\nIcon=vellum\n"), std::string::npos);
  EXPECT_NE(nytest::ReadFile(entry).find("\nExec=vellum\n"), std::string::npos);
  if (nytest::HaveTool("desktop-file-validate")) {
    EXPECT_EQ(nytest::RunShell("desktop-file-validate '" + entry + "'", &out), 0) << out;
    EXPECT_EQ(out, "");
  }
  EXPECT_NE(nytest::ReadFile(prefix / "share/icons/hicolor/scalable/apps/vellum.svg").find("<svg"),
            std::string::npos);
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    const std::string s = std::to_string(size);
    EXPECT_EQ(PngSize(prefix / ("share/icons/hicolor/" + s + "x" + s + "/apps/vellum.png")),
              std::make_pair(size, size))
        << size;
  }

  // The installed program finds its language files in the share directory and keeps its
  // settings in the user's directory.
  const char* old = std::getenv("XDG_CONFIG_HOME");
  const std::string saved = old != nullptr ? old : "";
  ::setenv("XDG_CONFIG_HOME", (prefix / "config").c_str(), 1);
  const ny::TLangLocation loc = ny::LangLocationFor(prefix / "bin/vellum", "");
  EXPECT_EQ(ny::GetLanguageList(loc), (std::vector<std::string>{"Default", "RUS-Lang"}));
  EXPECT_EQ(ny::SettingsFileFor(prefix / "bin/vellum"), prefix / "config/vellum/vellum.ini");
  if (old != nullptr) {
    ::setenv("XDG_CONFIG_HOME", saved.c_str(), 1);
  } else {
    ::unsetenv("XDG_CONFIG_HOME");
  }
}

}  // namespace
