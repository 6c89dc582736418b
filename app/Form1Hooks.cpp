// The commands of the main window that other units provide: they set the slots of TForm1.
#include "app/Form1.h"
#include "app/Form1Document.h"

namespace ny {

void TForm1::OpenDocument() {
  if (OnOpenDocument) {
    OnOpenDocument();
  } else {
    OpenCurrentDocument(*this, view_);
  }
}

void TForm1::bDocOpenClick() {
  OpenDocument();
}

void TForm1::DocAppend(const std::string& startDir) {
  if (OnDocAppend) OnDocAppend(startDir);
}

void TForm1::ArcAppend(const std::string& startDir) {
  if (OnArcAppend) OnArcAppend(startDir);
}

void TForm1::DocDelete() {
  if (OnDocDelete) OnDocDelete();
}

}  // namespace ny
