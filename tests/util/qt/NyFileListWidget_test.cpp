#include "util/qt/NyFileListWidget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "common/TestDir.h"
#include "util/NyApi.h"
#include "util/qt/NyProgressDialog.h"

using namespace ny;
using nytest::TestDir;
using nytest::WriteFile;

namespace {

QStringList Shown(const QListWidget& w) {
  QStringList out;
  for (int i = 0; i < w.count(); ++i) out << w.item(i)->text();
  return out;
}

// Runs `answer` on the next modal window that opens.
void OnNextModal(std::function<void(QWidget*)> answer) {
  QTimer::singleShot(0, [answer] {
    QWidget* m = QApplication::activeModalWidget();
    ASSERT_NE(m, nullptr);
    answer(m);
  });
}

TEST(NyFileListWidget, ShowsTheListAndForwardsClicksAndKeys) {
  TestDir dir;
  WriteFile(dir / "b & c.txt", "x");
  WriteFile(dir / "a.txt", "x");
  ForceDirs(dir / "sub");
  WriteFile(dir / "sub/inner.txt", "x");
  TNyFileListBox list;
  list.SetFilePath(dir.Path());
  TNyFileListWidget w(list);
  w.resize(300, 200);
  w.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
  EXPECT_EQ(Shown(w), (QStringList{" .. ", " sub", "a.txt", "b & c.txt"}));
  EXPECT_FALSE(w.item(1)->icon().isNull());
  EXPECT_FALSE(w.item(2)->icon().isNull());

  // The user's selection goes into the list.
  QTest::mouseClick(w.viewport(), Qt::LeftButton, {}, w.visualItemRect(w.item(2)).center());
  QTest::mouseClick(w.viewport(), Qt::LeftButton, Qt::ControlModifier,
                    w.visualItemRect(w.item(3)).center());
  EXPECT_TRUE(list.Items()[2].Selected);
  EXPECT_TRUE(list.Items()[3].Selected);
  EXPECT_FALSE(list.Items()[1].Selected);
  EXPECT_EQ(list.ItemIndex(), 3);

  // A double click opens the directory; Backspace comes back with it selected.
  QTest::mouseDClick(w.viewport(), Qt::LeftButton, {}, w.visualItemRect(w.item(1)).center());
  EXPECT_EQ(list.FilePath(), dir / "sub/");
  EXPECT_EQ(Shown(w), (QStringList{" .. ", "inner.txt"}));
  EXPECT_TRUE(w.item(0)->isSelected());
  QTest::keyClick(&w, Qt::Key_Backspace);
  EXPECT_EQ(list.FilePath(), dir.Path());
  EXPECT_EQ(w.currentRow(), 1);
  EXPECT_TRUE(w.item(1)->isSelected());

  // Ctrl+2: two columns side by side; Ctrl+0: one again.
  QTest::keyClick(&w, Qt::Key_2, Qt::ControlModifier);
  EXPECT_EQ(list.Columns(), 2);
  EXPECT_TRUE(w.isWrapping());
  QTest::keyClick(&w, Qt::Key_0, Qt::ControlModifier);
  EXPECT_FALSE(w.isWrapping());

  // Delete asks Yes or No in a message box.
  list.SetOptions({TNyAllowType::atDirChange, TNyAllowType::atFileDelete});
  w.setCurrentRow(2);
  OnNextModal([&](QWidget* m) {
    auto* box = qobject_cast<QMessageBox*>(m);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(), QString::fromStdString("Удалиь файл\n\n" + dir / "a.txt"));
    box->button(QMessageBox::Yes)->click();
  });
  QTest::keyClick(&w, Qt::Key_Delete);
  EXPECT_FALSE(FileExistsPlain(dir / "a.txt"));
  EXPECT_EQ(Shown(w), (QStringList{" .. ", " sub", "b & c.txt"}));
}

TEST(NyProgressDialog, ShowsTheCountAndStopsOnCancel) {
  QWidget parent;
  parent.show();
  TNyProgressDialog p(&parent);
  p.ProgressShow("Append document in library", 5);
  ASSERT_NE(p.Dialog(), nullptr);
  EXPECT_TRUE(p.Dialog()->isVisible());
  EXPECT_EQ(p.Dialog()->windowTitle(), "Append document in library");
  p.ProgressUpdate(2, 5, "book.txt");
  EXPECT_EQ(p.Dialog()->labelText(), "2 / 5\nbook.txt");
  EXPECT_EQ(p.Dialog()->value(), 2);
  EXPECT_FALSE(p.ProgressCancelled());
  auto* cancel = p.Dialog()->findChild<QPushButton*>();
  ASSERT_NE(cancel, nullptr);
  cancel->click();
  EXPECT_TRUE(p.ProgressCancelled());
  p.ProgressHide();
  EXPECT_EQ(p.Dialog(), nullptr);
  EXPECT_FALSE(p.ProgressCancelled());
}

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
