#include "util/NyRichView.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "util/NyTextDecode.h"

namespace ny {

namespace {

bool LoadRich(std::string_view bytes, TViewerContent& out) {
  out.Rich = ParseRtf(bytes, out.Document);
  return out.Rich;
}

void LoadPlain(std::string_view bytes, int fontCharset, TViewerContent& out) {
  out.Rich = false;
  out.Document = TRtfDocument();
  out.PlainText = NormalizeLineEnds(DecodeViewerText(bytes, fontCharset).Text);
}

// Closes a descriptor on every way out.
struct TFd {
  int fd;
  ~TFd() {
    if (fd >= 0) close(fd);
  }
};

}  // namespace

TViewerContent LoadViewerBytes(std::string_view bytes, TRichStreamFormat format, bool plainText,
                               int fontCharset) {
  TViewerContent out;
  const bool richFirst = format == TRichStreamFormat::sfRichText ||
                         (format == TRichStreamFormat::sfDefault && !plainText);
  if (richFirst && LoadRich(bytes, out)) return out;
  // Plain reading cannot fail, so the rich fall-back after it is never needed.
  LoadPlain(bytes, fontCharset, out);
  return out;
}

TViewerContent LoadViewerFile(const std::string& path, TRichStreamFormat format, bool plainText,
                              int fontCharset) {
  TFd f{open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  if (f.fd < 0) throw ELoadStream();
  struct stat st{};
  if (fstat(f.fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxViewerFileBytes)
    throw ELoadStream();
  std::string bytes(static_cast<size_t>(st.st_size), '\0');
  size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = read(f.fd, bytes.data() + got, bytes.size() - got);
    if (n < 0) throw ELoadStream();
    if (n == 0) break;  // the file shrank while read: show what it held
    got += static_cast<size_t>(n);
  }
  bytes.resize(got);
  return LoadViewerBytes(bytes, format, plainText, fontCharset);
}

std::string ViewerText(const TViewerContent& content) {
  return content.Rich ? RtfPlainText(content.Document) : content.PlainText;
}

bool ViewerKeyDown(TViewerKey key, TViewerShift shift, TViewerFrame& frame) {
  const bool altOnly = shift.Alt && !shift.Ctrl && !shift.Shift;
  const bool ctrlOnly = shift.Ctrl && !shift.Alt && !shift.Shift;
  switch (key) {
    case TViewerKey::KeypadMultiply:
      if (!altOnly) return false;
      frame.FontName = frame.FontName == "Courier New" ? "Arial" : "Courier New";
      return true;
    case TViewerKey::KeypadPlus:
      if (ctrlOnly) {
        if (frame.FontSize < 20) ++frame.FontSize;
        return true;
      }
      if (altOnly) {
        if (frame.Height + 50 < frame.ScreenHeight) {
          frame.Width += 50;
          frame.Height += 50;
          frame.Left -= 25;
          frame.Top -= 25;
        }
        return true;
      }
      return false;
    case TViewerKey::KeypadMinus:
      if (ctrlOnly) {
        if (frame.FontSize > 4) --frame.FontSize;
        return true;
      }
      if (altOnly) {
        if (frame.Height > 200) {
          frame.Width -= 50;
          frame.Height -= 50;
          frame.Left += 25;
          frame.Top += 25;
        }
        return true;
      }
      return false;
    case TViewerKey::Other:
      break;
  }
  return false;
}

}  // namespace ny
