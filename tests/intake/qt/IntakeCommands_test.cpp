// The intake buttons of the real main window, offscreen: a document appended through the
// append dialog and deleted after the question, both seen in the grid at once.
#include "intake/qt/IntakeCommands.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <functional>

#include "app/LibrarySchema.h"
#include "app/qt/MainWindow.h"
#include "app/qt/VellumApplication.h"
#include "archive/ZipWriter.h"
#include "common/ProgramDirTest.h"
#include "intake/qt/IntakeDialog.h"
#include "sqlite/NySQLite3DB.h"
#include "util/NyApi.h"

namespace {

class IntakeCommandsTest : public nytest::ProgramDirTest {
 protected:
  void SetUp() override {
    ProgramDirTest::SetUp();
    ny::TNySQLite3DB db;
    db.SetDatabase(lib_);
    db.SetConnected(true);
    for (const std::string& step : ny::LibrarySchemaSteps()) db.ExecuteScript(step);
    ny::IniWriteStr(env_.SettingsFile, "main", "pathbook", lib_);
    nytest::WriteFile(dir_ / "a.txt", "a document");
    ny::TVellumApplication::SetErrorReporter([this](const QString& m) { reported_ << m; });
  }
  void TearDown() override {
    ny::TVellumApplication::SetErrorReporter(nullptr);
    ProgramDirTest::TearDown();
  }
  // Clicks tool button `name` of `w`; `modal` runs on the modal window it opens.
  static void Click(ny::MainWindow& w, const char* name, std::function<void(QWidget*)> modal) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
      QWidget* m = QApplication::activeModalWidget();
      ASSERT_NE(m, nullptr);
      modal(m);
      ran = true;
    });
    auto* b = qobject_cast<QToolButton*>(w.Control(name));
    ASSERT_NE(b, nullptr) << name;
    b->click();
    EXPECT_TRUE(ran) << name;
  }

  std::string lib_ = dir_ / "Books.sqb";
  QStringList reported_;
};

TEST_F(IntakeCommandsTest, AppendAndDeleteButtons) {
  ny::MainWindow w(env_);
  w.show();
  auto* grid = qobject_cast<QTableView*>(w.Control("DBGrid"));
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->model()->rowCount(), 0);

  Click(w, "bDocAppend", [](QWidget* m) {
    auto* d = qobject_cast<ny::TIntakeDialog*>(m);
    ASSERT_NE(d, nullptr);
    auto* list = qobject_cast<QListWidget*>(d->Control("FileList"));
    ASSERT_NE(list, nullptr);
    const auto found = list->findItems("a.txt", Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    found[0]->setSelected(true);
    qobject_cast<QPushButton*>(d->Control("BitBtn1"))->click();
    d->reject();
  });
  ASSERT_EQ(grid->model()->rowCount(), 1);  // in the list at once
  const std::string subj = w.Form().LstSbj().FieldByName("NAM").AsString();
  EXPECT_EQ(w.Form().LstDoc().FieldByName("SUBJ").AsString(), subj);
  const std::string archive = dir_ / "Books/" + subj + "/a.ZIP";
  EXPECT_TRUE(ny::FileExistsPlain(archive));

  // No keeps both; Yes takes both.
  auto answer = [](QMessageBox::StandardButton b) {
    return [b](QWidget* m) {
      auto* box = qobject_cast<QMessageBox*>(m);
      ASSERT_NE(box, nullptr);
      EXPECT_TRUE(box->text().contains("a.ZIP"));
      box->button(b)->click();
    };
  };
  Click(w, "bDocDelete", answer(QMessageBox::No));
  EXPECT_EQ(grid->model()->rowCount(), 1);
  EXPECT_TRUE(ny::FileExistsPlain(archive));
  Click(w, "bDocDelete", answer(QMessageBox::Yes));
  EXPECT_EQ(grid->model()->rowCount(), 0);
  EXPECT_FALSE(ny::FileExistsPlain(archive));
  EXPECT_TRUE(reported_.isEmpty()) << reported_.join("; ").toStdString();
}

TEST_F(IntakeCommandsTest, ImportButtonOpensTheArchiveDialog) {
  ny::TZipWriter zip;
  zip.SetZipName(dir_ / "story.zip");
  zip.SetFilesList({dir_ / "a.txt"});
  ASSERT_EQ(zip.Pack(), ny::TZipWriteStatus::zwOk);
  ny::MainWindow w(env_);
  w.show();
  Click(w, "bArcAppend", [](QWidget* m) {
    auto* d = qobject_cast<ny::TIntakeDialog*>(m);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->windowTitle(), "Import archive in library");
    auto* list = qobject_cast<QListWidget*>(d->Control("FileList"));
    const auto found = list->findItems("story.zip", Qt::MatchExactly);
    ASSERT_EQ(found.size(), 1);
    found[0]->setSelected(true);
    qobject_cast<QPushButton*>(d->Control("BitBtn1"))->click();
    d->reject();
  });
  ny::TNySQLite3Query& doc = w.Form().LstDoc();
  ASSERT_EQ(doc.RecordCount(), 1);
  EXPECT_EQ(doc.FieldByName("FILENAME").AsString(), "a.txt");
  EXPECT_EQ(doc.FieldByName("ARCHNAME").AsString(), "story.zip");
}

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ny::TVellumApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
