#pragma once

// File paths between the core (the bytes the file system gave) and Qt.
// QString::fromUtf8 turns every byte that is not UTF-8 into U+FFFD, so a GBK
// name from a Windows archive could never be opened again from its QString.
// Here such a byte b travels as the lone surrogate U+DC00+b (the escape
// Python calls "surrogateescape"): the QString survives QStringList, signals
// and QDataStream unchanged, and pathFromQ gives back the very bytes. Only
// for paths; text for people goes through toQ. Header-only, Qt side only.

#include <QByteArray>
#include <QString>
#include <string>
#include <string_view>

#include "base/text_encoding.h"

namespace youran {

inline QString pathToQ(std::string_view bytes) {
  if (isValidUtf8(bytes)) return QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
  QString out;
  out.reserve(static_cast<qsizetype>(bytes.size()));
  for (size_t i = 0; i < bytes.size();) {
    uint32_t cp = 0;
    size_t n = decodeUtf8Char(bytes, i, cp);
    if (n == 0) {
      out += QChar(static_cast<char16_t>(0xDC00 + static_cast<unsigned char>(bytes[i])));
      ++i;
    } else {
      out += QString::fromUtf8(bytes.data() + i, static_cast<qsizetype>(n));
      i += n;
    }
  }
  return out;
}

inline std::string pathFromQ(const QString& path) {
  std::string out;
  out.reserve(static_cast<size_t>(path.size()));
  const qsizetype n = path.size();
  for (qsizetype i = 0; i < n; ++i) {
    char16_t u = path[i].unicode();
    if (u >= 0xDC80 && u <= 0xDCFF && (i == 0 || !QChar::isHighSurrogate(path[i - 1].unicode()))) {
      out.push_back(static_cast<char>(u - 0xDC00));
      continue;
    }
    qsizetype len = QChar::isHighSurrogate(u) && i + 1 < n && path[i + 1].isLowSurrogate() ? 2 : 1;
    out += QStringView(path).mid(i, len).toUtf8().toStdString();
    i += len - 1;
  }
  return out;
}

// "file://" and the path's bytes percent-encoded: the URI names the very
// file whatever its bytes (QUrl::fromLocalFile would go through UTF-8).
inline QString fileUriOf(std::string_view bytes) {
  return QStringLiteral("file://") +
         QString::fromLatin1(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()))
                                 .toPercentEncoding("/"));
}

}  // namespace youran
