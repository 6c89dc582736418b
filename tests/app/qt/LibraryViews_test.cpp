// The library on screen: the real grids, memo and search box of the main window, offscreen.
#include "app/qt/LibraryViews.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QColor>
#include <QEvent>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QProgressDialog>
#include <QTimer>
#include <QToolButton>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>

#include "app/Form1Model.h"
#include "app/LibrarySchema.h"
#include "app/qt/MainWindow.h"
#include "app/qt/NyDataSetModel.h"
#include "app/qt/VellumApplication.h"
#include "common/ProgramDirTest.h"
#include "sqlite/NySQLite3DB.h"
#include "util/NyApi.h"
#include "util/NyText.h"

namespace {

class LibraryViewsTest : public nytest::ProgramDirTest {
 protected:
  void SetUp() override {
    ProgramDirTest::SetUp();
    ny::TNySQLite3DB db;
    db.SetDatabase(lib_);
    db.SetConnected(true);
    for (const std::string& step : ny::LibrarySchemaSteps()) db.ExecuteScript(step);
    db.ExecuteScript(
        "insert into LSTDOC (AUTHOR,NAME,SUBJ,SIZE,ARCHNAME,TEXT) values "
        "('Warren','Beta','Drama',20,'b.ZIP','old note');"
        "insert into LSTDOC (AUTHOR,NAME,SUBJ,SIZE,ARCHNAME) values "
        "('" + ny::EncodeCodePage("Пушкин", 1251) + "','Verse','Lyric',7,'p.ZIP');");
    ny::IniWriteStr(env_.SettingsFile, "main", "pathbook", lib_);
    ny::TVellumApplication::SetErrorReporter([this](const QString& m) { reported_ << m; });
  }
  void TearDown() override {
    ny::TVellumApplication::SetErrorReporter(nullptr);
    ProgramDirTest::TearDown();
  }
  std::unique_ptr<ny::MainWindow> Open() {
    auto w = std::make_unique<ny::MainWindow>(env_);
    w->show();
    w->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(w.get()));
    return w;
  }
  std::string Sql(const std::string& text) {
    ny::TNySQLite3DB db;
    db.SetDatabase(lib_);
    db.SetConnected(true);
    std::string out;
    db.QueryValue(text, {}, true, out);
    return out;
  }
  // Types `text` into `w` as key presses carrying the characters (any script).
  static void Type(QWidget* w, const QString& text) {
    for (QChar c : text) {
      QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
      QApplication::sendEvent(w, &press);
      QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
      QApplication::sendEvent(w, &release);
    }
  }
  static QTableView* Grid(ny::MainWindow& w, const char* name) {
    return qobject_cast<QTableView*>(w.Control(name));
  }
  std::string lib_ = dir_ / "Books.sqb";
  QStringList reported_;
};

TEST_F(LibraryViewsTest, TheStoredLibraryIsShownSortedAndSearched) {
  auto w = Open();
  QTableView* grid = Grid(*w, ny::kDocGrid);
  QAbstractItemModel* m = grid->model();
  ASSERT_EQ(m->rowCount(), 2);
  EXPECT_EQ(m->index(0, 0).data().toString(), "Warren");
  EXPECT_EQ(m->index(1, 0).data().toString(), QString::fromUtf8("Пушкин"));  // decoded
  EXPECT_EQ(qobject_cast<QLabel*>(w->Control("lRec"))->text(), "2");
  EXPECT_TRUE(grid->isColumnHidden(4));
  EXPECT_EQ(w->windowTitle(), QString::fromStdString("Vellum 00.20 [" + lib_ + "]"));
  EXPECT_EQ(qobject_cast<QPlainTextEdit*>(w->Control("DBMemo1"))->toPlainText(), "old note");
  // Two clicks on the title of "Author": descending, with the mark on screen.
  const QPoint title(grid->horizontalHeader()->sectionViewportPosition(0) + 10, 5);
  QTest::mouseClick(grid->horizontalHeader()->viewport(), Qt::LeftButton, {}, title);
  EXPECT_EQ(m->headerData(0, Qt::Horizontal).toString(), QString::fromUtf8("• Author"));
  QTest::mouseClick(grid->horizontalHeader()->viewport(), Qt::LeftButton, {}, title);
  EXPECT_EQ(m->headerData(0, Qt::Horizontal).toString(), "^ Author");
  EXPECT_EQ(m->index(0, 0).data().toString(), QString::fromUtf8("Пушкин"));
  // Typing a Cyrillic search with automatic refresh.
  w->Form().SetChecked("chAutoFind", true);
  auto* like = qobject_cast<QLineEdit*>(w->Control("eLike"));
  like->setFocus();
  Type(like, QString::fromUtf8("пуш"));
  EXPECT_EQ(m->rowCount(), 1);
  EXPECT_EQ(qobject_cast<QLabel*>(w->Control("lRec"))->text(), "1");
  EXPECT_TRUE(reported_.isEmpty()) << reported_.join("|").toStdString();
}

