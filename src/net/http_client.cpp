#include "net/http_client.h"

#include <chrono>
#include <string_view>

#include "base/log.h"
#include "net/charset.h"
#include "net/curl_handle.h"
#include "net/http_headers.h"
#include "net/text_helpers.h"

namespace youran {

namespace {

// What the callbacks collect while a transfer runs.
struct Exchange {
  std::string headers;  // header block of the latest response (redirects and 1xx answers replace it)
  std::string body;
  bool sawStatusLine = false;
  bool tooLarge = false;
  bool stalled = false;
  bool connected = false;
  CURL* handle = nullptr;
  const std::atomic<bool>* stop = nullptr;
  std::chrono::steady_clock::duration stallLimit{};
  std::chrono::steady_clock::time_point lastData = std::chrono::steady_clock::now();
};

std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user) {
  auto* exchange = static_cast<Exchange*>(user);
  std::string_view line(data, size * count);
  if (line.starts_with("HTTP/")) {
    exchange->headers.clear();
    exchange->body.clear();
    exchange->sawStatusLine = true;
  }
  exchange->headers.append(line);
  exchange->lastData = std::chrono::steady_clock::now();
  return size * count;
}

std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user) {
  auto* exchange = static_cast<Exchange*>(user);
  std::size_t bytes = size * count;
  if (exchange->body.size() + bytes > kMaxRequestBodyBytes) {
    exchange->tooLarge = true;
    return 0;  // curl stops with a write error
  }
  exchange->body.append(data, bytes);
  exchange->lastData = std::chrono::steady_clock::now();
  return bytes;
}

int onProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  auto* exchange = static_cast<Exchange*>(user);
  if (exchange->stop && exchange->stop->load()) return 1;
  if (!exchange->connected) {
    curl_off_t connectedAfter = 0;
    curl_easy_getinfo(exchange->handle, CURLINFO_CONNECT_TIME_T, &connectedAfter);
    if (connectedAfter == 0) return 0;  // the connect limit applies until then
    exchange->connected = true;
    exchange->lastData = std::chrono::steady_clock::now();
  }
  // The receive time-out counts from the last byte; curl's low-speed check
  // averages over several seconds and would let a burst hide a stall.
  if (std::chrono::steady_clock::now() - exchange->lastData > exchange->stallLimit) {
    exchange->stalled = true;
    return 1;
  }
  return 0;
}

// Which message a failed transfer leaves: resolving and connecting (TLS
// included) are 703, sending 711, anything before the status line 712, and
// anything after it 713.
const char* failureMessage(CURLcode code, const Exchange& exchange, CURL* handle) {
  switch (classifyCurlFailure(code, curlConnected(handle))) {
    case CurlFailure::kBadUrl:
      return http_status::kBadUrl;
    case CurlFailure::kNoConnection:
      return http_status::kNoConnection;
    case CurlFailure::kSendFailed:
      return http_status::kSendFailed;
    case CurlFailure::kOther:
      break;
  }
  if (code == CURLE_WRITE_ERROR && exchange.tooLarge) return http_status::kReadFailed;
  return exchange.sawStatusLine ? http_status::kReadFailed : http_status::kNoResponse;
}

void clearResults(HttpRequest& request) {
  request.receivedCookies.clear();
  request.responseHeaders.clear();
  request.location.clear();
  request.statusText.clear();
  request.bodyBytes.clear();
}

