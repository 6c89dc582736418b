#include "app/Form1ConsoleView.h"

#include <cctype>

namespace ny {

void TForm1ConsoleView::ShowMessage(const std::string& text) {
  messages_.push_back(text);
  out_ << text << "\n";
}

bool TForm1ConsoleView::AskYesNo(const std::string& text) {
  messages_.push_back(text);
  if (in_ != nullptr) {
    out_ << text << " [y/N] " << std::flush;
    std::string line;
    if (!std::getline(*in_, line)) return false;
    for (char& c : line) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return line == "y" || line == "yes";
  }
  out_ << text << (yes_ ? " [yes]" : " [no]") << "\n";
  return yes_;
}

void TForm1ConsoleView::ShellOpen(const std::string& file) {
  shellOpened_.push_back(file);
  if (shellOpen_) TForm1View::ShellOpen(file);
}

}  // namespace ny
