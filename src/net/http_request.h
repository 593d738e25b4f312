#pragma once

// The options and results of one HTTP exchange.

#include <atomic>
#include <chrono>
#include <string>

namespace youran {

// Method numbers the callers pass: 0 GET, 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS,
// 5 DELETE, 6 TRACE, 7 CONNECT; anything else sends GET.
enum MethodIndex : int { kGet = 0, kPost = 1, kHead = 2, kPut = 3, kOptions = 4, kDelete = 5, kTrace = 6, kConnect = 7 };

// The method text for a method number.
const char* methodText(int method);

// A transfer slower than minBytesPerSecond for windowSeconds on end is given
// up: a server dripping a byte a second never trips a "no data" limit.
struct StallRule {
  long minBytesPerSecond = 1024;
  long windowSeconds = 20;
};

// A point in time by which a whole exchange (or a chain of them) must be
// over; the default value means none.
using TransferDeadline = std::chrono::steady_clock::time_point;

struct HttpRequest {
  std::string url;                // absolute "http://" or "https://" URL
  int method = kGet;              // see MethodIndex
  std::string body;               // sent as its bytes
  std::string cookies;            // in/out: "a=1; b=2" to send; the merged cookies afterwards
  std::string receivedCookies;    // out: cookies the response set, "a=1; b=2"
  std::string extraHeaders;       // extra request lines separated by CR LF
  std::string responseHeaders;    // out: raw header block of the final response
  bool noRedirect = false;        // true: do not follow redirects
  std::string user;               // Basic credentials for the server (both needed)
  std::string password;
  std::string proxy;              // "host:port"; empty: no proxy at all
  std::string proxyUser;          // Basic credentials for the proxy (both needed)
  std::string proxyPassword;
  int timeoutSeconds = 0;         // connect and per-receive time-out; 0 or less: 30 s
  std::string location;           // out: value of a "Location: " response header
  std::string statusText;         // out: "200 OK", or a "7xx ..." failure message
  std::string bodyBytes;          // out: raw response body (also the bytes read before a 713)
  bool autoMergeCookies = true;   // merge the response's cookies into `cookies`

  // TLS: certificates are always verified, against the system's
  // authorities or, when caFile names a PEM file, against those in it. verifyTls = false is an
  // explicit opt-out for a caller that knows what it does; nothing in the
  // player sets it.
  std::string caFile;
  bool verifyTls = true;

  // Set from another thread to give up early (the answer is then 712).
  const std::atomic<bool>* stop = nullptr;
  StallRule stall;
  // The exchange ends by then whatever timeoutSeconds allows (712 or 713).
  TransferDeadline deadline{};
};

// Failure messages written into statusText.
namespace http_status {
inline constexpr const char* kUnusable = "700 当前系统不支持WinHttp服务!";
inline constexpr const char* kBadUrl = "701 解析URL地址失败!";
inline constexpr const char* kNoSession = "702 创建WinHttp会话失败!";
inline constexpr const char* kNoConnection = "703 创建WinHttp连接失败!";
inline constexpr const char* kNoRequest = "704 创建WinHttp请求失败!";
inline constexpr const char* kTimeoutsRefused = "705 设置超时时间失败!";
inline constexpr const char* kCredentialsRefused = "707 设置代理凭证失败!";
inline constexpr const char* kCookieOptionRefused = "708 禁止自动设置Cookies失败!";
inline constexpr const char* kRedirectOptionRefused = "709 重定向设置失败!";
inline constexpr const char* kHeadersRefused = "710 设置协议头失败!";
inline constexpr const char* kSendFailed = "711 发送请求失败!";
inline constexpr const char* kNoResponse = "712 服务器未响应!";
inline constexpr const char* kReadFailed = "713 读取数据失败!";
}  // namespace http_status

}  // namespace youran
