// vellumctl: the command-line companion of the catalogue.
//
//   vellumctl archive list ARCHIVE          entry count, then "<packed>\t<unpacked>\t<name>"
//                                           (tab, line feed and '\' in a name as \t \n \\)
//   vellumctl archive pack FILE DIR             packs FILE into DIR/<name>.ZIP, prints its path
//   vellumctl archive extract ARCHIVE NAME DIR
//   vellumctl lib create|list|subjects|set ...  (ctl/LibCommand.h)
//   vellumctl view --text FILE [--charset N]    the text the document viewer shows
//
// Each command group is one function of the table in main; a failure is reported on standard
// error and gives exit status 1, a usage error exit status 2.
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "archive/ArchiveList.h"
#include "archive/ArchiveOps.h"
#include "archive/ZipReader.h"
#include "archive/ZipWriter.h"
#include "ctl/LibCommand.h"
#include "util/NyApi.h"

int RunViewCommand(const std::vector<std::string>& args);  // ViewCommand.cpp

namespace {

using vellumctl::kExitFailure;
using vellumctl::kExitUsage;
using vellumctl::TArgs;

int Usage(const char* text) {
  std::cerr << "usage: " << text << "\n";
  return kExitUsage;
}

// A name on one line of its own: tab, line feed and backslash written as \t, \n and \\.
std::string Escaped(const std::string& name) {
  std::string out;
  for (char c : name) {
    if (c == '\t') {
      out += "\\t";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\\') {
      out += "\\\\";
    } else {
      out += c;
    }
  }
  return out;
}

int ArchiveList(const TArgs& args) {
  if (args.size() != 1) return Usage("vellumctl archive list ARCHIVE");
  int count = ny::ListArchive(args[0]);
  std::cout << count << "\n";
  const auto& entries = ny::ArchiveEntries();
  for (int i = 0; i < count && static_cast<size_t>(i) < entries.size(); ++i) {
    const ny::TArchiveEntry& e = entries[static_cast<size_t>(i)];
    std::cout << e.PackedSize << "\t" << e.UnpackedSize << "\t" << Escaped(e.EntryName) << "\n";
  }
  return 0;
}

// Asks on the terminal; anything but an answer starting with y or Y (end of input included)
// is No.
bool AskOnTerminal(const std::string& text, const std::string& title) {
  std::cerr << title << ": " << text << " [y/N] " << std::flush;
  std::string answer;
  if (!std::getline(std::cin, answer)) return false;
  return !answer.empty() && (answer[0] == 'y' || answer[0] == 'Y');
}

int ArchiveExtract(const TArgs& args) {
  if (args.size() != 3) return Usage("vellumctl archive extract ARCHIVE NAME DIR");
  ny::TZipReader reader;
  reader.SetZipName(args[0]);
  reader.SetFilesList({args[1]});
  reader.SetDestDir(args[2]);
  reader.OnAskYesNo = AskOnTerminal;
  reader.OnMessage = [](const std::string& text, const std::string& title) {
    std::cerr << title << ": " << text << "\n";
  };
  int written = reader.UnZip();
  if (written == 0) {
    std::cerr << "nothing extracted for " << args[1] << "\n";
    return kExitFailure;
  }
  return 0;
}

// Packs the document as appending one does, but into DIR instead of the temporary directory.
int ArchivePack(const TArgs& args) {
  if (args.size() != 2) return Usage("vellumctl archive pack FILE DIR");
  if (!ny::DirExists(args[1])) {
    std::cerr << "no such directory: " << args[1] << "\n";
    return kExitFailure;
  }
  ny::TZipWriter writer;
  std::string zip = ny::PackDocument(writer, args[1], args[0]);
  if (!ny::FileExistsPlain(zip)) {
    std::cerr << (writer.ErrorText().empty() ? "nothing packed" : writer.ErrorText()) << "\n";
    return kExitFailure;
  }
  std::cout << zip << "\n";
  return 0;
}

int Archive(const TArgs& args) {
  constexpr const char* kUsage = "vellumctl archive list|pack|extract ...";
  if (args.empty()) return Usage(kUsage);
  TArgs rest(args.begin() + 1, args.end());
  if (args[0] == "list") return ArchiveList(rest);
  if (args[0] == "pack") return ArchivePack(rest);
  if (args[0] == "extract") return ArchiveExtract(rest);
  return Usage(kUsage);
}

struct TCommand {
  std::string_view name;
  int (*run)(const TArgs&);
};

constexpr TCommand kCommands[] = {
    {"archive", Archive},
    {"lib", vellumctl::Lib},
    {"view", RunViewCommand},
};

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage("vellumctl archive|lib ...");
  TArgs args(argv + 2, argv + argc);
  for (const TCommand& c : kCommands) {
    if (c.name != argv[1]) continue;
    try {
      return c.run(args);
    } catch (const std::exception& e) {
      std::cerr << e.what() << "\n";
      return kExitFailure;
    }
  }
  return Usage("vellumctl archive|lib ...");
}
