#include "util/NyTextDecode.h"

#include <uchardet.h>

#include <algorithm>
#include <memory>
#include <type_traits>

#include "util/NyText.h"

namespace ny {

namespace {

constexpr size_t kDetectBytes = 64 * 1024;  // plenty for the detector, which is slow
// Fewer bytes outside ASCII than this are too few for the detector to judge.
constexpr size_t kMinDetectBytes = 16;

struct TDetectorFree {
  void operator()(uchardet_t d) const { uchardet_delete(d); }
};

struct TNamedPage {
  std::string_view Name;
  int CodePage;
};

// The detector's names of the pages a document of ours may come in.
constexpr TNamedPage kPages[] = {
    {"WINDOWS-1251", 1251}, {"IBM866", 866},        {"CP866", 866},
    {"KOI8-R", 20866},      {"ISO-8859-5", 28595},  {"WINDOWS-1252", 1252},
    {"ISO-8859-1", 1252},   {"ISO-8859-15", 28605}, {"WINDOWS-1250", 1250},
    {"ISO-8859-2", 28592},  {"IBM850", 850},
};

}  // namespace

int DetectCodePage(std::string_view bytes) {
  std::unique_ptr<std::remove_pointer_t<uchardet_t>, TDetectorFree> detector(uchardet_new());
  if (!detector) return 0;
  const size_t n = std::min(bytes.size(), kDetectBytes);
  const size_t high = static_cast<size_t>(std::count_if(
      bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(n),
      [](char c) { return static_cast<unsigned char>(c) >= 0x80; }));
  if (high < kMinDetectBytes) return 0;
  if (uchardet_handle_data(detector.get(), bytes.data(), n) != 0) return 0;
  uchardet_data_end(detector.get());
  const char* name = uchardet_get_charset(detector.get());
  if (name == nullptr) return 0;
  std::string upper(name);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  for (const TNamedPage& p : kPages) {
    if (p.Name == upper) return p.CodePage;
  }
  return 0;
}

TDecodedText DecodeViewerText(std::string_view bytes, int fontCharset) {
  TDecodedText out;
  if (bytes.substr(0, 3) == "\xEF\xBB\xBF" || bytes.substr(0, 2) == "\xFF\xFE" ||
      bytes.substr(0, 2) == "\xFE\xFF") {
    out.Source = TTextSource::Bom;
    out.CodePage = bytes[0] == '\xEF' ? 65001 : bytes[0] == '\xFF' ? 1200 : 1201;
    out.Text = DecodeTextBytes(bytes);
    return out;
  }
  if (IsValidUtf8(bytes)) {
    out.Text.assign(bytes);
    return out;
  }
  out.CodePage = DetectCodePage(bytes);
  out.Source = TTextSource::Detected;
  if (out.CodePage == 0) {
    out.CodePage = CodePageOfCharset(fontCharset);
    out.Source = TTextSource::FontCharset;
  }
  out.Text = DecodeCodePage(bytes, out.CodePage);
  return out;
}

std::string NormalizeLineEnds(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t start = 0;
  for (size_t i = text.find('\r'); i != std::string_view::npos; i = text.find('\r', start)) {
    out.append(text.substr(start, i - start));
    out += '\n';
    start = i + 1;
    if (start < text.size() && text[start] == '\n') ++start;
  }
  out.append(text.substr(start));
  return out;
}

}  // namespace ny
