// Fuzz target of the document viewer's reading: the input is a document file. It is read as
// rich text (when it begins as RTF) and as plain text; every text the viewer would show must
// be well-formed UTF-8, and the plain text of the rich reading must hold every run's text.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

#include "util/NyRichView.h"
#include "util/NyRtf.h"
#include "util/NyText.h"

namespace {

void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "rtf_fuzz: %s\n", what);
  abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ny::TRtfDocument doc;
  const bool rich = ny::ParseRtf(bytes, doc);
  Check(rich == ny::IsRtf(bytes), "ParseRtf disagrees with IsRtf");
  size_t runBytes = 0;
  for (const ny::TRtfBlock& b : doc.Blocks) {
    for (const ny::TRtfRun& r : b.Paragraph.Runs) {
      Check(ny::IsValidUtf8(r.Text), "run text is not UTF-8");
      Check(ny::IsValidUtf8(r.Format.Face), "font face is not UTF-8");
      runBytes += r.Text.size();
    }
  }
  const std::string text = ny::RtfPlainText(doc);
  Check(ny::IsValidUtf8(text), "plain text of the document is not UTF-8");
  Check(text.size() >= runBytes, "plain text lost the text of paragraphs");
  const ny::TViewerContent plain =
      ny::LoadViewerBytes(bytes, ny::TRichStreamFormat::sfPlainText, false, 204);
  Check(!plain.Rich && ny::IsValidUtf8(plain.PlainText), "plain text is not UTF-8");
  return 0;
}
