// TNyRichEdit: the document viewer's text control. It shows a file as formatted rich text when
// the file is RTF and as plain text in the viewer's font otherwise; the reading and the
// decisions are the core's (util/NyRichView.h), this control only builds and shows the
// QTextDocument and forwards the keypad keys.
#pragma once

#include <QTextEdit>
#include <functional>
#include <string>

#include "util/NyRichView.h"

class QKeyEvent;
class QTextDocument;

namespace ny {

// A QTextDocument holding `content`: paragraphs with their alignment and indents, runs with
// bold, italic, underline, strike-out, size, colour and face (a run without a face takes
// `font`'s), tables as QTextTables (one per stretch of rows with the same number of cells);
// plain text in `font`. The caller owns the result.
QTextDocument* BuildViewerDocument(const TViewerContent& content, const QFont& font);

class TNyRichEdit : public QTextEdit {
  Q_OBJECT

 public:
  explicit TNyRichEdit(QWidget* parent = nullptr);

  // Replaces the whole text by the file at `path` (LoadViewerFile with this control's
  // StreamFormat, PlainText and FontCharset). Throws ELoadStream ("Failed to Load Stream")
  // when the file cannot be read; the text shown before stays then.
  void LoadFromFile(const std::string& path);
  // Shows `content`, replacing the whole text.
  void SetContent(const TViewerContent& content);
  // True when the text shown was read as rich text.
  bool IsRich() const { return rich_; }

  bool ReadOnly() const { return isReadOnly(); }
  void SetReadOnly(bool v) { setReadOnly(v); }
  bool PlainText() const { return plainText_; }
  void SetPlainText(bool v) { plainText_ = v; }
  TRichStreamFormat StreamFormat() const { return streamFormat_; }
  void SetStreamFormat(TRichStreamFormat v) { streamFormat_ = v; }
  bool WordWrap() const { return lineWrapMode() != QTextEdit::NoWrap; }
  void SetWordWrap(bool v) { setLineWrapMode(v ? QTextEdit::WidgetWidth : QTextEdit::NoWrap); }

  // The viewer's font: face, size in points, bold; plain text is shown in it and rich text
  // takes its face where a run names none. Setting it re-shows the current text.
  void SetViewerFont(const std::string& face, int pointSize, bool bold);
  std::string FontName() const;
  int FontSize() const;
  // Character-set number of the font (204 Cyrillic, 0 Western, ...): the code page of plain
  // text that detection cannot place.
  int FontCharset() const { return fontCharset_; }
  void SetFontCharset(int v) { fontCharset_ = v; }

  // Key event of the owner: called first for every key; returning true consumes the key.
  std::function<bool(QKeyEvent*)> OnKeyDown;

  // The keypad keys of ViewerKeyDown applied to this control's font and its top-level
  // window, under the busy cursor. Returns true when the key was one of them (consumed).
  bool HandleViewerKey(QKeyEvent* event);

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void Show();

  TViewerContent content_;
  bool rich_ = false;
  bool plainText_ = false;
  TRichStreamFormat streamFormat_ = TRichStreamFormat::sfDefault;
  int fontCharset_ = 1;
};

}  // namespace ny
