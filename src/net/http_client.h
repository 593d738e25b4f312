#pragma once

// The player's only way to talk to the network: synchronous HTTP(S)
// exchanges over libcurl, one handle per call, nothing kept between calls.

#include <string>

#include "net/download.h"
#include "net/http_request.h"

namespace youran {

class HttpClient {
 public:
  // The main flavour. Returns the body as text (see the charset step in
  // net/charset.h) and fills the out-fields of the request. On failure
  // statusText holds a "7xx ..." message and the result is empty text; a
  // read failing mid-body (713) keeps the bytes read so far in bodyBytes.
  std::string request(HttpRequest& request) const;

  // The secondary search's flavour: "Accept: */*", a Referer of the URL
  // itself, "Accept-Language: zh-cn" and the legacy agent. Returns the raw
  // body bytes; no charset step.
  std::string requestWinInet(HttpRequest& request) const;

  // The mobile play page's flavour: the caller's User-Agent line wins, the
  // time-out is 15 s unless given. Returns the raw body bytes.
  std::string requestComObject(HttpRequest& request) const;
};

// Why an exchange gave no usable answer: its "7xx ..." message, or
// "HTTP " + the status when the final answer was not a 20x. Empty for an
// answer, whatever its body.
std::string exchangeFailure(const HttpRequest& request);

}  // namespace youran
