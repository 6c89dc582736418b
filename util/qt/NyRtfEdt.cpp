#include "util/qt/NyRtfEdt.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScreen>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextTable>

namespace ny {

namespace {

// Pixels of a length in twips (1/1440 inch) at 96 dots per inch.
qreal TwipsToPixels(int twips) { return twips / 15.0; }

QTextCharFormat CharFormat(const TRtfCharFormat& f) {
  QTextCharFormat c;
  c.setFontWeight(f.Bold ? QFont::Bold : QFont::Normal);
  c.setFontItalic(f.Italic);
  c.setFontUnderline(f.Underline);
  c.setFontStrikeOut(f.Strike);
  c.setFontPointSize(f.FontSize / 2.0);
  if (f.Color >= 0) c.setForeground(QColor::fromRgb(static_cast<QRgb>(f.Color)));
  if (!f.Face.empty()) c.setFontFamilies({QString::fromStdString(f.Face)});
  return c;
}

QTextBlockFormat BlockFormat(const TRtfParagraph& p) {
  QTextBlockFormat b;
  switch (p.Align) {
    case TRtfAlign::Left:
      b.setAlignment(Qt::AlignLeft);
      break;
    case TRtfAlign::Center:
      b.setAlignment(Qt::AlignHCenter);
      break;
    case TRtfAlign::Right:
      b.setAlignment(Qt::AlignRight);
      break;
    case TRtfAlign::Justify:
      b.setAlignment(Qt::AlignJustify);
      break;
  }
  b.setLeftMargin(TwipsToPixels(std::max(0, p.LeftIndent)));
  b.setTextIndent(TwipsToPixels(p.FirstIndent));
  return b;
}

// The Qt formats of the runs and paragraphs of one document: a document has few distinct formats, and a
// format made once keeps its hash, which the document looks up for every run.
class TFormatCache {
 public:
  const QTextCharFormat& Get(const TRtfCharFormat& f) {
    for (size_t i = 0; i < items_.size(); ++i) {
      const size_t k = (last_ + i) % items_.size();
      if (items_[k].first == f) {
        last_ = k;
        return items_[k].second;
      }
    }
    if (items_.size() >= 256) {
      scratch_ = CharFormat(f);
      return scratch_;
    }
    items_.emplace_back(f, CharFormat(f));
    last_ = items_.size() - 1;
    return items_.back().second;
  }

  // The block format of a paragraph; consecutive paragraphs mostly share theirs.
  const QTextBlockFormat& Block(const TRtfParagraph& p) {
    if (!haveBlock_ || p.Align != block_.Align || p.LeftIndent != block_.LeftIndent ||
        p.FirstIndent != block_.FirstIndent) {
      haveBlock_ = true;
      block_.Align = p.Align;
      block_.LeftIndent = p.LeftIndent;
      block_.FirstIndent = p.FirstIndent;
      blockFormat_ = BlockFormat(p);
    }
    return blockFormat_;
  }

