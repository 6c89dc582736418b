// Widgets whose caption never makes their window wider: a text that does not fit is drawn
// cut with an ellipsis ("…") at its end, and the widget asks its layout for no more width
// than a short caption needs. They are what a caption that can grow (a font name, a file
// name, a translated text) is shown in. The whole text stays the widget's text(); the form
// binder (util/qt/NyFormBinder.h) sets it as for the plain widgets.
#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

namespace ny {

// The width, in pixels, a caption asks its layout for at most.
inline constexpr int kElidedMaxHint = 240;

class TNyElidedLabel : public QLabel {
  Q_OBJECT
 public:
  using QLabel::QLabel;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  // The text as drawn at the label's present width.
  QString shownText() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class TNyElidedCheckBox : public QCheckBox {
  Q_OBJECT
 public:
  using QCheckBox::QCheckBox;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  QString shownText() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class TNyElidedButton : public QPushButton {
  Q_OBJECT
 public:
  using QPushButton::QPushButton;
  QSize sizeHint() const override;
  QSize minimumSizeHint() const override;
  QString shownText() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

// The title is cut; the box asks for the width of what it holds, not of its title.
class TNyElidedGroupBox : public QGroupBox {
  Q_OBJECT
 public:
  using QGroupBox::QGroupBox;
  QSize minimumSizeHint() const override;
  QString shownTitle() const;

 protected:
  void paintEvent(QPaintEvent* event) override;
};

}  // namespace ny
