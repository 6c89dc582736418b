#include "util/qt/PathDlgBrowser.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "common/TestDir.h"
#include "util/NyApi.h"

namespace {

// Acts on the chooser once it is up.
void WhenOpen(const std::function<void(QFileDialog&)>& act) {
  QTimer::singleShot(50, [act] {
    auto* chooser = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(chooser, nullptr);
    act(*chooser);
  });
}

TEST(PathDlgBrowser, OpensOnTheStartingDirectoryAndReturnsTheChoice) {
  nytest::TestDir d;
  ny::TPathDlgBrowser browser;
  ny::TPathDlg dlg(browser);
  dlg.SetTitle("Choose the library folder");
  dlg.SetDirectory(d.Path());
  QString status;
  bool hasCreate = true;
  WhenOpen([&](QFileDialog& chooser) {
    EXPECT_EQ(chooser.windowTitle(), "Choose the library folder");
    EXPECT_EQ(chooser.directory().absolutePath().toStdString(), ny::DelBackslash(d.Path()));
    status = chooser.findChild<QLabel*>("StatusText")->text();
    hasCreate = chooser.findChild<QPushButton*>("Create") != nullptr ||
                chooser.findChild<QPushButton*>("Delete") != nullptr;
    static_cast<QDialog&>(chooser).accept();  // as the Choose button does
  });
  ASSERT_TRUE(dlg.Execute());
  EXPECT_EQ(dlg.Directory(), d.Path());
  EXPECT_EQ(status.toStdString(), ny::DelBackslash(d.Path()));
  EXPECT_FALSE(hasCreate);
  EXPECT_EQ(browser.Dialog(), nullptr);

  WhenOpen([](QFileDialog& chooser) { chooser.reject(); });
  dlg.SetDirectory(d.Path());
  EXPECT_FALSE(dlg.Execute());
  EXPECT_EQ(dlg.Directory(), ny::DelBackslash(d.Path()));
}

TEST(PathDlgBrowser, CreateButtonMakesTheSubdirectoryAndReopensOnIt) {
  nytest::TestDir d;
  ny::TPathDlgBrowser browser;
  ny::TPathDlg dlg(browser);
  dlg.SetEnableNew(true);
  dlg.SetDirectory(d.Path());
  QString reopenedOn;
  WhenOpen([&](QFileDialog& chooser) {
    EXPECT_EQ(chooser.findChild<QPushButton*>("Delete"), nullptr);
    QTimer::singleShot(50, [] {
      auto* input = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(input, nullptr);
      EXPECT_EQ(input->windowTitle(), "Create new SubDirectory");
      input->setTextValue("Novels");
      input->accept();
      WhenOpen([](QFileDialog& again) {
        EXPECT_EQ(again.directory().dirName(), "Novels");
        static_cast<QDialog&>(again).accept();
      });
    });
    chooser.findChild<QPushButton*>("Create")->click();
  });
  ASSERT_TRUE(dlg.Execute());
  EXPECT_TRUE(ny::DirExists(d / "Novels"));
  EXPECT_EQ(dlg.Directory(), d / "Novels/");
}

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
