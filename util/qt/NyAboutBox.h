// The about box and the hint window on screen: the Qt view of TNyAbout (util/NyAbout.h).
//
// TNyAboutBox is the modal box: caption "Information", a fixed dialog of 341 by 314 pixels
// without the title bar's buttons, centred on the screen. The icon, the product, version and
// copyright lines, the comment memo, and one caption and value label per line of system
// information. The captions "System:", "Dispaly:", "Computer:" and "User:" are underlined
// and pass a click to TNyAbout::AppletClick. Any key closes the box (Esc as Cancel, every
// other key as OK). Pressing the left button on the icon with Shift, Ctrl and Alt held shows
// EasterEggText() in the copyright's place until the button is released.
//
// TNyAboutQt serves TNyAbout: it attaches itself as the component's view for its lifetime.
#pragma once

#include <QDialog>
#include <QPointer>
#include <memory>
#include <string>
#include <vector>

#include "util/NyAbout.h"

class QLabel;

namespace ny {

class TNyAboutBox : public QDialog {
  Q_OBJECT
 public:
  // `about` receives the clicks on the four captions; it must outlive the box.
  TNyAboutBox(const TNyAboutTexts& texts, TNyAbout& about, QWidget* parent = nullptr);

  // The label of that component name ("OSName", "Copyright", ...; a caption label by its
  // text, "System:"); null when there is none.
  QLabel* Label(const QString& name) const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TNyAbout& about_;
  QLabel* icon_ = nullptr;
  QLabel* copyright_ = nullptr;
  QString savedCopyright_;
  bool egg_ = false;
};

class TNyAboutQt : public TNyAboutView {
 public:
  explicit TNyAboutQt(TNyAbout& about);
  ~TNyAboutQt() override;
  TNyAboutQt(const TNyAboutQt&) = delete;
  TNyAboutQt& operator=(const TNyAboutQt&) = delete;

  // The hint window while it is shown; null otherwise.
  QLabel* HintWindow() const { return hint_; }

  TNyScreen Screen() override;
  void SetBusy(bool busy) override;
  bool RunAboutBox(const TNyAboutTexts& texts) override;
  void MeasureHint(const std::string& text, int fontSize, int maxWidth, int& width,
                   int& height) override;
  void ShowHint(const std::string& text, const TNyRect& rect, int fontSize,
                uint32_t color) override;
  void HideHint() override;
  void StartDetached(const std::vector<std::string>& argv) override;

 private:
  TNyAbout& about_;
  QPointer<QLabel> hint_;
};

}  // namespace ny
