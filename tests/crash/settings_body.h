#pragma once

#include <string>

namespace youran::testing {

// The long value the settings writer stores as its i-th 内容: about 6 KB of
// GB18030 text whose every piece names i, so a value from one write can never
// pass for another's.
inline std::string settingsBody(long i) {
  std::string body;
  const std::string piece = "第" + std::to_string(i) + "次写入，悠然音乐；";
  while (body.size() < 9000) body += piece;
  return body;
}

}  // namespace youran::testing
