#include "util/NyRtfBuilder.h"

#include <utility>

namespace ny {

namespace {

constexpr size_t kMaxCells = 4096;  // cells of one row kept

void TakeParagraphFormat(TRtfParagraph& para, const TRtfParaState& p) {
  para.Align = p.Align;
  para.LeftIndent = p.LeftIndent;
  para.FirstIndent = p.FirstIndent;
}

}  // namespace

void TRtfDocBuilder::AddText(std::string_view text, const TRtfCharFormat& format,
                             const std::string& face) {
  std::vector<TRtfRun>& runs = para_.Runs;
  if (formatDirty_ || runs.empty()) {
    formatDirty_ = false;
    TRtfCharFormat f = format;
    f.Face = face;
    if (runs.empty() || !(runs.back().Format == f)) runs.push_back(TRtfRun{std::string(), std::move(f)});
  }
  runs.back().Text.append(text);
}

void TRtfDocBuilder::EndParagraph(const TRtfParaState& p) {
  TakeParagraphFormat(para_, p);
  if (p.InTable) {
    cell_.Paragraphs.push_back(std::move(para_));
  } else {
    // A paragraph outside the table ends it, with any cells not yet closed by \row.
    if (!cell_.Paragraphs.empty()) EndCell(p);
    FlushRow();
    tableOpen_ = false;
    TRtfBlock block;
    block.Paragraph = std::move(para_);
    doc_.Blocks.push_back(std::move(block));
  }
  para_ = TRtfParagraph();
  formatDirty_ = true;
}

void TRtfDocBuilder::EndCell(const TRtfParaState& p) {
  if (!para_.Runs.empty()) {
    TakeParagraphFormat(para_, p);
    cell_.Paragraphs.push_back(std::move(para_));
  }
  para_ = TRtfParagraph();
  if (row_.size() < kMaxCells) {
    row_.push_back(std::move(cell_));
  } else {
    auto& last = row_.back().Paragraphs;
    for (TRtfParagraph& q : cell_.Paragraphs) last.push_back(std::move(q));
  }
  cell_ = TRtfCell();
  formatDirty_ = true;
}

void TRtfDocBuilder::EndRow(const TRtfParaState& p) {
  if (!para_.Runs.empty() || !cell_.Paragraphs.empty()) EndCell(p);
  FlushRow();
}

void TRtfDocBuilder::FlushRow() {
  if (row_.empty()) return;
  if (!tableOpen_ || doc_.Blocks.empty() || !doc_.Blocks.back().IsTable()) doc_.Blocks.emplace_back();
  doc_.Blocks.back().Rows.push_back(std::move(row_));
  row_.clear();
  tableOpen_ = true;
}

void TRtfDocBuilder::EndDocument(const TRtfParaState& p) {
  if (p.InTable || !row_.empty() || !cell_.Paragraphs.empty()) {
    EndRow(p);
  } else if (!para_.Runs.empty()) {
    EndParagraph(p);
  }
}

}  // namespace ny
