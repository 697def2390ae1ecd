#include "layout_checks.h"

#include <QAbstractButton>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QWidget>

namespace testing_support {
namespace {

QString describe(const QWidget& widget, const QString& text) {
  return widget.objectName() + QLatin1Char('"') + text + QLatin1Char('"');
}

// The widgets in the window itself, leaving out other windows it owns.
QList<QWidget*> controls(const QWidget& window) {
  QList<QWidget*> found;
  for (QWidget* child : window.findChildren<QWidget*>()) {
    if (!child->isWindow() && child->window() == &window) found << child;
  }
  return found;
}

QString textOf(const QWidget& widget) {
  if (auto* label = qobject_cast<const QLabel*>(&widget)) return label->text();
  if (auto* button = qobject_cast<const QAbstractButton*>(&widget)) return button->text();
  if (auto* group = qobject_cast<const QGroupBox*>(&widget)) return group->title();
  return {};
}

// Room the text needs inside its control.
int neededWidth(const QWidget& widget, const QString& text) {
  if (qobject_cast<const QLabel*>(&widget) || qobject_cast<const QRadioButton*>(&widget)) {
    return widget.sizeHint().width();
  }
  // Push button texts and group box titles: a little margin each side.
  return widget.fontMetrics().horizontalAdvance(text) + 12;
}

}  // namespace

QStringList clippedTexts(const QWidget& window) {
  QStringList clipped;
  for (const QWidget* widget : controls(window)) {
    const QString text = textOf(*widget);
    if (text.isEmpty()) continue;
    const QSize needed(neededWidth(*widget, text), widget->fontMetrics().height());
    if (needed.width() > widget->width() || needed.height() > widget->height()) {
      clipped << describe(*widget, text) + QStringLiteral(" needs %1x%2 in %3x%4")
                                               .arg(needed.width())
                                               .arg(needed.height())
                                               .arg(widget->width())
                                               .arg(widget->height());
    }
  }
  return clipped;
}

QStringList glyphsMissingFromFont(const QWidget& window) {
  QStringList missing;
  for (const QWidget* widget : controls(window)) {
    const QString text = textOf(*widget);
    const QFontMetrics metrics(widget->font());
    for (char32_t codePoint : text.toUcs4()) {
      if (!metrics.inFontUcs4(codePoint)) {
        missing << describe(*widget, QString::fromUcs4(&codePoint, 1));
      }
    }
  }
  return missing;
}

QStringList overlappingControls(const QWidget& window) {
  QStringList overlapping;
  QList<const QWidget*> parents{&window};
  for (const QWidget* widget : controls(window)) parents << widget;
  for (const QWidget* parent : parents) {
    QList<const QWidget*> siblings;
    for (const QWidget* widget : controls(window)) {
      if (widget->parentWidget() == parent) siblings << widget;
    }
    for (qsizetype i = 0; i < siblings.size(); ++i) {
      const QWidget& a = *siblings[i];
      if (!parent->rect().contains(a.geometry())) overlapping << describe(a, textOf(a));
      for (qsizetype j = i + 1; j < siblings.size(); ++j) {
        const QWidget& b = *siblings[j];
        if (a.geometry().intersects(b.geometry())) {
          overlapping << describe(a, textOf(a)) + QStringLiteral(" / ") + describe(b, textOf(b));
        }
      }
    }
  }
  return overlapping;
}

}  // namespace testing_support
