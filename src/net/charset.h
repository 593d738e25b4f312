#pragma once

// The charset step of a response body: an HTML page declaring its charset in
// a <meta> tag near its start is turned into our UTF-8 text; any other body
// is returned byte for byte.

#include <string>
#include <string_view>

namespace youran {

// The charset a <meta ... charset=...> tag within the first 1024 characters
// declares, or empty text.
std::string declaredCharset(std::string_view body);

// The body as UTF-8 text. A declared UTF-8 body, a body without the tag and
// a body whose declared charset is unknown or does not fit its bytes come
// back unchanged.
std::string bodyTextFromDeclaredCharset(std::string_view body);

}  // namespace youran
