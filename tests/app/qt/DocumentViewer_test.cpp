// Opening a document in the window, offscreen: Enter in the real grid unpacks a real zip
// archive and shows the text on page "TXT" in the viewer; its keypad keys and Esc.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QTableView>
#include <QTest>
#include <QToolButton>
#include <filesystem>

#include "app/Form1Model.h"
#include "app/LibrarySchema.h"
#include "app/qt/MainWindow.h"
#include "app/qt/VellumApplication.h"
#include "archive/ArchiveOps.h"
#include "archive/ZipWriter.h"
#include "common/ProgramDirTest.h"
#include "sqlite/NySQLite3DB.h"
#include "util/NyApi.h"
#include "util/qt/NyRtfEdt.h"

namespace {

class DocumentViewerTest : public nytest::ProgramDirTest {
 protected:
  void SetUp() override {
    ProgramDirTest::SetUp();
    ny::TNySQLite3DB db;
    db.SetDatabase(lib_);
    db.SetConnected(true);
    for (const std::string& step : ny::LibrarySchemaSteps()) db.ExecuteScript(step);
    db.ExecuteScript(
        "insert into LSTDOC (AUTHOR,NAME,SUBJ,SIZE,FILENAME,ARCHNAME) values "
        "('Warren','Report','War',1,'Report.txt','Report.ZIP');");
    std::filesystem::create_directories(dir_ / "src");
    std::filesystem::create_directories(dir_ / "Books/War");
    nytest::WriteFile(dir_ / "src/Report.txt", "line one\nline two\n");
    ny::TZipWriter writer;
    std::filesystem::rename(ny::PackDocument(writer, dir_ / "src/", dir_ / "src/Report.txt"),
                            dir_ / "Books/War/Report.ZIP");
    ny::IniWriteStr(env_.SettingsFile, "main", "pathbook", lib_);
    ny::IniWriteStr(env_.SettingsFile, "main", "FontName", "DejaVu Sans Mono");
    ny::IniWriteStr(env_.SettingsFile, "main", "FontSize", "19");
    ny::IniWriteStr(env_.SettingsFile, "main", "FontCSet", "204");
    ny::TVellumApplication::SetErrorReporter([this](const QString& m) { reported_ << m; });
  }
  void TearDown() override {
    ny::TVellumApplication::SetErrorReporter(nullptr);
    ProgramDirTest::TearDown();
  }
  static void Keypad(QWidget* w, Qt::Key key, Qt::KeyboardModifiers mods, int times = 1) {
    for (int i = 0; i < times; ++i) QTest::keyClick(w, key, mods | Qt::KeypadModifier);
  }
  std::string lib_ = dir_ / "Books.sqb";
  QStringList reported_;
};

TEST_F(DocumentViewerTest, EnterShowsTheTextKeypadKeysKeepTheirLimitsAndEscReturns) {
  ny::MainWindow w(env_);
  w.show();
  w.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
  auto* viewer = qobject_cast<ny::TNyRichEdit*>(w.Control("RichEdit"));
  ASSERT_NE(viewer, nullptr);
  // The viewer takes the font of the settings, bold and read-only.
  EXPECT_TRUE(viewer->ReadOnly());
  EXPECT_TRUE(viewer->font().bold());
  EXPECT_EQ(viewer->FontSize(), 19);
  EXPECT_EQ(viewer->FontCharset(), 204);

  auto* grid = qobject_cast<QTableView*>(w.Control(ny::kDocGrid));
  grid->setFocus();
  grid->setCurrentIndex(grid->model()->index(0, 0));
  QTest::keyClick(grid, Qt::Key_Return);
  EXPECT_EQ(w.ShownPage(), "TXT");
  const std::string view = env_.TempDir + "ArcBook.txt";
  EXPECT_EQ(viewer->toPlainText().toStdString(), "line one\nline two\n");
  EXPECT_EQ(qobject_cast<QLabel*>(w.Control("lNameText"))->text().toStdString(),
            "Report - " + view);
  EXPECT_EQ(w.Form().LstDoc().FieldByName("SIZE").AsLargeInt(), 18);

  // Ctrl + keypad + stops at 20, Ctrl + keypad - at 4; Alt + keypad * toggles the face.
  Keypad(viewer, Qt::Key_Plus, Qt::ControlModifier, 3);
  EXPECT_EQ(viewer->FontSize(), 20);
  Keypad(viewer, Qt::Key_Minus, Qt::ControlModifier, 20);
  EXPECT_EQ(viewer->FontSize(), 4);
  EXPECT_TRUE(viewer->font().bold());
  Keypad(viewer, Qt::Key_Asterisk, Qt::AltModifier);
  EXPECT_EQ(viewer->FontName(), "Courier New");
  EXPECT_EQ(viewer->toPlainText().toStdString(), "line one\nline two\n");  // read-only still

  QTest::keyClick(viewer, Qt::Key_Escape);
  EXPECT_EQ(w.ShownPage(), "LST");
  // The button opens the document again.
  qobject_cast<QToolButton*>(w.Control("bDocOpen"))->click();
  EXPECT_EQ(w.ShownPage(), "TXT");
  EXPECT_TRUE(reported_.isEmpty()) << reported_.join("; ").toStdString();
}

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ny::TVellumApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
