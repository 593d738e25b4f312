#include "net/http_headers.h"

#include <array>
#include <string_view>

#include "base/text_trim.h"
#include "net/text_helpers.h"

namespace youran {

namespace {

constexpr std::string_view kRequestAgent = "Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)";
constexpr std::string_view kLegacyAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
constexpr std::string_view kFormType = "application/x-www-form-urlencoded";

std::string_view nameOf(std::string_view line) {
  std::size_t colon = line.find(':');
  return trimBlanks(colon == std::string_view::npos ? std::string_view{} : line.substr(0, colon));
}

// Header names compare blind to letter case; a name inside another header's
// value (a Referer URL holding "Cookie:") does not count.
std::string* findLine(std::vector<std::string>& lines, std::string_view name) {
  for (auto& line : lines) {
    if (equalsIgnoreCase(nameOf(line), name)) return &line;
  }
  return nullptr;
}

void addUnlessPresent(std::vector<std::string>& lines, std::string_view name, std::string_view value) {
  if (findLine(lines, name)) return;
  std::string line(name);
  line += ": ";
  line += value;
  lines.push_back(std::move(line));
}

// A POST announces a form body unless the caller chose a type; a caller's
// "content-type" line keeps its value under the canonical spelling.
void addFormContentType(std::vector<std::string>& lines) {
  if (std::string* line = findLine(lines, "Content-Type")) {
    line->replace(0, line->find(':'), "Content-Type");
    return;
  }
  addUnlessPresent(lines, "Content-Type", kFormType);
}

}  // namespace

bool hasHeaderLine(const std::vector<std::string>& lines, std::string_view name) {
  for (const auto& line : lines) {
    if (equalsIgnoreCase(nameOf(line), name)) return true;
  }
  return false;
}

const char* methodText(int method) {
  static constexpr std::array<const char*, 8> kMethods = {"GET",     "POST",   "HEAD",  "PUT",
                                                          "OPTIONS", "DELETE", "TRACE", "CONNECT"};
  if (method < 0 || method >= static_cast<int>(kMethods.size())) return kMethods[0];
  return kMethods[static_cast<std::size_t>(method)];
}

std::vector<std::string> splitHeaderText(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  while (start <= text.size()) {
    std::size_t end = text.find('\n', start);
    std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!trimBlanks(line).empty()) lines.push_back(std::move(line));
    if (end == std::string::npos) break;
    start = end + 1;
  }
  return lines;
}

std::string joinHeaderLines(const std::vector<std::string>& lines) {
  std::string block;
  for (const auto& line : lines) {
    block += line;
    block += "\r\n";
  }
  return block;
}

std::vector<std::string> buildHeaderLines(HttpFlavour flavour, const HttpRequest& request) {
  std::vector<std::string> lines = splitHeaderText(request.extraHeaders);
  const bool post = request.method == kPost;
  switch (flavour) {
    case HttpFlavour::kRequest:
      addUnlessPresent(lines, "User-Agent", kRequestAgent);
      addUnlessPresent(lines, "Accept", "text/html, application/xhtml+xml, */*");
      addUnlessPresent(lines, "Accept-Encoding", "gbk, GB2312");
      addUnlessPresent(lines, "Accept-Language", "zh-cn");
      if (post) addFormContentType(lines);
      addUnlessPresent(lines, "Cache-Control", "no-cache");
      break;
    case HttpFlavour::kWinInet:
    case HttpFlavour::kComObject:
      addUnlessPresent(lines, "Accept", "*/*");
      addUnlessPresent(lines, "Referer", request.url);
      addUnlessPresent(lines, "Accept-Language", "zh-cn");
      if (post) addUnlessPresent(lines, "Content-Type", kFormType);
      // Both send their agent when the caller gave none: the WinINet flavour
      // as its session agent, the object flavour as a header of its own.
      addUnlessPresent(lines, "User-Agent", kLegacyAgent);
      break;
  }
  if (!request.cookies.empty()) addUnlessPresent(lines, "Cookie", request.cookies);
  return lines;
}

TransferTimeouts timeoutsFor(HttpFlavour flavour, int timeoutSeconds) {
  TransferTimeouts timeouts;
  long ms = 0;
  if (flavour == HttpFlavour::kComObject) {
    if (timeoutSeconds == -1) {
      // The object's own defaults: 60 s to connect, 30 s per receive.
      timeouts.connectMs = 60000;
      timeouts.receiveMs = 30000;
      timeouts.totalMs = 10 * 60000;
      return timeouts;
    }
    ms = timeoutSeconds >= 1 ? timeoutSeconds * 1000L : 15000L;
  } else {
    ms = timeoutSeconds > 0 ? timeoutSeconds * 1000L : 30000L;
  }
  timeouts.connectMs = ms;
  timeouts.receiveMs = ms;
  timeouts.totalMs = 10 * ms;
  return timeouts;
}

}  // namespace youran
