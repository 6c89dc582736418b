#include "app/Form1ConsoleView.h"

namespace ny {

void TForm1ConsoleView::ShowMessage(const std::string& text) {
  messages_.push_back(text);
  out_ << text << "\n";
}

bool TForm1ConsoleView::AskYesNo(const std::string& text) {
  messages_.push_back(text);
  out_ << text << (yes_ ? " [yes]" : " [no]") << "\n";
  return yes_;
}

}  // namespace ny
