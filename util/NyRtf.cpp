#include "util/NyRtf.h"

#include <algorithm>
#include <limits>
#include <map>
#include <memory>

#include "util/NyRtfBuilder.h"
#include "util/NyRtfCodePage.h"
#include "util/NyText.h"

namespace ny {

namespace {

constexpr size_t kMaxDepth = 4096;          // group states kept; deeper groups share the last
constexpr size_t kMaxWordLetters = 32;      // letters of a control word that count
constexpr size_t kMaxFonts = 65536;         // font table entries kept
constexpr size_t kMaxColors = 65536;        // colour table entries kept
constexpr size_t kMaxFontName = 256;        // bytes of a font name kept
constexpr char kReplacement[] = "\xEF\xBF\xBD";

enum class TDest { Text, FontTable, ColorTable };

struct TGroupState {
  TRtfCharFormat Format;  // Face unused here: resolved from Font when text is added
  int Font = -1;          // font number, -1 = the default font
  bool Hidden = false;
  int Uc = 1;
  TDest Dest = TDest::Text;
  TRtfAlign Align = TRtfAlign::Left;
  int LeftIndent = 0;
  int FirstIndent = 0;
  bool InTable = false;
};

struct TFontInfo {
  std::string Name;
  int CodePage = 0;  // 0 = the document's
};

bool IsLetter(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
int HexValue(unsigned char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Control words that start a group whose content is not shown.
bool IsSkippedDestination(std::string_view w) {
  static constexpr std::string_view kWords[] = {
      "annotation", "atnauthor",   "atnid",      "author",     "bkmkend",    "bkmkstart",
      "buptim",     "colorschememapping",        "comment",    "creatim",    "datastore",
      "do",         "doccomm",     "fldinst",    "filetbl",    "footer",     "footerf",
      "footerl",    "footerr",     "footnote",   "ftncn",      "ftnsep",     "ftnsepc",
      "aftncn",     "aftnsep",     "aftnsepc",   "generator",  "header",     "headerf",
      "headerl",    "headerr",     "info",       "keywords",   "latentstyles",
      "listoverridetable",         "listtable",  "nonshppict", "object",     "operator",
      "pgdsctbl",   "pict",        "printim",    "private",    "revtbl",     "revtim",
      "rsidtbl",    "shp",         "shpinst",    "stylesheet", "subject",    "tc",
      "template",   "themedata",   "title",      "txe",        "userprops",  "xe",
      "xmlnstbl",   "mmathPr",     "pn",         "objdata",    "result",     "sp"};
  for (std::string_view k : kWords) {
    if (k == w) return true;
  }
  return false;
}

class TRtfParser {
 public:
  TRtfParser(std::string_view in, TRtfDocument& doc) : in_(in), doc_(doc), builder_(doc) {}

  void Run() {
    states_.reserve(64);
    states_.emplace_back();
    size_t depth = 0;  // groups open, including those past kMaxDepth
    while (pos_ < in_.size()) {
      const unsigned char c = static_cast<unsigned char>(in_[pos_]);
      if (c == '{') {
        ++pos_;
        ucSkip_ = 0;
        ++depth;
        if (states_.size() < kMaxDepth) states_.push_back(states_.back());
        else ++overflow_;
        continue;
      }
      if (c == '}') {
        ++pos_;
        ucSkip_ = 0;
        if (depth == 0) break;  // stray close brace: the document has ended
        PopGroup();
        if (--depth == 0) {
          doc_.Complete = true;
          break;
        }
        continue;
      }
      if (c == '\\') {
        ReadControl(depth);
        continue;
      }
      if (c == '\r' || c == '\n') {
        ++pos_;
        continue;
      }
      if (ucSkip_ > 0) {
        --ucSkip_;
        ++pos_;
        continue;
      }
      if (c < 0x80 && c >= 0x20) {
        // A stretch of plain ASCII text.
        size_t end = pos_ + 1;
        while (end < in_.size()) {
          const unsigned char d = static_cast<unsigned char>(in_[end]);
          if (d < 0x20 || d >= 0x80 || d == '\\' || d == '{' || d == '}') break;
          ++end;
        }
        AddText(in_.substr(pos_, end - pos_));
        pos_ = end;
        continue;
      }
      ++pos_;
      if (c == '\t') AddText("\t");
      else if (c >= 0x80) AddByte(c);
      // other control bytes are ignored
    }
    FlushBytes();
    builder_.EndDocument(ParaState());
  }

 private:
  TGroupState& St() { return states_.back(); }

  void PopGroup() {
    FlushBytes();
    if (overflow_ > 0) {
      --overflow_;
      return;
    }
    if (states_.size() <= 1) return;
    const TDest closing = St().Dest;
    if (closing == TDest::FontTable && fontDefOpen_) CommitFont();
    states_.pop_back();
    builder_.FormatChanged();
  }

  // Skips the rest of the current group, up to and including its close brace, which then
  // pops the group as any close brace does.
  void SkipGroup() {
    FlushBytes();
    size_t level = 0;
    while (pos_ < in_.size()) {
      const char c = in_[pos_++];
      if (c == '{') {
        ++level;
      } else if (c == '}') {
        if (level == 0) {
          --pos_;  // leave the brace to the main loop
          return;
        }
        --level;
      } else if (c == '\\' && pos_ < in_.size()) {
        if (in_.compare(pos_, 3, "bin") == 0) {
          ReadWord();  // reads "in" and the count; skips the data
          continue;
        }
        ++pos_;
      }
    }
  }

  // Reads the letters and the number of a control word at pos_ (just past the backslash) and
  // returns the word; \bin data is skipped here.
  std::string_view ReadWord() {
    const size_t start = pos_;
    while (pos_ < in_.size() && IsLetter(static_cast<unsigned char>(in_[pos_]))) ++pos_;
    std::string_view word = in_.substr(start, std::min(pos_ - start, kMaxWordLetters + 1));
    hasParam_ = false;
    param_ = 0;
    bool negative = false;
    if (pos_ < in_.size() && in_[pos_] == '-' && pos_ + 1 < in_.size() &&
        IsDigit(static_cast<unsigned char>(in_[pos_ + 1]))) {
      negative = true;
      ++pos_;
    }
    int64_t value = 0;
    while (pos_ < in_.size() && IsDigit(static_cast<unsigned char>(in_[pos_]))) {
      hasParam_ = true;
      if (value <= std::numeric_limits<int32_t>::max()) value = value * 10 + (in_[pos_] - '0');
      ++pos_;
    }
    if (negative) value = -value;
    value = std::clamp<int64_t>(value, std::numeric_limits<int32_t>::min(),
                                std::numeric_limits<int32_t>::max());
    param_ = static_cast<int32_t>(value);
    if (pos_ < in_.size() && in_[pos_] == ' ') ++pos_;
    if (word == "bin" && hasParam_ && param_ > 0) {
      pos_ += std::min<size_t>(static_cast<size_t>(param_), in_.size() - pos_);
    }
    return word;
  }

  void ReadControl(size_t depth) {
    ++pos_;  // the backslash
    if (pos_ >= in_.size()) return;
    const unsigned char c = static_cast<unsigned char>(in_[pos_]);
    if (!IsLetter(c)) {
      ++pos_;
      if (c == '\'') {
        int hi = pos_ < in_.size() ? HexValue(static_cast<unsigned char>(in_[pos_])) : -1;
        int lo = pos_ + 1 < in_.size() ? HexValue(static_cast<unsigned char>(in_[pos_ + 1])) : -1;
        if (hi < 0 || lo < 0) {
          if (hi >= 0) ++pos_;  // a lone hex digit belongs to the broken escape
          return;
        }
        pos_ += 2;
        if (ucSkip_ > 0) {
          --ucSkip_;
          return;
        }
        AddByte(static_cast<unsigned char>(hi * 16 + lo));
        return;
      }
      if (ucSkip_ > 0) {
        --ucSkip_;
        return;
      }
      switch (c) {
        case '\\':
        case '{':
        case '}':
          AddText(std::string_view(reinterpret_cast<const char*>(&c), 1));
          break;
        case '~':
          AddCodePoint(0xA0);
          break;
        case '_':
          AddCodePoint(0x2011);
          break;
        case '*':
          if (depth > 0) SkipGroup();
          break;
        case '\r':
        case '\n':
          EndParagraph();
          break;
        default:
          break;  // \- \| \: and unknown symbols show nothing
      }
      return;
    }
    if (c == 'u' && ucSkip_ == 0 && ReadUnicodeFast()) return;
    const std::string_view word = ReadWord();
    if (ucSkip_ > 0 && word != "bin") {
      --ucSkip_;
      return;
    }
    if (word.size() > kMaxWordLetters) return;
    Word(word, depth);
  }

  // \uN with its fallback characters in body text, the bulk of many files, without the
  // general word path. Returns false, having read nothing, for anything else.
  bool ReadUnicodeFast() {
    size_t i = pos_ + 1;
    if (i >= in_.size() || St().Dest != TDest::Text) return false;
    const bool negative = in_[i] == '-';
    if (negative) ++i;
    const size_t digits = i;
    int64_t value = 0;
    while (i < in_.size() && i - digits < 6 && IsDigit(static_cast<unsigned char>(in_[i])))
      value = value * 10 + (in_[i++] - '0');
    if (i == digits || (i < in_.size() && (IsDigit(static_cast<unsigned char>(in_[i])) ||
                                           IsLetter(static_cast<unsigned char>(in_[i])))))
      return false;  // no number, a longer one, or a word such as \uc or \ul
    if (i < in_.size() && in_[i] == ' ') ++i;
    pos_ = i;
    if (negative) value = -value;
    FlushBytes();
    AddUnicode(static_cast<uint32_t>(value < 0 ? value + 65536 : value));
    ucSkip_ = St().Uc;
    // The usual fallback: one plain character.
    if (ucSkip_ == 1 && pos_ < in_.size()) {
      const unsigned char d = static_cast<unsigned char>(in_[pos_]);
      if (d >= 0x20 && d < 0x80 && d != '\\' && d != '{' && d != '}') {
        ++pos_;
        ucSkip_ = 0;
      }
    }
    return true;
  }

  void Word(std::string_view w, size_t depth) {
    TGroupState& s = St();
    const int p = param_;
    const bool on = !hasParam_ || p != 0;
    if (w == "u") {
      FlushBytes();
      AddUnicode(p < 0 ? static_cast<uint32_t>(p + 65536) : static_cast<uint32_t>(p));
      ucSkip_ = s.Uc;
      return;
    }
    if (s.Dest == TDest::FontTable) {
      FontTableWord(w, p);
      if (depth > 0 && w != "f" && IsSkippedDestination(w)) SkipGroup();
      return;
    }
    if (s.Dest == TDest::ColorTable) {
      if (w == "red") color_ = (color_ & 0x00FFFF) | (std::clamp(p, 0, 255) << 16);
      else if (w == "green") color_ = (color_ & 0xFF00FF) | (std::clamp(p, 0, 255) << 8);
      else if (w == "blue") color_ = (color_ & 0xFFFF00) | std::clamp(p, 0, 255);
      else return;
      colorSet_ = true;
      return;
    }
    switch (w[0]) {
      case 'b':
        if (w == "b") return SetFormat(s.Format.Bold, on);
        if (w == "bullet") return AddCodePoint(0x2022);
        break;
      case 'c':
        if (w == "cf") {
          const int32_t color = p >= 0 && static_cast<size_t>(p) < colors_.size() ? colors_[p] : -1;
          if (s.Format.Color != color) builder_.FormatChanged();
          s.Format.Color = color;
          return;
        }
        if (w == "cell") return EndCell();
        if (w == "colortbl") {
          s.Dest = TDest::ColorTable;
          colors_.clear();
          color_ = 0;
          colorSet_ = false;
          return;
        }
        break;
      case 'e':
        if (w == "emdash") return AddCodePoint(0x2014);
        if (w == "endash") return AddCodePoint(0x2013);
        if (w == "emspace") return AddCodePoint(0x2003);
        if (w == "enspace") return AddCodePoint(0x2002);
        break;
      case 'f':
        if (w == "f") {
          if (s.Font != p) builder_.FormatChanged();
          s.Font = p;
          FlushBytes();
          return;
        }
        if (w == "fs") {
          const int size = hasParam_ && p > 0 ? std::min(p, 3276) : 24;
          if (s.Format.FontSize != size) builder_.FormatChanged();
          s.Format.FontSize = size;
          return;
        }
        if (w == "fi") {
          s.FirstIndent = p;
          return;
        }
        if (w == "fonttbl") {
          s.Dest = TDest::FontTable;
          fontDefOpen_ = false;
          return;
        }
        break;
      case 'i':
        if (w == "i") return SetFormat(s.Format.Italic, on);
        if (w == "intbl") {
          s.InTable = true;
          return;
        }
        break;
      case 'l':
        if (w == "line") return AddText("\n");
        if (w == "li") {
          s.LeftIndent = p;
          return;
        }
        if (w == "lquote") return AddCodePoint(0x2018);
        if (w == "ldblquote") return AddCodePoint(0x201C);
        break;
      case 'p':
        if (w == "par") return EndParagraph();
        if (w == "pard") {
          s.Align = TRtfAlign::Left;
          s.LeftIndent = 0;
          s.FirstIndent = 0;
          s.InTable = false;
          return;
        }
        if (w == "plain") {
          s.Format = TRtfCharFormat();
          s.Font = -1;
          s.Hidden = false;
          builder_.FormatChanged();
          return;
        }
        if (w == "page") return EndParagraph();
        if (w == "pc") {
          docCodePage_ = 437;
          return;
        }
        if (w == "pca") {
          docCodePage_ = 850;
          return;
        }
        break;
      case 'q':
        if (w == "ql") s.Align = TRtfAlign::Left;
        else if (w == "qc") s.Align = TRtfAlign::Center;
        else if (w == "qr") s.Align = TRtfAlign::Right;
        else if (w == "qj") s.Align = TRtfAlign::Justify;
        return;
      case 'r':
        if (w == "row") return EndRow();
        if (w == "rquote") return AddCodePoint(0x2019);
        if (w == "rdblquote") return AddCodePoint(0x201D);
        break;
      case 's':
        if (w == "strike" || w == "striked") return SetFormat(s.Format.Strike, on);
        if (w == "sect") return EndParagraph();
        break;
      case 't':
        if (w == "tab") return AddText("\t");
        break;
      case 'u':
        if (w == "uc") {
          s.Uc = std::clamp(p, 0, 16);
          return;
        }
        if (w == "ulnone") return SetFormat(s.Format.Underline, false);
        if (w == "ul" || w == "uld" || w == "uldb" || w == "uldash" || w == "uldashd" ||
            w == "uldashdd" || w == "ulth" || w == "ulw" || w == "ulwave" || w == "ulhwave" ||
            w == "ululdbwave" || w == "ulthd" || w == "ulthdash" || w == "ulldash" ||
            w == "ulthldash" || w == "ulthdashd" || w == "ulthdashdd")
          return SetFormat(s.Format.Underline, on);
        break;
      case 'v':
        if (w == "v") {
          FlushBytes();
          s.Hidden = on;
          return;
        }
        break;
      case 'a':
        if (w == "ansicpg") {
          if (p > 0) docCodePage_ = p;
          return;
        }
        if (w == "ansi") {
          docCodePage_ = 1252;
          return;
        }
        break;
      case 'm':
        if (w == "mac") {
          docCodePage_ = 10000;
          return;
        }
        break;
      case 'n':
        if (w == "nestcell" || w == "nestrow") return AddText(" ");
        break;
      case 'd':
        if (w == "deff") {
          defaultFont_ = p;
          return;
        }
        break;
      default:
        break;
    }
    if (depth > 0 && IsSkippedDestination(w)) SkipGroup();
  }

  void FontTableWord(std::string_view w, int p) {
    if (w == "f") {
      if (fontDefOpen_) CommitFont();
      fontDefOpen_ = true;
      fontDefNum_ = p;
      fontDef_ = TFontInfo();
    } else if (w == "fcharset") {
      if (fontDef_.CodePage == 0 || !fontDefCpg_) fontDef_.CodePage = CodePageOfFontCharset(p);
    } else if (w == "cpg") {
      if (p > 0) {
        fontDef_.CodePage = p;
        fontDefCpg_ = true;
      }
    }
  }

  void CommitFont() {
    if (fonts_.size() < kMaxFonts || fonts_.count(fontDefNum_) != 0) {
      // Trailing blanks of the name are not part of it.
      while (!fontDef_.Name.empty() && fontDef_.Name.back() == ' ') fontDef_.Name.pop_back();
      fonts_[fontDefNum_] = fontDef_;
    }
    fontDefOpen_ = false;
    fontDefCpg_ = false;
    fontDef_ = TFontInfo();
    fontCacheValid_ = false;
  }

  void SetFormat(bool& field, bool value) {
    if (field != value) builder_.FormatChanged();
    field = value;
  }

  // The code page of text in the current state.
  int CurrentCodePage() {
    const TGroupState& s = St();
    if (s.Dest == TDest::FontTable) return fontDef_.CodePage != 0 ? fontDef_.CodePage : docCodePage_;
    ResolveFont();
    return fontCodePage_ != 0 ? fontCodePage_ : docCodePage_;
  }

  void ResolveFont() {
    const int num = St().Font >= 0 ? St().Font : defaultFont_;
    if (!fontCacheValid_ || num != cachedFontNum_) LookUpFont(num);
  }

  void LookUpFont(int num) {
    fontCacheValid_ = true;
    cachedFontNum_ = num;
    auto it = fonts_.find(num);
    fontFace_ = it != fonts_.end() ? it->second.Name : std::string();
    fontCodePage_ = it != fonts_.end() ? it->second.CodePage : 0;
    builder_.FormatChanged();
  }

  // The UTF-8 text of byte `b` in code page `cp`.
  const std::string& ByteText(int cp, unsigned char b) {
    if (cp != tableCodePage_ || table_ == nullptr) {
      table_ = &tables_.Get(cp);
      tableCodePage_ = cp;
    }
    return (*table_)[b];
  }

  void AddByte(unsigned char b) {
    const int cp = CurrentCodePage();
    if (IsMultiByteCodePage(cp)) {
      if (pendingBytes_.size() < 4096) pendingBytes_ += static_cast<char>(b);
      pendingCodePage_ = cp;
      return;
    }
    FlushBytes();
    AddText(ByteText(cp, b));
  }

  void FlushBytes() {
    if (!pendingBytes_.empty()) FlushPending();
  }

  void FlushPending() {
    std::string bytes;
    bytes.swap(pendingBytes_);
    std::string t = DecodeCodePage(bytes, pendingCodePage_);
    if (!IsValidUtf8(t)) {
      t.clear();
      for (size_t i = 0; i < bytes.size(); ++i) t += kReplacement;
    }
    AppendRunText(t);
  }

  void AddUnicode(uint32_t cp) {
    if (cp >= 0xD800 && cp <= 0xDBFF) {
      if (highSurrogate_ != 0) AddCodePoint(0xFFFD);
      highSurrogate_ = cp;
      return;
    }
    if (cp >= 0xDC00 && cp <= 0xDFFF && highSurrogate_ != 0) {
      const uint32_t full = 0x10000 + ((highSurrogate_ - 0xD800) << 10) + (cp - 0xDC00);
      highSurrogate_ = 0;
      AddCodePoint(full);
      return;
    }
    AddCodePoint(cp);
  }

  void AddCodePoint(uint32_t cp) {
    char buf[8];
    AddText(std::string_view(buf, EncodeUtf8(buf, cp)));
  }

  void AddText(std::string_view t) {
    if (t.empty()) return;
    FlushBytes();  // text between multi-byte code-page bytes ends their sequence
    AppendRunText(t);
  }

  void AppendRunText(std::string_view t) {
    if (highSurrogate_ != 0) {
      highSurrogate_ = 0;
      AppendRaw(kReplacement);
    }
    AppendRaw(t);
  }

  void AppendRaw(std::string_view t) {
    TGroupState& s = St();
    if (s.Dest == TDest::FontTable) {
      // A ';' ends the entry; a name is cut only between characters (t never splits one).
      while (!t.empty()) {
        const size_t semi = t.find(';');
        const std::string_view part = t.substr(0, semi);
        if (fontDef_.Name.size() + part.size() <= kMaxFontName) fontDef_.Name.append(part);
        else fontDef_.Name = Utf8Cut(fontDef_.Name + std::string(part), kMaxFontName);
        if (semi == std::string_view::npos) break;
        if (fontDefOpen_) CommitFont();
        t.remove_prefix(semi + 1);
      }
      return;
    }
    if (s.Dest == TDest::ColorTable) {
      for (char c : t) {
        if (c != ';') continue;
        if (colors_.size() < kMaxColors) colors_.push_back(colorSet_ ? color_ : -1);
        color_ = 0;
        colorSet_ = false;
      }
      return;
    }
    if (s.Hidden) return;
    ResolveFont();
    builder_.AddText(t, s.Format, fontFace_);
  }

  TRtfParaState ParaState() {
    const TGroupState& s = St();
    return TRtfParaState{s.Align, s.LeftIndent, s.FirstIndent, s.InTable};
  }

  void EndParagraph() {
    FlushBytes();
    builder_.EndParagraph(ParaState());
  }

  void EndCell() {
    FlushBytes();
    builder_.EndCell(ParaState());
  }

  void EndRow() {
    FlushBytes();
    builder_.EndRow(ParaState());
  }

  std::string_view in_;
  TRtfDocument& doc_;
  TRtfDocBuilder builder_;
  size_t pos_ = 0;
  std::vector<TGroupState> states_;
  size_t overflow_ = 0;
  bool hasParam_ = false;
  int32_t param_ = 0;
  int ucSkip_ = 0;
  uint32_t highSurrogate_ = 0;

  int docCodePage_ = 1252;
  int defaultFont_ = -1;
  std::map<int, TFontInfo> fonts_;
  bool fontDefOpen_ = false;
  bool fontDefCpg_ = false;
  int fontDefNum_ = 0;
  TFontInfo fontDef_;
  bool fontCacheValid_ = false;
  int cachedFontNum_ = -1;
  std::string fontFace_;
  int fontCodePage_ = 0;
  TByteTables tables_;
  const TByteTable* table_ = nullptr;
  int tableCodePage_ = 0;
  std::string pendingBytes_;
  int pendingCodePage_ = 0;

  std::vector<int32_t> colors_;
  int32_t color_ = 0;
  bool colorSet_ = false;

};

void AppendCellText(std::string& out, const TRtfCell& cell) {
  bool first = true;
  for (const TRtfParagraph& p : cell.Paragraphs) {
    if (!first) out += ' ';
    first = false;
    for (const TRtfRun& r : p.Runs) {
      for (char c : r.Text) out += (c == '\t' || c == '\n') ? ' ' : c;
    }
  }
}

}  // namespace

bool IsRtf(std::string_view bytes) {
  size_t i = 0;
  while (i < bytes.size() && i < 4096 &&
         (bytes[i] == ' ' || bytes[i] == '\t' || bytes[i] == '\r' || bytes[i] == '\n'))
    ++i;
  return bytes.compare(i, 5, "{\\rtf") == 0;
}

bool ParseRtf(std::string_view bytes, TRtfDocument& doc) {
  doc = TRtfDocument();
  if (!IsRtf(bytes)) return false;
  TRtfParser(bytes, doc).Run();
  return true;
}

std::string RtfPlainText(const TRtfDocument& doc) {
  std::string out;
  for (const TRtfBlock& b : doc.Blocks) {
    if (!b.IsTable()) {
      for (const TRtfRun& r : b.Paragraph.Runs) out += r.Text;
      out += '\n';
      continue;
    }
    for (const TRtfRow& row : b.Rows) {
      for (size_t i = 0; i < row.size(); ++i) {
        if (i > 0) out += '\t';
        AppendCellText(out, row[i]);
      }
      out += '\n';
    }
  }
  return out;
}

}  // namespace ny
