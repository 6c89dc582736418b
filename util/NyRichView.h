// The document viewer's behaviour without its window: loading a file as rich text with the
// fall-back to plain text, the text it then shows, and the keypad keys.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

#include "util/NyRtf.h"

namespace ny {

// Message of the error raised when a file can be read neither as rich nor as plain text.
inline constexpr char kFailedToLoadStream[] = "Failed to Load Stream";

class ELoadStream : public std::runtime_error {
 public:
  ELoadStream() : std::runtime_error(kFailedToLoadStream) {}
};

// Files larger than this are not loaded (ELoadStream).
inline constexpr long long kMaxViewerFileBytes = 1LL << 30;

enum class TRichStreamFormat { sfDefault, sfRichText, sfPlainText };

// What the viewer shows: a rich-text document, or (Rich false) plain text.
struct TViewerContent {
  bool Rich = false;
  TRtfDocument Document;
  std::string PlainText;  // UTF-8, line ends LF
};

// Reads `bytes` in the first format (`sfRichText` rich, `sfPlainText` plain, `sfDefault`
// plain when `plainText` is set, else rich) and, when that fails, in the other. Rich reading
// fails when the bytes do not begin as RTF; plain reading never fails: the bytes are decoded
// as DecodeViewerText does with `fontCharset`, every CR LF and lone CR becoming LF.
TViewerContent LoadViewerBytes(std::string_view bytes, TRichStreamFormat format, bool plainText,
                               int fontCharset);

// The whole file at `path` loaded as LoadViewerBytes does. Throws ELoadStream ("Failed to Load
// Stream") when the file cannot be opened or read, is not a regular file, or is larger than
// kMaxViewerFileBytes.
TViewerContent LoadViewerFile(const std::string& path, TRichStreamFormat format, bool plainText,
                              int fontCharset);

// The shown text as plain UTF-8: RtfPlainText of a rich document, else the plain text.
std::string ViewerText(const TViewerContent& content);

// Keys of the viewer: the keypad's '*', '+' and '-'.
enum class TViewerKey { Other, KeypadMultiply, KeypadPlus, KeypadMinus };

// Modifiers held with a key.
struct TViewerShift {
  bool Shift = false;
  bool Ctrl = false;
  bool Alt = false;
};

// What the keys change: the viewer's font and the main window's frame.
struct TViewerFrame {
  std::string FontName;
  int FontSize = 10;
  int Left = 0;
  int Top = 0;
  int Width = 0;
  int Height = 0;
  int ScreenHeight = 0;
};

// The viewer's keypad keys (a modifier condition means that modifier alone):
//   Alt + '*'  face "Courier New" becomes "Arial", any other face becomes "Courier New";
//   Ctrl + '+' font size plus 1 while it is below 20; Ctrl + '-' minus 1 while above 4;
//   Alt + '+'  while Height + 50 < ScreenHeight: 50 wider and higher, 25 left and 25 up;
//   Alt + '-'  while Height > 200: 50 narrower and lower, 25 right and 25 down.
// Returns true when the key and modifiers are one of these (the caller consumes the key),
// whether or not its limit let it change `frame`; false for any other key, `frame` unchanged.
bool ViewerKeyDown(TViewerKey key, TViewerShift shift, TViewerFrame& frame);

}  // namespace ny
