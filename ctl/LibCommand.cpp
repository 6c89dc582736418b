#include "ctl/LibCommand.h"

#include <algorithm>
#include <cstring>
#include <exception>
#include <iostream>

#include "app/Form1Model.h"
#include "app/LibText.h"
#include "util/NyApi.h"

namespace vellumctl {

namespace {

std::vector<TLibSubcommand>& Registry() {
  static std::vector<TLibSubcommand> commands;
  return commands;
}

}  // namespace

TLibRegistrar::TLibRegistrar(const TLibSubcommand& command) {
  Registry().push_back(command);
}

std::vector<TLibSubcommand> LibSubcommands() {
  std::vector<TLibSubcommand> list = Registry();
  std::sort(list.begin(), list.end(), [](const TLibSubcommand& a, const TLibSubcommand& b) {
    return std::strcmp(a.Name, b.Name) < 0;
  });
  return list;
}

int Usage(const char* usage) {
  std::cerr << "usage: " << usage << "\n";
  return kExitUsage;
}

int Fail(const std::string& message) {
  // One line: a message's own line break (before a path) becomes ": ".
  std::string line;
  for (char c : message) {
    if (c == '\n')
      line += ": ";
    else
      line += c;
  }
  std::cerr << "vellumctl: " << line << "\n";
  return kExitFailure;
}

int Lib(const TArgs& args) {
  const std::vector<TLibSubcommand> commands = LibSubcommands();
  if (!args.empty()) {
    for (const TLibSubcommand& c : commands) {
      if (args[0] != c.Name) continue;
      try {
        return c.Run(TArgs(args.begin() + 1, args.end()));
      } catch (const std::exception& e) {
        return Fail(e.what());
      }
    }
  }
  for (const TLibSubcommand& c : commands) Usage(c.Usage);
  return kExitUsage;
}

std::string Field(std::string_view stored) {
  const std::string text = ny::LibText(stored);
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '\t':
        out += "\\t";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\\':
        out += "\\\\";
        break;
      default:
        out += c;
    }
  }
  return out;
}

TLibSession::TLibSession() : view_(std::cerr) {
  // No program file and no settings file: the session starts from the window's built-in
  // state, and the search boxes take their first-start defaults. Documents are unpacked into
  // the user's private temporary directory, as the window does.
  form_ = std::make_unique<ny::TForm1>(view_, ny::TForm1Env{"", "", ny::GetTempDir()});
  for (const char* box : {"chFindAut", "chFindNam", "chFindTxt"}) SetBox(box, true);
}

void TLibSession::SetBox(const std::string& box, bool checked) {
  form_->Model().Get(box).SetValue("Checked", ny::BoolValue(checked));
}

void TLibSession::Open(const std::string& file) {
  if (!ny::FileExistsPlain(file)) throw ny::ELibraryError("File Not Found: " + file);
  form_->OpenLibrary(file);
}

}  // namespace vellumctl