 private:
  bool haveBlock_ = false;
  TRtfParagraph block_;  // its Runs stay empty
  QTextBlockFormat blockFormat_;
  std::vector<std::pair<TRtfCharFormat, QTextCharFormat>> items_;
  size_t last_ = 0;
  QTextCharFormat scratch_;
};

// Appends the runs of a paragraph at `cursor`; a line break inside a run stays in the block.
void InsertRuns(QTextCursor& cursor, const TRtfParagraph& p, TFormatCache& formats) {
  for (const TRtfRun& r : p.Runs) {
    QString text = QString::fromUtf8(r.Text.data(), static_cast<qsizetype>(r.Text.size()));
    text.replace(QLatin1Char('\n'), QChar::LineSeparator);
    cursor.insertText(text, formats.Get(r.Format));
  }
}

// Writes the paragraphs of a document (or of a table cell) at `cursor`, the first one into
// the block the cursor is in.
void InsertParagraphs(QTextCursor& cursor, const std::vector<TRtfParagraph>& paragraphs,
                      TFormatCache& formats) {
  bool first = true;
  for (const TRtfParagraph& p : paragraphs) {
    if (first) cursor.setBlockFormat(formats.Block(p));
    else cursor.insertBlock(formats.Block(p));
    first = false;
    InsertRuns(cursor, p, formats);
  }
}

}  // namespace

QTextDocument* BuildViewerDocument(const TViewerContent& content, const QFont& font) {
  auto* doc = new QTextDocument();
  doc->setUndoRedoEnabled(false);
  doc->setDefaultFont(font);
  if (!content.Rich) {
    doc->setPlainText(QString::fromUtf8(content.PlainText.data(),
                                        static_cast<qsizetype>(content.PlainText.size())));
    return doc;
  }
  QTextCursor cursor(doc);
  TFormatCache formats;
  cursor.beginEditBlock();
  bool blockEmpty = true;  // the cursor's block holds nothing yet: the next paragraph goes there
  for (const TRtfBlock& b : content.Document.Blocks) {
    if (!b.IsTable()) {
      if (blockEmpty) cursor.setBlockFormat(formats.Block(b.Paragraph));
      else cursor.insertBlock(formats.Block(b.Paragraph));
      InsertRuns(cursor, b.Paragraph, formats);
      blockEmpty = false;
      continue;
    }
    // Consecutive rows of the same number of cells make one table, so that a ragged table
    // never costs more cells than it holds.
    QTextTableFormat tf;
    tf.setBorder(1);
    tf.setCellPadding(2);
    tf.setCellSpacing(0);
    for (size_t first = 0; first < b.Rows.size();) {
      const size_t columns = std::max<size_t>(1, b.Rows[first].size());
      size_t end = first + 1;
      while (end < b.Rows.size() && std::max<size_t>(1, b.Rows[end].size()) == columns) ++end;
      if (!blockEmpty) cursor.insertBlock();
      QTextTable* table = cursor.insertTable(static_cast<int>(end - first),
                                             static_cast<int>(columns), tf);
      for (size_t r = first; r < end; ++r) {
        for (size_t c = 0; c < b.Rows[r].size(); ++c) {
          QTextCursor cell = table->cellAt(static_cast<int>(r - first), static_cast<int>(c))
                                 .firstCursorPosition();
          InsertParagraphs(cell, b.Rows[r][c].Paragraphs, formats);
        }
      }
      cursor.movePosition(QTextCursor::End);
      blockEmpty = true;
      first = end;
    }
  }
  cursor.endEditBlock();
  return doc;
}

TNyRichEdit::TNyRichEdit(QWidget* parent) : QTextEdit(parent) {
  setAcceptRichText(false);
  setUndoRedoEnabled(false);
}

void TNyRichEdit::LoadFromFile(const std::string& path) {
  SetContent(LoadViewerFile(path, streamFormat_, plainText_, fontCharset_));
}

void TNyRichEdit::SetContent(const TViewerContent& content) {
  content_ = content;
  Show();
}

void TNyRichEdit::Show() {
  rich_ = content_.Rich;
  // The control deletes its own first document itself; the ones made here are ours.
  QTextDocument* old = document();
  const bool ours = old != nullptr && old->parent() == this;
  QTextDocument* doc = BuildViewerDocument(content_, font());
  doc->setParent(this);
  setDocument(doc);
  if (ours) delete old;
}

void TNyRichEdit::SetViewerFont(const std::string& face, int pointSize, bool bold) {
  QFont f(QString::fromStdString(face));
  f.setPointSize(std::max(1, pointSize));
  f.setBold(bold);
  setFont(f);
  if (!content_.Rich && !content_.PlainText.empty()) {
    document()->setDefaultFont(f);
  } else if (content_.Rich) {
    Show();
  }
}

std::string TNyRichEdit::FontName() const { return font().family().toStdString(); }

int TNyRichEdit::FontSize() const { return font().pointSize(); }

bool TNyRichEdit::HandleViewerKey(QKeyEvent* event) {
  if (!(event->modifiers() & Qt::KeypadModifier)) return false;
  TViewerKey key = TViewerKey::Other;
  switch (event->key()) {
    case Qt::Key_Asterisk:
      key = TViewerKey::KeypadMultiply;
      break;
    case Qt::Key_Plus:
      key = TViewerKey::KeypadPlus;
      break;
    case Qt::Key_Minus:
      key = TViewerKey::KeypadMinus;
      break;
    default:
      return false;
  }
  const Qt::KeyboardModifiers m = event->modifiers();
  TViewerShift shift{(m & Qt::ShiftModifier) != 0, (m & Qt::ControlModifier) != 0,
                     (m & Qt::AltModifier) != 0};
  QWidget* top = window();
  TViewerFrame frame;
  frame.FontName = FontName();
  frame.FontSize = FontSize();
  const QRect g = top->geometry();
  frame.Left = g.x();
  frame.Top = g.y();
  frame.Width = g.width();
  frame.Height = g.height();
  const QScreen* screen = top->screen();
  frame.ScreenHeight = screen != nullptr ? screen->geometry().height() : 0;
  const TViewerFrame before = frame;
  if (!ViewerKeyDown(key, shift, frame)) return false;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  struct TRestore {
    ~TRestore() { QApplication::restoreOverrideCursor(); }
  } restore;
  if (frame.FontName != before.FontName || frame.FontSize != before.FontSize)
    SetViewerFont(frame.FontName, frame.FontSize, font().bold());
  if (frame.Width != before.Width || frame.Height != before.Height)
    top->setGeometry(frame.Left, frame.Top, frame.Width, frame.Height);
  return true;
}

void TNyRichEdit::keyPressEvent(QKeyEvent* event) {
  if ((OnKeyDown && OnKeyDown(event)) || HandleViewerKey(event)) {
    event->accept();
    return;
  }
  QTextEdit::keyPressEvent(event);
}

}  // namespace ny
