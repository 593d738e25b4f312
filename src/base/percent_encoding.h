#pragma once

// %XX escaping of bytes (upper-case hex), for URL query values and for the
// Path= line of a trash info file.

#include <string>
#include <string_view>

namespace youran {

// Every byte outside the unreserved set (A-Z a-z 0-9 - . _ ~) and outside
// `alsoKept` becomes %XX; UTF-8 text is escaped byte by byte.
std::string percentEncode(std::string_view bytes, std::string_view alsoKept = {});

// Every byte becomes %XX, letters and digits included.
std::string percentEncodeAll(std::string_view bytes);

}  // namespace youran
