#include "util/qt/NyElided.h"

#include <QLayout>
#include <QPainter>
#include <QStyleOptionGroupBox>
#include <QStyleOptionButton>
#include <QStylePainter>
#include <algorithm>

namespace ny {

namespace {

QSize Capped(QSize s) {
  return QSize(std::min(s.width(), kElidedMaxHint), s.height());
}

// `text` cut to `width` pixels of `w`'s font, mnemonic '&' kept as such.
QString Elide(const QWidget& w, const QString& text, int width) {
  return w.fontMetrics().elidedText(text, Qt::ElideRight, std::max(width, 0),
                                    Qt::TextShowMnemonic);
}

// The room a check box or button leaves for its caption: its width less what the style
// draws around an empty caption.
template <class B>
int CaptionRoom(const B& b, QStyle::ContentsType type) {
  QStyleOptionButton opt;
  opt.initFrom(&b);
  opt.text.clear();
  opt.icon = b.icon();
  opt.iconSize = b.iconSize();
  const QSize frame = b.style()->sizeFromContents(type, &opt, QSize(0, 0), &b);
  return b.width() - frame.width() - (type == QStyle::CT_CheckBox ? 0 : 2);
}

}  // namespace

QSize TNyElidedLabel::sizeHint() const {
  return Capped(QLabel::sizeHint());
}

QSize TNyElidedLabel::minimumSizeHint() const {
  return QSize(0, QLabel::minimumSizeHint().height());
}

QString TNyElidedLabel::shownText() const {
  return Elide(*this, text(), contentsRect().width() - 2 * margin());
}

void TNyElidedLabel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const QRect r = contentsRect().adjusted(margin(), margin(), -margin(), -margin());
  style()->drawItemText(&p, r, QStyle::visualAlignment(layoutDirection(), alignment()) |
                                   Qt::TextShowMnemonic,
                        palette(), isEnabled(), shownText(), foregroundRole());
}

QSize TNyElidedCheckBox::sizeHint() const {
  return Capped(QCheckBox::sizeHint());
}

QSize TNyElidedCheckBox::minimumSizeHint() const {
  return QSize(std::min(QCheckBox::minimumSizeHint().width(), 40),
               QCheckBox::minimumSizeHint().height());
}

QString TNyElidedCheckBox::shownText() const {
  return Elide(*this, text(), CaptionRoom(*this, QStyle::CT_CheckBox));
}

void TNyElidedCheckBox::paintEvent(QPaintEvent*) {
  QStylePainter p(this);
  QStyleOptionButton opt;
  initStyleOption(&opt);
  opt.text = shownText();
  p.drawControl(QStyle::CE_CheckBox, opt);
}

QSize TNyElidedButton::sizeHint() const {
  return Capped(QPushButton::sizeHint());
}

QSize TNyElidedButton::minimumSizeHint() const {
  return QSize(std::min(QPushButton::minimumSizeHint().width(), 40),
               QPushButton::minimumSizeHint().height());
}

QString TNyElidedButton::shownText() const {
  return Elide(*this, text(), CaptionRoom(*this, QStyle::CT_PushButton));
}

void TNyElidedButton::paintEvent(QPaintEvent*) {
  QStylePainter p(this);
  QStyleOptionButton opt;
  initStyleOption(&opt);
  opt.text = shownText();
  p.drawControl(QStyle::CE_PushButton, opt);
}

QSize TNyElidedGroupBox::minimumSizeHint() const {
  const QSize full = QGroupBox::minimumSizeHint();
  if (layout() == nullptr) return QSize(0, full.height());
  const QMargins m = contentsMargins();
  return QSize(layout()->minimumSize().width() + m.left() + m.right(), full.height());
}

QString TNyElidedGroupBox::shownTitle() const {
  // The style puts the title inside the frame, indented by a few pixels on each side.
  return Elide(*this, title(), width() - 16);
}

void TNyElidedGroupBox::paintEvent(QPaintEvent*) {
  QStylePainter p(this);
  QStyleOptionGroupBox opt;
  initStyleOption(&opt);
  opt.text = shownTitle();
  p.drawComplexControl(QStyle::CC_GroupBox, opt);
}

}  // namespace ny
