#include "net/text_helpers.h"

#include <algorithm>
#include <unordered_set>
#include <vector>

#include "base/text_trim.h"

namespace youran {

namespace {

char lowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::size_t findFrom(std::string_view text, std::string_view needle, std::size_t from, bool ignoreCase) {
  if (!ignoreCase) return text.find(needle, from);
  if (needle.size() > text.size()) return std::string_view::npos;
  for (std::size_t i = from; i + needle.size() <= text.size(); ++i) {
    if (equalsIgnoreCase(text.substr(i, needle.size()), needle)) return i;
  }
  return std::string_view::npos;
}

std::vector<std::string_view> splitOn(std::string_view text, std::string_view separator) {
  std::vector<std::string_view> items;
  std::size_t start = 0;
  while (true) {
    std::size_t at = text.find(separator, start);
    if (at == std::string_view::npos) {
      items.push_back(text.substr(start));
      return items;
    }
    items.push_back(text.substr(start, at - start));
    start = at + separator.size();
  }
}

// The header lines of a raw block, without their CR LF.
std::vector<std::string_view> headerLines(std::string_view block) {
  std::vector<std::string_view> lines;
  std::size_t start = 0;
  while (start < block.size()) {
    std::size_t end = block.find('\n', start);
    std::string_view line = block.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    start = end + 1;
  }
  return lines;
}

std::string cookieName(std::string_view item) { return std::string(trimBlanks(item.substr(0, item.find('=')))); }

}  // namespace

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lowerAscii(a[i]) != lowerAscii(b[i])) return false;
  }
  return true;
}

std::string expandQuoteToken(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t start = 0;
  while (true) {
    std::size_t at = text.find(kQuoteToken, start);
    if (at == std::string_view::npos) break;
    out.append(text.substr(start, at - start));
    out.push_back('"');
    start = at + kQuoteToken.size();
  }
  out.append(text.substr(start));
  return out;
}

std::string textBetween(std::string_view text, std::string_view leftMarker, std::string_view rightMarker,
                        int startPosition, bool ignoreCase) {
  std::string left = expandQuoteToken(leftMarker);
  std::string right = expandQuoteToken(rightMarker);
  std::size_t from = startPosition < 1 ? 0 : static_cast<std::size_t>(startPosition - 1);
  if (from > text.size()) return {};
  std::size_t leftAt = findFrom(text, left, from, ignoreCase);
  if (leftAt == std::string_view::npos) return {};
  std::size_t valueAt = leftAt + left.size();
  std::size_t rightAt = findFrom(text, right, valueAt, ignoreCase);
  if (rightAt == std::string_view::npos) return {};
  return std::string(text.substr(valueAt, rightAt - valueAt));
}

std::string textBefore(std::string_view text, std::string_view delimiter) {
  if (delimiter.empty()) return std::string(text);
  return std::string(text.substr(0, text.find(delimiter)));
}

std::string removeDuplicateItems(std::string_view text, std::string_view separator) {
  if (separator.empty()) return std::string(text);
  std::unordered_set<std::string_view> seen;
  std::string out;
  bool first = true;
  for (std::string_view item : splitOn(text, separator)) {
    if (!seen.insert(item).second) continue;
    if (!first) out.append(separator);
    out.append(item);
    first = false;
  }
  return out;
}

std::string mergeCookies(std::string& old, std::string_view fresh) {
  auto itemsOf = [](std::string_view text) {
    std::string compact;
    std::copy_if(text.begin(), text.end(), std::back_inserter(compact), [](char c) { return c != ' '; });
    std::vector<std::string> items;
    for (std::string_view item : splitOn(compact, ";")) {
      // "a=1;" and ";;" leave empty items that would join as "; ; ".
      if (!item.empty()) items.emplace_back(item);
    }
    return items;
  };
  std::vector<std::string> merged = itemsOf(fresh);
  std::unordered_set<std::string> names;
  for (const auto& item : merged) names.insert(cookieName(item));
  for (auto& item : itemsOf(old)) {
    if (names.insert(cookieName(item)).second) merged.push_back(std::move(item));
  }
  std::string joined;
  constexpr std::string_view kDeleted = "=deleted";
  for (const auto& item : merged) {
    if (item.ends_with(kDeleted)) continue;
    if (!joined.empty()) joined += "; ";
    joined += item;
  }
  old = removeDuplicateItems(joined, "; ");
  return old;
}

std::string cookiesFromHeaders(std::string_view headerBlock) {
  std::string cookies;
  for (std::string_view line : headerLines(headerBlock)) {
    std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || !equalsIgnoreCase(trimBlanks(line.substr(0, colon)), "Set-Cookie")) {
      continue;
    }
    std::string_view value = line.substr(colon + 1);
    value = trimBlanks(value.substr(0, value.find(';')));
    if (value.empty()) continue;
    if (!cookies.empty()) cookies += "; ";
    cookies += value;
  }
  return cookies;
}

std::optional<std::string_view> headerValue(std::string_view headerBlock, std::string_view name) {
  for (std::string_view line : headerLines(headerBlock)) {
    std::size_t colon = line.find(':');
    if (colon != std::string_view::npos && equalsIgnoreCase(trimBlanks(line.substr(0, colon)), name)) {
      return trimBlanks(line.substr(colon + 1));
    }
  }
  return std::nullopt;
}

std::string locationFromHeaders(std::string_view headerBlock) {
  return std::string(headerValue(headerBlock, "Location").value_or(std::string_view{}));
}

std::string statusTextFromHeaders(std::string_view headerBlock) {
  std::string_view first = headerBlock.substr(0, headerBlock.find_first_of("\r\n"));
  std::size_t space = first.find(' ');
  if (!first.starts_with("HTTP/") || space == std::string_view::npos) return {};
  return std::string(trimBlanks(first.substr(space + 1)));
}

}  // namespace youran
