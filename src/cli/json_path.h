#pragma once

// A path in the commands' JSON lines. JSON text is Unicode, a path is the
// file system's bytes: "path" holds the path as text (a GBK name as its
// characters, other stray bytes as U+FFFD) and, only when the bytes are not
// UTF-8, "path_bytes" holds them in lowercase hex, so every line can be
// traced back to its file.

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "base/text_encoding.h"

namespace youran::cli {

inline void putPath(nlohmann::ordered_json& line, std::string_view path) {
  line["path"] = pathDisplayText(path);
  if (isValidUtf8(path)) return;
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(path.size() * 2);
  for (char c : path) {
    hex.push_back(kHex[static_cast<unsigned char>(c) >> 4]);
    hex.push_back(kHex[static_cast<unsigned char>(c) & 0xF]);
  }
  line["path_bytes"] = hex;
}

}  // namespace youran::cli
