#include "util/qt/NyAboutBox.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <QApplication>
#include <QLabel>
#include <QPlainTextEdit>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <functional>

#include "common/TestDir.h"
#include "util/NyApi.h"

namespace {

class NyAboutBoxTest : public ::testing::Test {
 protected:
  NyAboutBoxTest() : props_("TNyAbout", "NyAbout1") {
    props_.AddString("ProductName", "Vellum")
        .AddString("Version", "00.20")
        .AddString("Copyright", "Copyright (C) The Vellum authors")
        .AddString("Comments", "second line")
        .AddValue("HintFontSize", "32")
        .AddValue("HintBackColor", "clLime");
    about_.MeasureClock = [] { return 1234u; };
  }
  // Runs ShowAbout; `inside` acts on the box once it is up.
  bool Show(bool allow, const std::function<void(ny::TNyAboutBox&)>& inside) {
    QTimer::singleShot(0, [&] {
      auto* box = qobject_cast<ny::TNyAboutBox*>(QApplication::activeModalWidget());
      ASSERT_NE(box, nullptr);
      inside(*box);
      if (box->isVisible()) box->reject();
    });
    return about_.ShowAbout("From the test", allow);
  }
  static QString Text(ny::TNyAboutBox& box, const char* name) {
    QLabel* l = box.Label(name);
    EXPECT_NE(l, nullptr) << name;
    return l != nullptr ? l->text() : QString();
  }

  ny::TNyComponent props_;
  ny::TNyAbout about_{props_};
  ny::TNyAboutQt view_{about_};
};

TEST_F(NyAboutBoxTest, EveryLineIsFilledAndAnyKeyCloses) {
  const QScreen* screen = QGuiApplication::primaryScreen();
  const bool ok = Show(true, [&](ny::TNyAboutBox& box) {
    EXPECT_EQ(box.windowTitle(), "Information");
    EXPECT_EQ(box.size(), QSize(341, 314));
    EXPECT_FALSE(box.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_EQ(Text(box, "ProductName"), "Vellum");
    EXPECT_TRUE(box.Label("ProductName")->font().bold());
    EXPECT_TRUE(box.Label("Copyright")->font().italic());
    EXPECT_EQ(Text(box, "VFile"), "0.20.0.0");
    EXPECT_TRUE(Text(box, "CPUName").endsWith(" - 1234 Mhz"));
    EXPECT_TRUE(Text(box, "Display").startsWith(QString("%1 x %2   ")
                                                    .arg(screen->geometry().width())
                                                    .arg(screen->geometry().height())));
    EXPECT_TRUE(Text(box, "DiskFree0").startsWith("/: Total="));
    EXPECT_EQ(Text(box, "TmpDir").toStdString(), about_.SysInfo().TmpDir);
    for (const char* name : {"OSName", "Memory", "MemApp", "Comp", "User", "SysDir", "WinDir"}) {
      EXPECT_FALSE(Text(box, name).isEmpty()) << name;
    }
    EXPECT_TRUE(box.Label("System:")->font().underline());
    EXPECT_FALSE(box.Label("CPU:")->font().underline());
    EXPECT_EQ(box.findChild<QPlainTextEdit*>("LComment")->toPlainText(),
              "From the test\nsecond line");
    QTest::keyClick(&box, Qt::Key_A);
    EXPECT_FALSE(box.isVisible());
  });
  EXPECT_TRUE(ok);
  EXPECT_FALSE(Show(true, [](ny::TNyAboutBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }));
}

TEST_F(NyAboutBoxTest, IconWithShiftCtrlAltShowsTheStoredTextUntilReleased) {
  Show(false, [&](ny::TNyAboutBox& box) {
    QLabel* icon = box.Label("Icon");
    ASSERT_NE(icon, nullptr);
    EXPECT_FALSE(icon->pixmap().isNull());
    QTest::mousePress(icon, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_EQ(Text(box, "Copyright"), "Copyright (C) The Vellum authors");
    QTest::mouseRelease(icon, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier);
    const auto all = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
    QTest::mousePress(icon, Qt::LeftButton, all);
    EXPECT_EQ(Text(box, "Copyright").toStdString(), ny::EasterEggText());
    QTest::mouseRelease(icon, Qt::LeftButton, all);
    EXPECT_EQ(Text(box, "Copyright"), "Copyright (C) The Vellum authors");
  });
}

// The underlined labels start the desktop's settings program, only when applets are allowed.
TEST_F(NyAboutBoxTest, UnderlinedLabelsOpenTheDesktopSettingsWhenAllowed) {
  nytest::TestDir bin;
  const std::string program = bin / "gnome-control-center";
  nytest::WriteFile(program, "#!/bin/sh\necho \"$@\" >> \"$0.log\"\n");
  ASSERT_EQ(chmod(program.c_str(), 0755), 0);
  const char* old = getenv("PATH");
  const std::string saved = old != nullptr ? old : "";
  setenv("PATH", (bin.Path() + ":" + saved).c_str(), 1);
  Show(false, [&](ny::TNyAboutBox& box) { QTest::mouseClick(box.Label("Dispaly:"), Qt::LeftButton); });
  Show(true, [&](ny::TNyAboutBox& box) {
    QTest::mouseClick(box.Label("Dispaly:"), Qt::LeftButton);
    QTest::mouseClick(box.Label("CPU:"), Qt::LeftButton);  // not a link
  });
  setenv("PATH", saved.c_str(), 1);
  // The one allowed click ran the program once, for the display settings.
  QTRY_COMPARE_WITH_TIMEOUT(QString::fromStdString(nytest::ReadFile(program + ".log")),
                            QString("display\n"), 10000);
  QTest::qWait(300);
  EXPECT_EQ(nytest::ReadFile(program + ".log"), "display\n");
}

TEST_F(NyAboutBoxTest, HintWindowIsCentredAndReusedUntilHidden) {
  const QRect screen = QGuiApplication::primaryScreen()->geometry();
  about_.ShowHintText("Packing", -1, -1);
  QLabel* hint = view_.HintWindow();
  ASSERT_NE(hint, nullptr);
  EXPECT_TRUE(hint->isVisible());
  EXPECT_EQ(hint->font().pixelSize(), 32);
  EXPECT_EQ(hint->palette().color(QPalette::Window), QColor(0, 255, 0));
  EXPECT_LE(std::abs(hint->geometry().center().x() - screen.width() / 2), 1);
  EXPECT_LE(std::abs(hint->geometry().center().y() - screen.height() / 2), 1);
  const int narrow = hint->width();
  about_.ShowHintText("Packing the archives of the library", -1, -1);
  EXPECT_EQ(view_.HintWindow(), hint);
  EXPECT_GT(hint->width(), narrow);
  EXPECT_LE(hint->width(), screen.width() / 2);
  EXPECT_LE(std::abs(hint->geometry().center().x() - screen.width() / 2), 1);
  about_.ShowHintText("x", 10, 20);
  EXPECT_EQ(hint->pos(), QPoint(10, 20));
  about_.HideHintText();
  EXPECT_EQ(view_.HintWindow(), nullptr);
  about_.HideHintText();  // nothing to remove
}

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
