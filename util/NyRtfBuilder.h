// The document side of the RTF reader: collects text into runs, paragraphs, cells, rows and
// tables as the reader reports them. It reads no RTF itself.
#pragma once

#include <string>
#include <string_view>

#include "util/NyRtf.h"

namespace ny {

// Paragraph attributes in force where a paragraph, cell or row ends.
struct TRtfParaState {
  TRtfAlign Align = TRtfAlign::Left;
  int LeftIndent = 0;
  int FirstIndent = 0;
  bool InTable = false;  // \intbl: the paragraph belongs to a table cell
};

class TRtfDocBuilder {
 public:
  // Builds into `doc`, which must outlive the builder.
  explicit TRtfDocBuilder(TRtfDocument& doc) : doc_(doc) {}

  // The character format may differ from the last run's from now on.
  void FormatChanged() { formatDirty_ = true; }
  // Appends `text` (well-formed UTF-8) to the open paragraph in `format` with the face
  // `face`. A new run starts only where the format differs from the last run's; the format is
  // looked at only after FormatChanged, or for the first text of a paragraph.
  void AddText(std::string_view text, const TRtfCharFormat& format, const std::string& face);
  // \par: the open paragraph goes into the open cell (in a table) or becomes a block, which
  // first closes any table (with cells that no \row closed).
  void EndParagraph(const TRtfParaState& p);
  // \cell: the open paragraph, when it holds text, ends the open cell, which joins the row
  // (past 4096 cells its paragraphs join the row's last cell).
  void EndCell(const TRtfParaState& p);
  // \row: text not yet in a cell makes one; the row joins the open table or starts one.
  void EndRow(const TRtfParaState& p);
  // End of input: keeps what followed the last paragraph, cell or row end.
  void EndDocument(const TRtfParaState& p);

 private:
  void FlushRow();

  TRtfDocument& doc_;
  bool formatDirty_ = true;
  TRtfParagraph para_;
  TRtfCell cell_;
  TRtfRow row_;
  bool tableOpen_ = false;
};

}  // namespace ny
