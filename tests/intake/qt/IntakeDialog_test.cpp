#include "intake/qt/IntakeDialog.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <functional>
#include <stdexcept>

#include "app/qt/VellumApplication.h"
#include "common/ProgramDirTest.h"
#include "sqlite/NySQLite3DB.h"
#include "sqlite/NySQLite3Query.h"
#include "util/NyApi.h"
#include "util/NyCurrentDir.h"
#include "util/qt/NyFileListWidget.h"

using namespace ny;
using nytest::WriteFile;

namespace {

QStringList Shown(const QListWidget& w) {
  QStringList out;
  for (int i = 0; i < w.count(); ++i) out << w.item(i)->text();
  return out;
}

class IntakeDialogQtTest : public nytest::ProgramDirTest {
 protected:
  void SetUp() override {
    ProgramDirTest::SetUp();
    start = dir_ / "docs/";
    ForceDirs(start);
    for (const char* f : {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt", "notes.md"}) {
      WriteFile(start + f, "text");
    }
    db.SetDatabase(dir_ / "lib.sqb");
    db.SetConnected(true);
    ASSERT_TRUE(db.Connected());
    db.ExecuteScript("CREATE TABLE LSTSBJ ( NAM VARCHAR2(64) ,DIR VARCHAR2(128));");
    db.ExecuteScript(
        "insert into LSTSBJ (NAM,DIR) values ('Drama','Drama');insert into LSTSBJ (NAM,DIR) "
        "values ('Tales','TalesDir');");
    sbj.SetName("LstSbj");
    sbj.SetConnection(&db);
    sbj.SetSQLText("select RowId,* from LSTSBJ order by NAM");
    sbj.SetSQLTable("LSTSBJ");
    sbj.SetSQLWhere("RowId=:RowId");
    sbj.Open();
    request.StartDir = start;
    request.Subjects = &sbj;
    request.LangCode = "Def";
    request.Work = [this](const TIntakeItem& item) {
      done << QString::fromStdString(ExtractName(item.Path) + "|" + item.SubjectDir);
      if (onWork) onWork(item);
    };
  }

  // Runs `script` in the shown dialog, then closes it with Escape.
  void Run(std::function<void(TIntakeDialog&)> script) {
    bool ran = false;
    QTimer::singleShot(0, [&] {
      auto* d = qobject_cast<TIntakeDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(d, nullptr);
      d->activateWindow();
      EXPECT_TRUE(QTest::qWaitForWindowActive(d));
      script(*d);
      ran = true;
      QWidget* focus = QApplication::focusWidget();
      QTest::keyClick(focus != nullptr ? focus : d, Qt::Key_Escape);
      if (d->isVisible()) {
        ADD_FAILURE() << "Escape did not close the dialog";
        d->reject();
      }
    });
    ExecImpDialog(nullptr, request);
    EXPECT_TRUE(ran);
  }

  template <class W>
  static W* Get(TIntakeDialog& d, const char* name) {
    W* w = qobject_cast<W*>(d.Control(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }

  static void Pick(QListWidget& list, const QStringList& texts) {
    for (int i = 0; i < list.count(); ++i) {
      if (texts.contains(list.item(i)->text())) {
        QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::ControlModifier,
                          list.visualItemRect(list.item(i)).center());
      }
    }
  }

  std::string start;
  TNySQLite3DB db;
  TNySQLite3Query sbj;
  TIntakeRequest request;
  QStringList done;
  std::function<void(const TIntakeItem&)> onWork;
};

TEST_F(IntakeDialogQtTest, ClicksAndKeysReachTheDialog) {
  const std::string cwd = GetCurrentDir();
  QStringList reported;
  TVellumApplication::SetErrorReporter([&](const QString& m) { reported << m; });
  Run([&](TIntakeDialog& d) {
    EXPECT_EQ(d.windowTitle(), "Append document in library");
    EXPECT_EQ(Get<QLabel>(d, "Label1")->text(), QString::fromStdString(start));
    auto* combo = Get<QComboBox>(d, "ComboBox1");
    auto* list = Get<QListWidget>(d, "FileList");
    auto* grid = Get<QTableView>(d, "DBGrid1");
    ASSERT_TRUE(combo && list && grid);
    EXPECT_EQ(combo->currentText(), "*.txt");
    EXPECT_EQ(grid->model()->headerData(0, Qt::Horizontal).toString(), "Subject");
    EXPECT_TRUE(grid->isColumnHidden(1));
    EXPECT_EQ(grid->model()->index(1, 0).data().toString(), "Tales");

    // A typed mask and Enter: the list follows, nothing executes.
    combo->setFocus();
    const QColor info = QToolTip::palette().color(QPalette::ToolTipBase);
    EXPECT_EQ(combo->palette().color(QPalette::Base), info);
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo, "*.md");
    QTest::keyClick(combo, Qt::Key_Return);
    EXPECT_EQ(Shown(*list), (QStringList{" .. ", "notes.md"}));
    EXPECT_TRUE(done.isEmpty());
    combo->activated(5);  // "*.*"

    // The subject row clicked moves the subject record set; the grid takes the colour.
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {},
                      grid->visualRect(grid->model()->index(1, 0)).center());
    EXPECT_EQ(sbj.FieldByName("NAM").AsString(), "Tales");
    grid->setFocus(Qt::MouseFocusReason);  // a synthetic click moves no focus
    EXPECT_EQ(grid->palette().color(QPalette::Base), info);
    EXPECT_EQ(combo->palette().color(QPalette::Base),
              QApplication::palette(combo).color(QPalette::Base));

    // Five files: the progress window shows the file at hand; Cancel stops after it.
    Pick(*list, {"a.txt", "b.txt", "c.txt", "d.txt", "e.txt"});
    onWork = [&](const TIntakeItem& item) {
      QProgressDialog* p = d.ProgressDialog().Dialog();
      ASSERT_NE(p, nullptr);
      EXPECT_TRUE(p->isVisible());
      EXPECT_TRUE(p->labelText().endsWith(QString::fromStdString(ExtractName(item.Path))));
      if (done.size() == 2) p->cancel();
    };
    QTest::mouseClick(Get<QPushButton>(d, "BitBtn1"), Qt::LeftButton);
    EXPECT_EQ(done, (QStringList{"a.txt|TalesDir", "b.txt|TalesDir"}));
    EXPECT_EQ(d.ProgressDialog().Dialog(), nullptr);
    EXPECT_EQ(list->selectedItems().size(), 0);

    // An error of the work is reported; the dialog stays open.
    onWork = [](const TIntakeItem&) { throw std::runtime_error("Bad archive"); };
    Pick(*list, {"notes.md"});
    QTest::mouseClick(Get<QPushButton>(d, "BitBtn1"), Qt::LeftButton);
    EXPECT_EQ(reported, (QStringList{"Bad archive"}));
    EXPECT_TRUE(d.isVisible());
    auto* check = Get<QCheckBox>(d, "CheckBox1");
    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(6, check->height() / 2));
    EXPECT_TRUE(d.Logic()->DeleteSource());
    list->setFocus();
    ASSERT_NE(::chdir(start.c_str()), -1);
  });
  TVellumApplication::SetErrorReporter(nullptr);
  // Escape closed it; the current directory is the one before.
  EXPECT_EQ(GetCurrentDir(), cwd);
}

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  TVellumApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
