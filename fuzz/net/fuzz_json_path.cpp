// A JSON document and paths from one input: the first line holds the paths
// separated by "|", the rest is the document.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "net/json_document.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input(reinterpret_cast<const char*>(data), size);
  std::size_t newline = input.find('\n');
  if (newline == std::string_view::npos) return 0;
  std::string_view paths = input.substr(0, newline);
  youran::JsonDocument doc;
  doc.parse(input.substr(newline + 1));
  std::size_t start = 0;
  while (start <= paths.size()) {
    std::size_t bar = paths.find('|', start);
    std::string_view path = paths.substr(start, bar == std::string_view::npos ? std::string_view::npos : bar - start);
    doc.getText(path);
    doc.getText(path, true);
    doc.getNumber(path);
    doc.count(path);
    doc.typeOf(path);
    doc.memberNames(path);
    doc.getMemberJson(path);
    doc.getItem(1, path).toJson();
    youran::JsonDocument part = doc.getObject(path);
    part.setText(path, "v");
    part.pushItem(path, "[1]");
    part.removeItem(0, path);
    doc.setJson(path, "{\"k\":[1,2]}");
    doc.toJson();
    if (bar == std::string_view::npos) break;
    start = bar + 1;
  }
  return 0;
}
