// vellumctl view --text FILE [--charset N]: prints, as UTF-8, the text the document viewer
// shows for FILE: a rich-text file as its plain text (one paragraph a line, a table row a
// line with its cells separated by tabs), any other file decoded as plain text, where N (the
// viewer font's character-set number, default 1) names the code page used when detection
// cannot place the bytes.
#include <charconv>
#include <iostream>
#include <string>
#include <vector>

#include "util/NyRichView.h"

namespace {

constexpr char kUsage[] = "usage: vellumctl view --text FILE [--charset N]\n";

bool ParseCharset(const std::string& s, int& out) {
  const char* end = s.data() + s.size();
  auto r = std::from_chars(s.data(), end, out);
  return r.ec == std::errc() && r.ptr == end && out >= 0 && out <= 255;
}

}  // namespace

int RunViewCommand(const std::vector<std::string>& args) {
  std::string file;
  bool text = false;
  int charset = 1;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--text" && i + 1 < args.size() && file.empty()) {
      text = true;
      file = args[++i];
    } else if (args[i] == "--charset" && i + 1 < args.size() && ParseCharset(args[i + 1], charset)) {
      ++i;
    } else {
      std::cerr << kUsage;
      return 2;
    }
  }
  if (!text || file.empty()) {
    std::cerr << kUsage;
    return 2;
  }
  try {
    const ny::TViewerContent content =
        ny::LoadViewerFile(file, ny::TRichStreamFormat::sfDefault, false, charset);
    std::cout << ny::ViewerText(content) << std::flush;
  } catch (const ny::ELoadStream& e) {
    std::cerr << "vellumctl: " << e.what() << ": " << file << "\n";
    return 1;
  }
  return 0;
}
