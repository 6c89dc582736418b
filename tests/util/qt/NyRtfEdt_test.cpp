// The viewer control on screen: rich text shown formatted (bold, a table), plain text in the
// viewer's font after a failed rich reading, a second file replacing the first, the keypad.
#include "util/qt/NyRtfEdt.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>

#include "common/TestDir.h"
#include "util/NyText.h"

namespace {

using nytest::TestDir;
using nytest::WriteFile;

// The character format at the first occurrence of `text` in the document.
QTextCharFormat FormatAt(QTextDocument* doc, const QString& text) {
  QTextCursor c = doc->find(text);
  EXPECT_FALSE(c.isNull()) << text.toStdString();
  return c.charFormat();
}

TEST(NyRtfEdtTest, ShowsRichTextFormattedAndPlainTextAsItIs) {
  TestDir dir;
  WriteFile(dir / "a.rtf",
            "{\\rtf1{\\fonttbl{\\f0 Courier;}}\\pard\\qc \\u1055?\\u1088?\\u1080?\\u1074?\\u1077?\\u1090?, "
            "{\\b \\u1084?\\u1080?\\u1088?}!\\par"
            "\\trowd\\cellx100\\cellx200\\intbl a1\\cell b1\\cell\\row\\trowd\\intbl c1\\cell\\row"
            "\\pard after\\par}");
  WriteFile(dir / "b.txt", ny::EncodeCodePage("Строка один\r\nстрока два\r\n", 1251));
  ny::TNyRichEdit edit;
  edit.SetReadOnly(true);
  edit.SetViewerFont("Courier New", 12, true);
  edit.SetFontCharset(204);
  edit.resize(400, 300);
  edit.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&edit));

  edit.LoadFromFile(dir / "a.rtf");
  EXPECT_TRUE(edit.IsRich());
  QTextDocument* doc = edit.document();
  EXPECT_EQ(FormatAt(doc, "мир").fontWeight(), QFont::Bold);
  EXPECT_NE(FormatAt(doc, "Привет").fontWeight(), QFont::Bold);
  EXPECT_EQ(doc->begin().blockFormat().alignment() & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
  QTextCursor cell = doc->find("b1");
  ASSERT_NE(cell.currentTable(), nullptr);
  EXPECT_EQ(cell.currentTable()->columns(), 2);
  EXPECT_EQ(cell.currentTable()->cellAt(cell).column(), 1);
  // A row of fewer cells starts a table of its own: a ragged table costs only its cells.
  ASSERT_NE(doc->find("c1").currentTable(), nullptr);
  EXPECT_EQ(doc->find("c1").currentTable()->columns(), 1);
  EXPECT_EQ(doc->find("after").currentTable(), nullptr);

  edit.LoadFromFile(dir / "b.txt");
  EXPECT_FALSE(edit.IsRich());
  EXPECT_EQ(edit.toPlainText().toStdString(), "Строка один\nстрока два\n");
  EXPECT_EQ(edit.document()->defaultFont().family(), "Courier New");
  EXPECT_TRUE(edit.document()->defaultFont().bold());
  EXPECT_THROW(edit.LoadFromFile(dir / "none.txt"), ny::ELoadStream);
  EXPECT_EQ(edit.toPlainText().toStdString(), "Строка один\nстрока два\n");

  // Ctrl + keypad '+' grows the font up to 20; the key is consumed, the text unchanged.
  edit.SetViewerFont("Courier New", 19, true);
  QTest::keyClick(&edit, Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
  QTest::keyClick(&edit, Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
  EXPECT_EQ(edit.FontSize(), 20);
  EXPECT_EQ(edit.document()->defaultFont().pointSize(), 20);
  QTest::keyClick(&edit, Qt::Key_Asterisk, Qt::AltModifier | Qt::KeypadModifier);
  EXPECT_EQ(edit.FontName(), "Arial");
  EXPECT_EQ(edit.toPlainText().toStdString(), "Строка один\nстрока два\n");
}

}  // namespace

int main(int argc, char** argv) {
  ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