TEST_F(LibraryViewsTest, EditsInTheGridAndTheMemoReachTheLibrary) {
  auto w = Open();
  QTableView* grid = Grid(*w, ny::kDocGrid);
  auto* memo = qobject_cast<QPlainTextEdit*>(w->Control("DBMemo1"));
  // The Enter that commits a cell's edit belongs to the editor: it opens no document.
  int openings = 0;
  w->Form().OnOpenDocument = [&openings] { ++openings; };
  grid->setFocus();
  grid->setCurrentIndex(grid->model()->index(0, 0));
  // F2 edits the author; Enter commits; moving down posts the row.
  QTest::keyClick(grid, Qt::Key_F2);
  QWidget* editor = QApplication::focusWidget();
  ASSERT_NE(editor, grid);
  QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(editor, "Tolstoy");
  QTest::keyClick(editor, Qt::Key_Return);
  QCoreApplication::processEvents();  // the editor commits after the key
  EXPECT_EQ(w->Form().LstDoc().State(), ny::TDataSetState::dsEdit);
  EXPECT_EQ(openings, 0);
  QTest::keyClick(grid, Qt::Key_Down);
  EXPECT_EQ(w->Form().LstDoc().State(), ny::TDataSetState::dsBrowse);
  EXPECT_EQ(Sql("select AUTHOR from LSTDOC where RowId=1"), "Tolstoy");
  EXPECT_EQ(grid->currentIndex().row(), 1);
  // Subject and size cannot be edited in place.
  EXPECT_FALSE(grid->model()->flags(grid->model()->index(0, 1)) & Qt::ItemIsEditable);
  EXPECT_FALSE(grid->model()->flags(grid->model()->index(0, 3)) & Qt::ItemIsEditable);
  // The memo edits TEXT of the current row and posts when it loses the focus.
  memo->setFocus();
  QTest::keyClicks(memo, "new comment");
  grid->setFocus();
  EXPECT_EQ(Sql("select TEXT from LSTDOC where RowId=2"), "new comment");
  // F5 reloads, keeps the row and beeps (the row is the second still).
  QTest::keyClick(grid, Qt::Key_F5);
  EXPECT_EQ(grid->currentIndex().row(), 1);
  EXPECT_EQ(memo->toPlainText(), "new comment");
  // A missing archive paints the row red while "Check file exist" is on.
  EXPECT_FALSE(grid->model()->index(0, 0).data(Qt::ForegroundRole).isValid());
  w->Form().SetChecked("chCheckFileExist", true);
  EXPECT_EQ(grid->model()->index(0, 2).data(Qt::ForegroundRole).value<QColor>(), QColor(255, 0, 0));
  // Enter on the grid itself opens the current document.
  grid->setFocus();
  QTest::keyClick(grid, Qt::Key_Return);
  EXPECT_EQ(openings, 1);
  EXPECT_TRUE(reported_.isEmpty()) << reported_.join("|").toStdString();
}

