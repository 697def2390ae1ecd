#pragma once
// Lets test failures print Qt strings as text.

#include <QString>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
  *out << text.toStdString();
}
