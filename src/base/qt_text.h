#pragma once

// The one crossing between the core's UTF-8 text and Qt's strings. Header-only:
// the core itself never includes it, only the Qt side does.

#include <QString>
#include <string>
#include <string_view>

namespace youran {

inline QString toQ(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string fromQ(const QString& text) { return text.toStdString(); }

}  // namespace youran
