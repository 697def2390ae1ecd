#pragma once
// Places a window's controls from their dialog-unit rectangles, in the order
// they are added, which is also the keyboard order. A control with an id
// carries it as its object name ("1000"); labels and group boxes have none.
// Labels and radio buttons widen to the right where their text needs it.

#include <QRect>
#include <QString>

#include "analyser/ui/dialog_units.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QWidget;

namespace dialog_kit {

QString controlName(int id);

class DialogBuilder {
 public:
  // Fixes the window's size; `units` must come from the window's font.
  DialogBuilder(QWidget& window, const DialogUnits& units, QSize sizeInUnits);

  QLabel* label(const QString& text, const QRect& units);
  // Single line, bordered, scrolling horizontally; a tab stop.
  QLineEdit* edit(int id, const QRect& units);
  // A tab stop that Enter never presses by itself: each window decides.
  QPushButton* button(int id, const QString& text, const QRect& units);
  QGroupBox* group(const QString& text, const QRect& units);
  // A radio button inside `group`, placed by its window coordinates. The
  // buttons of one group box select each other out; Tab passes them by.
  QRadioButton* radio(QGroupBox& group, int id, const QString& text, const QRect& units);

 private:
  QWidget& window_;
  const DialogUnits& units_;
};

}  // namespace dialog_kit
