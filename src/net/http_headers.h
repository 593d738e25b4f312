#pragma once

// The request header blocks of the three request flavours and their
// time-outs. Kept apart from the transfer so the exact lines can be checked
// without a network.

#include <string>
#include <string_view>
#include <vector>

#include "net/http_request.h"

namespace youran {

// The three request flavours differ only in their default header lines,
// user agents and time-out rules; the services depend on those exact lines.
enum class HttpFlavour {
  kRequest,     // the main flavour: searches, details, lyrics, play URLs
  kWinInet,     // the secondary search: "Referer" is the URL itself
  kComObject,   // the mobile play page: caller-given User-Agent, 15 s time-out
};

// Header lines (without CR LF) in the order they go on the wire after the
// request line; curl adds Host, Connection, Content-Length and credentials.
std::vector<std::string> buildHeaderLines(HttpFlavour flavour, const HttpRequest& request);

// Whether one of the lines carries that header name (letter case ignored).
bool hasHeaderLine(const std::vector<std::string>& lines, std::string_view name);

// The lines joined into a block, each followed by CR LF.
std::string joinHeaderLines(const std::vector<std::string>& lines);

// Splits a caller's header text on CR LF (or LF) and drops empty lines.
std::vector<std::string> splitHeaderText(const std::string& text);

struct TransferTimeouts {
  long connectMs = 30000;   // resolve and connect
  long receiveMs = 30000;   // longest wait for the next bytes
  long totalMs = 300000;    // whole exchange, so a trickling server cannot hold a caller forever
};

TransferTimeouts timeoutsFor(HttpFlavour flavour, int timeoutSeconds);

// Largest body a request keeps; a larger answer fails with 713.
inline constexpr std::size_t kMaxRequestBodyBytes = 64u << 20;

}  // namespace youran
