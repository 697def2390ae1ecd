#include "analyser/ui/dialog_builder.h"

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>

namespace dialog_kit {

namespace {

// A group box drawn as dialog layouts expect it: the frame line runs through
// the middle of the title, so the first control fits below the title with
// room to spare.
class GroupFrame final : public QGroupBox {
 public:
  using QGroupBox::QGroupBox;

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    const QFontMetrics metrics = fontMetrics();
    const QRect frame = rect().adjusted(0, metrics.height() / 2, -1, -1);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(frame);

    const QRect titleRect(kTitleIndent, 0, metrics.horizontalAdvance(title()) + 2 * kTitlePadding,
                          metrics.height());
    painter.fillRect(titleRect, palette().window());
    style()->drawItemText(&painter, titleRect, Qt::AlignCenter, palette(), isEnabled(), title(),
                          QPalette::WindowText);
  }

 private:
  static constexpr int kTitleIndent = 6;
  static constexpr int kTitlePadding = 2;
};

// A text is never cut: where the font in use runs wider than the one the
// layout was drawn for, a label or radio button grows to the right.
void growToFitText(QWidget& widget) {
  const int needed = widget.sizeHint().width();
  if (needed > widget.width()) widget.resize(needed, widget.height());
}

}  // namespace

QString controlName(int id) {
  return QString::number(id);
}

DialogBuilder::DialogBuilder(QWidget& window, const DialogUnits& units, QSize sizeInUnits)
    : window_(window), units_(units) {
  window.setFixedSize(units.size(sizeInUnits.width(), sizeInUnits.height()));
}

QLabel* DialogBuilder::label(const QString& text, const QRect& units) {
  auto* label = new QLabel(text, &window_);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setGeometry(units_.rect(units));
  growToFitText(*label);
  return label;
}

QLineEdit* DialogBuilder::edit(int id, const QRect& units) {
  auto* edit = new QLineEdit(&window_);
  edit->setObjectName(controlName(id));
  edit->setGeometry(units_.rect(units));
  return edit;
}

QPushButton* DialogBuilder::button(int id, const QString& text, const QRect& units) {
  auto* button = new QPushButton(text, &window_);
  button->setObjectName(controlName(id));
  button->setAutoDefault(false);
  button->setGeometry(units_.rect(units));
  return button;
}

QGroupBox* DialogBuilder::group(const QString& text, const QRect& units) {
  auto* group = new GroupFrame(text, &window_);
  group->setGeometry(units_.rect(units));
  return group;
}

QRadioButton* DialogBuilder::radio(QGroupBox& group, int id, const QString& text,
                                   const QRect& units) {
  auto* radio = new QRadioButton(text, &group);
  radio->setObjectName(controlName(id));
  radio->setFocusPolicy(Qt::ClickFocus);
  // Converted in window coordinates first, so a radio button lines up with
  // the controls beside its group box exactly as if it were their sibling.
  radio->setGeometry(units_.rect(units).translated(-group.pos()));
  growToFitText(*radio);
  return radio;
}

}  // namespace dialog_kit
