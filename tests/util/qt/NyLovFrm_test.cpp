#include "util/qt/NyLovFrm.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include "common/TestDir.h"
#include "sqlite/NyField.h"
#include "sqlite/NySQLite3DB.h"
#include "sqlite/NySQLite3Query.h"

namespace {

class NyLovFrmTest : public ::testing::Test {
 protected:
  void SetUp() override {
    db_.SetDatabase(dir_ / "lib.sqb");
    db_.SetConnected(true);
    db_.ExecuteScript(
        "create table LSTSBJ (NAM VARCHAR2(32), DIR VARCHAR2(64));"
        "insert into LSTSBJ values ('Adventure','Adv');insert into LSTSBJ values ('Drama','Dr');"
        "insert into LSTSBJ values ('Others','Oth');");
    q_.SetConnection(&db_);
    q_.SetSQLText("select RowId,* from LSTSBJ order by NAM");
    q_.Open();
    lov_.SetDataSet(&q_);
    lov_.SetShowField("nam");
  }
  nytest::TestDir dir_;
  ny::TNySQLite3DB db_;
  ny::TNySQLite3Query q_;
  ny::TNyLovD lov_;
};

TEST_F(NyLovFrmTest, LayoutListsTheShownField) {
  ny::TNyLovFrm form(lov_);
  form.show();
  EXPECT_EQ(form.windowTitle(), "Выберите");
  EXPECT_EQ(form.size(), QSize(300, 280));
  EXPECT_EQ(form.Find()->geometry(), QRect(44, 0, 245, 21));
  EXPECT_EQ(form.Find()->focusPolicy() & Qt::TabFocus, 0);
  EXPECT_EQ(form.Memo()->height(), 0);
  EXPECT_FALSE(form.Grid()->horizontalHeader()->isVisible());
  EXPECT_FALSE(form.Grid()->verticalHeader()->isVisible());
  ASSERT_EQ(form.Grid()->model()->rowCount(), 3);
  EXPECT_EQ(form.Grid()->model()->columnCount(), 1);
  EXPECT_EQ(form.Grid()->model()->index(1, 0).data().toString(), "Drama");
  EXPECT_EQ(q_.FieldByName("NAM").AsString(), "Adventure");  // the cursor stayed
}

TEST_F(NyLovFrmTest, SearchSelectsAndAChoiceMovesTheRecordSet) {
  ny::TNyLovFrm form(lov_);
  form.show();
  form.Find()->setText("ot");
  EXPECT_EQ(form.Grid()->currentIndex().row(), 2);
  form.Find()->setText("dr");
  ASSERT_EQ(form.Grid()->currentIndex().row(), 1);
  // A double click as the mouse makes it: a click, then the double click.
  QWidget* cells = form.Grid()->viewport();
  const QPoint at = form.Grid()->visualRect(form.Grid()->currentIndex()).center();
  QTest::mouseClick(cells, Qt::LeftButton, {}, at);
  QTest::mouseDClick(cells, Qt::LeftButton, {}, at);
  EXPECT_EQ(form.result(), QDialog::Accepted);
  EXPECT_EQ(q_.FieldByName("NAM").AsString(), "Drama");
  EXPECT_EQ(lov_.Width(), 300);  // StorySize keeps the size
  // Opened again at the kept place and size; Esc cancels and moves nothing.
  lov_.SetWidth(320);
  ny::TNyLovFrm again(lov_);
  again.show();
  EXPECT_EQ(again.width(), 320);
  QTest::keyClick(again.Grid(), Qt::Key_Down);
  QTest::keyClick(again.Grid(), Qt::Key_Escape);
  EXPECT_EQ(again.result(), QDialog::Rejected);
  EXPECT_EQ(q_.FieldByName("NAM").AsString(), "Drama");
}

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
