// The rich-text (RTF) reader of the document viewer: turns an RTF file into paragraphs, runs of
// text with their character attributes, and tables.
//
// What it reads: the font table (face, \fcharset, \cpg) and the colour table; the character
// attributes \b \i \ul (and the other underline kinds) \strike \fs \cf \f \plain \v (hidden text
// is dropped); the paragraph attributes \pard \ql \qc \qr \qj \li \fi; \par \sect \page end a
// paragraph, \line is a line break ('\n' in a run), \tab a '\t'; tables from \trowd \intbl
// \cell \row (a nested table's cells flow into the outer cell); \'hh decoded through the code
// page of the current font (\cpg, else its \fcharset: 204 = Windows-1251, 238 = 1250, ...; a
// font of \fcharset 0 or 1 uses the document's page) or the document's (\ansicpg, \ansi, \mac,
// \pc, \pca); \uN with \ucN fallback characters skipped, surrogate pairs joined; the symbols
// \~ \_ \emdash \endash \bullet \lquote \rquote \ldblquote \rdblquote and \\ \{ \}.
// What it skips: every {\* ...} group, pictures, objects, shapes, headers, footers, footnotes,
// annotations, the style sheet, \info, field instructions (a field's result is kept) and \binN
// data.
//
// Malformed input never crashes it and never makes it recurse: groups are kept on a heap stack
// (past 4096 levels deeper groups share the innermost kept state), a control word of any length
// is read to its end and only its first 32 letters count, a number is clamped to 32 bits,
// a row keeps at most 4096 cells (the text of further cells joins the last one). On truncated input or unbalanced braces the document holds what was read
// up to the end and Complete is false.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace ny {

enum class TRtfAlign { Left, Center, Right, Justify };

// Character attributes of a run. FontSize is in half-points (24 = 12 pt); Color is 0xRRGGBB or
// -1 for the automatic colour; Face is the font table's name, "" when the run names no known
// font (the viewer's face is then used).
struct TRtfCharFormat {
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool Strike = false;
  int FontSize = 24;
  int32_t Color = -1;
  std::string Face;
  bool operator==(const TRtfCharFormat&) const = default;
};

// A run of text in one format; Text is well-formed UTF-8 and may hold '\n' (line break) and
// '\t'.
struct TRtfRun {
  std::string Text;
  TRtfCharFormat Format;
};

// A paragraph; indents in twips (1/1440 inch), FirstIndent relative to LeftIndent.
struct TRtfParagraph {
  TRtfAlign Align = TRtfAlign::Left;
  int LeftIndent = 0;
  int FirstIndent = 0;
  std::vector<TRtfRun> Runs;
};

struct TRtfCell {
  std::vector<TRtfParagraph> Paragraphs;
};
using TRtfRow = std::vector<TRtfCell>;

// One block of the document: a paragraph, or (when Rows is not empty) a table of rows; rows
// may differ in their number of cells.
struct TRtfBlock {
  TRtfParagraph Paragraph;
  std::vector<TRtfRow> Rows;
  bool IsTable() const { return !Rows.empty(); }
};

struct TRtfDocument {
  std::vector<TRtfBlock> Blocks;
  // True when the outermost group was closed; false after truncated or unbalanced input.
  bool Complete = false;
};

// True when `bytes` begin, after blanks and line ends, with "{\rtf".
bool IsRtf(std::string_view bytes);

// Reads `bytes` as RTF into `doc` (replacing what it held). Returns false, leaving `doc` empty,
// when the bytes do not begin as RTF (IsRtf); otherwise true, with whatever text the input
// held up to its end or to the close of its outermost group.
bool ParseRtf(std::string_view bytes, TRtfDocument& doc);

// The document as plain UTF-8 text: one line per paragraph and per table row, a row's cells
// separated by '\t' (inside a cell, paragraph ends, line breaks and tabs become blanks); every
// line ends with '\n'.
std::string RtfPlainText(const TRtfDocument& doc);

}  // namespace ny