// The shared engine of the three flavours. Returns false with statusText
// set when the exchange failed.
bool perform(HttpFlavour flavour, HttpRequest& request) {
  clearResults(request);
  auto fail = [&](const char* message) {
    request.statusText = message;
    logWarning("net", std::string(message) + " " + request.url);
    return false;
  };
  if (!curlGlobalReady()) return fail(http_status::kUnusable);
  if (!isHttpUrl(request.url)) return fail(http_status::kBadUrl);
  CurlEasy handle = newCurlTransfer(request.verifyTls, request.caFile);
  if (!handle) return fail(http_status::kNoSession);
  CURL* h = handle.get();

  Exchange exchange;
  exchange.stop = request.stop;
  exchange.handle = h;
  bool ok = curl_easy_setopt(h, CURLOPT_URL, request.url.c_str()) == CURLE_OK &&
            curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, onHeader) == CURLE_OK &&
            curl_easy_setopt(h, CURLOPT_HEADERDATA, &exchange) == CURLE_OK &&
            curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, onBody) == CURLE_OK &&
            curl_easy_setopt(h, CURLOPT_WRITEDATA, &exchange) == CURLE_OK &&
            curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, onProgress) == CURLE_OK &&
            curl_easy_setopt(h, CURLOPT_XFERINFODATA, &exchange) == CURLE_OK &&
            curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L) == CURLE_OK;
  if (ok && !request.proxy.empty()) {
    ok = curl_easy_setopt(h, CURLOPT_PROXY, curlProxyText(request.proxy).c_str()) == CURLE_OK;
  }
  if (!ok) return fail(http_status::kNoConnection);

  // The method; a body goes with any method, as its bytes.
  const int method = (request.method >= kGet && request.method <= kConnect) ? request.method : kGet;
  const bool sendBody = method == kPost || (!request.body.empty() && method != kHead);
  if (method == kHead) {
    ok = curl_easy_setopt(h, CURLOPT_NOBODY, 1L) == CURLE_OK;
  } else if (sendBody) {
    ok = curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request.body.size())) ==
             CURLE_OK &&
         curl_easy_setopt(h, CURLOPT_POSTFIELDS, request.body.data()) == CURLE_OK;
  }
  // GET, POST and HEAD keep curl's own method handling, so a POST answered
  // with 303 continues as a GET; the others name their method.
  if (ok && method != kGet && method != kPost && method != kHead) {
    ok = curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, methodText(method)) == CURLE_OK;
  } else if (ok && method == kGet && sendBody) {
    ok = curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, "GET") == CURLE_OK;
  }
  if (!ok) return fail(http_status::kNoRequest);

  const TransferTimeouts timeouts = timeoutsFor(flavour, request.timeoutSeconds);
  exchange.stallLimit = std::chrono::milliseconds(timeouts.receiveMs);
  ok = curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, timeouts.connectMs) == CURLE_OK &&
       curl_easy_setopt(h, CURLOPT_TIMEOUT_MS, timeouts.totalMs) == CURLE_OK;
  if (!ok) return fail(http_status::kTimeoutsRefused);

  if (!request.user.empty() && !request.password.empty()) {
    ok = curl_easy_setopt(h, CURLOPT_HTTPAUTH, static_cast<long>(CURLAUTH_BASIC)) == CURLE_OK &&
         curl_easy_setopt(h, CURLOPT_USERNAME, request.user.c_str()) == CURLE_OK &&
         curl_easy_setopt(h, CURLOPT_PASSWORD, request.password.c_str()) == CURLE_OK;
  }
  if (ok && !request.proxyUser.empty() && !request.proxyPassword.empty()) {
    ok = curl_easy_setopt(h, CURLOPT_PROXYAUTH, static_cast<long>(CURLAUTH_BASIC)) == CURLE_OK &&
         curl_easy_setopt(h, CURLOPT_PROXYUSERNAME, request.proxyUser.c_str()) == CURLE_OK &&
         curl_easy_setopt(h, CURLOPT_PROXYPASSWORD, request.proxyPassword.c_str()) == CURLE_OK;
  }
  if (!ok) return fail(http_status::kCredentialsRefused);

  // Cookies travel only in the header block: curl's cookie engine stays off,
  // so nothing is stored between calls.
  ok = curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, request.noRedirect ? 0L : 1L) == CURLE_OK &&
       curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L) == CURLE_OK;
  if (!ok) return fail(http_status::kRedirectOptionRefused);

  // The block replaces curl's defaults: a name with nothing after its colon
  // removes curl's own line, so the wire carries exactly our lines (plus
  // Host, credentials and Content-Length).
  const std::vector<std::string> lines = buildHeaderLines(flavour, request);
  CurlHeaderList headerList;
  ok = true;
  for (const auto& line : lines) ok = ok && headerList.append(line);
  if (!hasHeaderLine(lines, "Accept")) ok = ok && headerList.append("Accept:");
  if (!hasHeaderLine(lines, "Content-Type")) ok = ok && headerList.append("Content-Type:");
  ok = ok && headerList.append("Expect:");
  ok = ok && curl_easy_setopt(h, CURLOPT_HTTPHEADER, headerList.get()) == CURLE_OK;
  if (!ok) return fail(http_status::kHeadersRefused);

  CURLcode code = curl_easy_perform(h);
  if (code != CURLE_OK && code != CURLE_ABORTED_BY_CALLBACK) {
    const char* message = failureMessage(code, exchange, h);
    if (message == http_status::kReadFailed) {
      request.responseHeaders = exchange.headers;
      request.location = locationFromHeaders(exchange.headers);
      request.bodyBytes = std::move(exchange.body);
    }
    logWarning("net", std::string("curl: ") + curl_easy_strerror(code));
    return fail(message);
  }
  if (code == CURLE_ABORTED_BY_CALLBACK) {
    if (exchange.stalled && exchange.sawStatusLine) {
      request.responseHeaders = exchange.headers;
      request.bodyBytes = std::move(exchange.body);
      return fail(http_status::kReadFailed);
    }
    return fail(http_status::kNoResponse);
  }

  request.responseHeaders = std::move(exchange.headers);
  request.statusText = statusTextFromHeaders(request.responseHeaders);
  request.location = locationFromHeaders(request.responseHeaders);
  request.receivedCookies = cookiesFromHeaders(request.responseHeaders);
  if (request.autoMergeCookies && !request.cookies.empty()) {
    request.receivedCookies = mergeCookies(request.cookies, request.receivedCookies);
  }
  request.bodyBytes = std::move(exchange.body);
  return true;
}

}  // namespace

std::string HttpClient::request(HttpRequest& request) const {
  if (!perform(HttpFlavour::kRequest, request)) return {};
  return bodyTextFromDeclaredCharset(request.bodyBytes);
}

std::string HttpClient::requestWinInet(HttpRequest& request) const {
  if (!perform(HttpFlavour::kWinInet, request)) return {};
  return request.bodyBytes;
}

std::string HttpClient::requestComObject(HttpRequest& request) const {
  if (!perform(HttpFlavour::kComObject, request)) return {};
  return request.bodyBytes;
}

}  // namespace youran
