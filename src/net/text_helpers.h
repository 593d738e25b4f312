#pragma once

// Small text tools the online services use to cut values out of answers and
// to keep cookie texts ("name=value; name=value").

#include <optional>
#include <string>
#include <string_view>

namespace youran {

// The token that stands for a double quote in markers and patterns, so that
// callers can write quotes without escaping them.
inline constexpr std::string_view kQuoteToken = "#引号";

// Replaces every kQuoteToken by '"'.
std::string expandQuoteToken(std::string_view text);

// Finds leftMarker at or after the 1-based byte position startPosition, then
// rightMarker after it, and returns the text between them. Empty text when
// either marker is missing. ignoreCase compares ASCII letters blindly.
std::string textBetween(std::string_view text, std::string_view leftMarker, std::string_view rightMarker,
                        int startPosition = 1, bool ignoreCase = false);

// The text before the first delimiter, or the whole text when the delimiter
// is absent (or empty).
std::string textBefore(std::string_view text, std::string_view delimiter);

// Splits on the separator, keeps the first occurrence of each item (exact
// comparison) and joins them again with the separator.
std::string removeDuplicateItems(std::string_view text, std::string_view separator);

// Merges the cookies a response set (fresh) into the cookies sent (old): new
// values replace old ones of the same name, old cookies the response did not
// touch follow the new ones, and cookies the server deleted ("=deleted")
// disappear. The result is stored in old and returned.
std::string mergeCookies(std::string& old, std::string_view fresh);

// The cookies a raw response header block sets, as "a=1; b=2": the
// name=value part of each Set-Cookie line, attributes dropped.
std::string cookiesFromHeaders(std::string_view headerBlock);

// The value (blanks trimmed) of the first line of a raw header block whose
// name matches, letter case ignored; empty optional when there is none.
std::optional<std::string_view> headerValue(std::string_view headerBlock, std::string_view name);

// The value of the first "Location: " line of a header block, or empty text.
std::string locationFromHeaders(std::string_view headerBlock);

// The status part of the status line ("200 OK" of "HTTP/1.1 200 OK").
std::string statusTextFromHeaders(std::string_view headerBlock);

// ASCII-only letter-case blind comparison.
bool equalsIgnoreCase(std::string_view a, std::string_view b);

}  // namespace youran