TEST_F(LibraryViewsTest, TheTriggerRefusalIsShownAndTheSubjectStaysInEditing) {
  auto w = Open();
  w->Form().bOptionClick();
  QTableView* grid = Grid(*w, ny::kSubjectGrid);
  ny::TNySQLite3Query& sbj = w->Form().LstSbj();
  ASSERT_EQ(grid->model()->rowCount(), 29);
  ASSERT_TRUE(sbj.Locate("NAM", ny::TNyValue("Drama"), {}));
  const int drama = sbj.RecNo() - 1;
  EXPECT_EQ(grid->currentIndex().row(), drama);  // the grid follows the record set
  grid->setFocus();
  grid->setCurrentIndex(grid->model()->index(drama, 1));
  QTest::keyClick(grid, Qt::Key_F2);
  QWidget* editor = QApplication::focusWidget();
  QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(editor, "Plays");
  QTest::keyClick(editor, Qt::Key_Return);
  QCoreApplication::processEvents();  // the editor commits after the key
  QTest::keyClick(grid, Qt::Key_Up);
  ASSERT_EQ(reported_.size(), 1);
  EXPECT_TRUE(reported_[0].contains(ny::kTriggerMessage)) << reported_[0].toStdString();
  EXPECT_EQ(sbj.State(), ny::TDataSetState::dsEdit);
  EXPECT_EQ(grid->currentIndex().row(), drama);
  EXPECT_EQ(grid->model()->index(drama, 1).data().toString(), "Plays");
  EXPECT_EQ(Sql("select DIR from LSTSBJ where NAM='Drama'"), "Drama");
  // Esc gives the change up (and the window goes back to the list); Insert makes a new row
  // at the end, posted on leaving it.
  QTest::keyClick(grid, Qt::Key_Escape);
  EXPECT_EQ(sbj.State(), ny::TDataSetState::dsBrowse);
  EXPECT_EQ(grid->model()->index(drama, 1).data().toString(), "Drama");
  EXPECT_EQ(w->ShownPage(), "LST");
  w->Form().bOptionClick();
  grid->setFocus();
  QTest::keyClick(grid, Qt::Key_Insert);
  ASSERT_EQ(grid->model()->rowCount(), 30);
  EXPECT_EQ(grid->currentIndex().row(), 29);
  grid->setCurrentIndex(grid->model()->index(29, 0));
  QTest::keyClick(grid, Qt::Key_F2);
  QTest::keyClicks(QApplication::focusWidget(), "Zen");
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  QCoreApplication::processEvents();
  QTest::keyClick(grid, Qt::Key_Up);
  EXPECT_EQ(Sql("select count(*) from LSTSBJ where NAM='Zen'"), "1");
  EXPECT_EQ(reported_.size(), 1);
}


// The tool bar's Statistics and Check library: the progress window during the walk, the
// summary in a message box, the list back on its row; the option box below the find group.
TEST_F(LibraryViewsTest, StatisticsAndCheckRunFromTheToolBar) {
  auto w = Open();
  w->Form().WalkProgressDelayMs = 0;
  QTableView* grid = Grid(*w, ny::kDocGrid);
  grid->setCurrentIndex(grid->model()->index(1, 0));
  ASSERT_EQ(w->Form().LstDoc().RecNo(), 2);
  QStringList shown;
  // The progress window of a two-row walk is up for less than a timer's tick: its showing is
  // caught where it happens.
  struct TShowSpy : QObject {
    bool seen = false;
    bool eventFilter(QObject* o, QEvent* e) override {
      if (e->type() == QEvent::Show && qobject_cast<QProgressDialog*>(o) != nullptr) seen = true;
      return false;
    }
  } spy;
  qApp->installEventFilter(&spy);
  QTimer poll;
  QObject::connect(&poll, &QTimer::timeout, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      shown << box->text();
      box->accept();
    }
  });
  poll.start(5);
  qobject_cast<QToolButton*>(w->Control("bCheck"))->click();
  qobject_cast<QToolButton*>(w->Control("bStats"))->click();
  poll.stop();
  qApp->removeEventFilter(&spy);
  ASSERT_EQ(shown.size(), 2);
  EXPECT_EQ(shown[0], "All records: 2\nValid files: 0\nArchive file not exist: 2\n");
  EXPECT_TRUE(shown[1].startsWith("Library contain:\n2 documents 27 bytes")) << shown[1].toStdString();
  EXPECT_TRUE(spy.seen);
  EXPECT_EQ(w->Form().LstDoc().RecNo(), 2);
  EXPECT_EQ(grid->currentIndex().row(), 1);
  EXPECT_TRUE(reported_.isEmpty());
  QWidget* verify = w->Control("chVerifyArc");
  ASSERT_NE(verify, nullptr);
  EXPECT_FALSE(w->Control("GroupBox1")->isAncestorOf(verify));
}

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  ny::TVellumApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
