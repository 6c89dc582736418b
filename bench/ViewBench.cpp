// vellum-bench view: the document viewer's load of a 20 MB plain text (Russian and English
// prose in Windows-1251) and of a 20 MB rich-text file made by pandoc, each against the floor:
// reading the same bytes and decoding them as plain text (DecodeViewerText), nothing more.
// The load is TNyRichEdit::LoadFromFile on an offscreen control: reading, decoding or the RTF
// reader, building the QTextDocument and replacing the previous one. The core load
// (LoadViewerFile: reading and decoding or the RTF reader) and the document building alone
// are shown too. Last lines: view_txt_core_ratio=, view_rtf_core_ratio= (core load / floor),
// view_txt_ratio= and view_rtf_ratio= (viewer load / floor); processor times, the best of
// three runs each.
#include <stdlib.h>
#include <unistd.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "Bench.h"
#include "util/NyRtf.h"
#include "util/NyText.h"
#include "util/NyTextDecode.h"
#include "util/qt/NyRtfEdt.h"

namespace vbench {
namespace {

namespace fs = std::filesystem;
using TClock = std::chrono::steady_clock;

struct TTime {
  double wall = 1e30, cpu = 1e30;
};

template <class F>
TTime BestOfThree(F&& f) {
  TTime best;
  for (int i = 0; i < 3; ++i) {
    const auto w = TClock::now();
    const double c = CpuSeconds();
    f();
    best.cpu = std::min(best.cpu, CpuSeconds() - c);
    best.wall = std::min(best.wall, std::chrono::duration<double>(TClock::now() - w).count());
  }
  return best;
}

// The whole file, read as the viewer reads it (one buffer of the file's size).
std::string ReadAll(const std::string& path) {
  std::string bytes;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return bytes;
  std::error_code ec;
  bytes.resize(static_cast<size_t>(fs::file_size(path, ec)));
  bytes.resize(std::fread(bytes.data(), 1, bytes.size(), f));
  std::fclose(f);
  return bytes;
}

// Paragraphs of Russian and English prose over a skewed vocabulary; `markdown` adds emphasis
// and a small table now and then, as documents converted to rich text have.
std::string Prose(size_t bytes, bool markdown) {
  static const char* kWords[] = {
      "и",     "в",       "не",     "на",    "что",      "документ", "каталог", "архив",
      "the",   "of",      "and",    "to",    "library",  "archive",  "viewer",  "text",
      "книга", "страница", "глава", "автор", "document", "chapter",  "page",    "author",
      "время", "человек", "работа", "слово", "between",  "through",  "because", "another"};
  std::mt19937 rng(20261209);
  std::geometric_distribution<int> pick(0.12);
  std::string out;
  int sentence = 0;
  while (out.size() < bytes) {
    std::string para;
    for (int w = 0; w < 80; ++w) {
      const char* word = kWords[std::min(pick(rng), 31)];
      if (markdown && w % 17 == 5) para += std::string("**") + word + "**";
      else if (markdown && w % 23 == 7) para += std::string("*") + word + "*";
      else para += word;
      para += (w % 12 == 11) ? ". " : " ";
    }
    out += para + "\n\n";
    if (markdown && ++sentence % 40 == 0)
      out += "| автор | page | текст |\n|---|---|---|\n| один | 1 | слово |\n| два | 2 | word |\n\n";
  }
  return out;
}

int Fail(const char* what) {
  std::fprintf(stderr, "vellum-bench view: %s\n", what);
  return 1;
}

}  // namespace

int RunView(int argc, char** argv) {
  size_t megabytes = 20;
  for (int i = 0; i < argc; ++i) {
    if (std::strcmp(argv[i], "--mb") == 0 && i + 1 < argc) megabytes = std::stoul(argv[++i]);
  }
  const size_t bytes = megabytes * 1024 * 1024;
  std::string base = (fs::temp_directory_path() / "vellum-bench-view-XXXXXX").string();
  if (mkdtemp(base.data()) == nullptr) return Fail("cannot make a temporary directory");
  struct TRemove {
    std::string dir;
    ~TRemove() { std::error_code ec; fs::remove_all(dir, ec); }
  } remove{base};
  const std::string txt = base + "/doc.txt", md = base + "/doc.md", rtf = base + "/doc.rtf";

  {
    std::string doc = ny::EncodeCodePage(Prose(bytes * 3 / 2, false), 1251);
    doc.resize(std::min(doc.size(), bytes));
    std::ofstream(txt, std::ios::binary) << doc;
  }
  // pandoc makes the rich text of about 1 MB of prose; its body is repeated up to the size.
  std::ofstream(md, std::ios::binary) << Prose(1 << 20, true);
  const std::string cmd = "pandoc -s -f markdown -t rtf -o '" + rtf + "' '" + md + "'";
  if (std::system(cmd.c_str()) != 0) return Fail("pandoc failed (is it installed?)");
  {
    const std::string one = ReadAll(rtf);
    const size_t start = one.find("\n{\\pard");
    const size_t end = one.rfind('}');
    if (start == std::string::npos || end == std::string::npos || end < start)
      return Fail("unexpected pandoc output");
    std::string all = one.substr(0, start);
    const std::string body = one.substr(start, end - start);
    while (all.size() < bytes) all += body;
    all += "}\n";
    std::ofstream(rtf, std::ios::binary) << all;
  }

  int qargc = 1;
  char name[] = "vellum-bench";
  char* qargv[] = {name, nullptr};
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  QApplication app(qargc, qargv);
  ny::TNyRichEdit edit;
  edit.SetReadOnly(true);
  edit.SetViewerFont("Courier New", 10, true);
  edit.SetFontCharset(204);

  std::printf("machine: %ld processors online\n", sysconf(_SC_NPROCESSORS_ONLN));
  double ratios[2] = {0, 0}, coreRatios[2] = {0, 0};
  const char* names[2] = {"txt", "rtf"};
  const std::string files[2] = {txt, rtf};
  for (int k = 0; k < 2; ++k) {
    size_t check = 0;
    const TTime floor = BestOfThree([&] {
      check += ny::DecodeViewerText(ReadAll(files[k]), 204).Text.size();
    });
    const TTime parse = BestOfThree([&] {
      const ny::TViewerContent c =
          ny::LoadViewerFile(files[k], ny::TRichStreamFormat::sfDefault, false, 204);
      check += c.Rich ? c.Document.Blocks.size() : c.PlainText.size();
    });
    const ny::TViewerContent content =
        ny::LoadViewerFile(files[k], ny::TRichStreamFormat::sfDefault, false, 204);
    const TTime build = BestOfThree([&] { delete ny::BuildViewerDocument(content, edit.font()); });
    const TTime load = BestOfThree([&] {
      edit.LoadFromFile(files[k]);
      check += static_cast<size_t>(edit.document()->characterCount());
    });
    const double mb = static_cast<double>(fs::file_size(files[k])) / (1024.0 * 1024.0);
    std::printf("%s %.1f MB (%s)\n", names[k], mb, edit.IsRich() ? "rich text" : "plain text");
    std::printf("  floor read+decode   wall %.3f s  cpu %.3f s  %.0f MB/s\n", floor.wall,
                floor.cpu, mb / floor.cpu);
    std::printf("  core load           wall %.3f s  cpu %.3f s  %.0f MB/s\n", parse.wall,
                parse.cpu, mb / parse.cpu);
    std::printf("  document building   wall %.3f s  cpu %.3f s\n", build.wall, build.cpu);
    std::printf("  viewer load         wall %.3f s  cpu %.3f s  %.0f MB/s\n", load.wall, load.cpu,
                mb / load.cpu);
    std::printf("  (checksum %zu)\n", check);
    ratios[k] = load.cpu / floor.cpu;
    coreRatios[k] = parse.cpu / floor.cpu;
  }
  std::printf("view_txt_core_ratio=%.2f\nview_rtf_core_ratio=%.2f\n", coreRatios[0],
              coreRatios[1]);
  std::printf("view_txt_ratio=%.2f\nview_rtf_ratio=%.2f\n", ratios[0], ratios[1]);
  return 0;
}

}  // namespace vbench
