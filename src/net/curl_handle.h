#pragma once

// RAII for libcurl handles and the settings every transfer of ours shares.

#include <curl/curl.h>

#include <memory>
#include <string>

namespace youran {

struct CurlEasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
using CurlEasy = std::unique_ptr<CURL, CurlEasyDeleter>;

class CurlHeaderList {
 public:
  CurlHeaderList() = default;
  ~CurlHeaderList() { curl_slist_free_all(list_); }
  CurlHeaderList(const CurlHeaderList&) = delete;
  CurlHeaderList& operator=(const CurlHeaderList&) = delete;

  bool append(const std::string& line);
  curl_slist* get() const { return list_; }

 private:
  curl_slist* list_ = nullptr;
};

// Initialises libcurl once per process (thread-safe); false when it cannot.
bool curlGlobalReady();

// A new easy handle with what every transfer of ours needs: HTTP and HTTPS
// only (also after a redirect), HTTP/1.1, no signals, no proxy from the
// environment, and TLS verified unless the caller opted out. Null when
// libcurl cannot start or an option is refused.
CurlEasy newCurlTransfer(bool verifyTls, const std::string& caFile);

// "host:port" as curl's proxy text; a proxy with its own scheme stays.
std::string curlProxyText(const std::string& proxy);

// What a failed transfer's CURLcode means for the user. Resolving and
// connecting, TLS handshake and certificate checks included, is one failure
// (nothing was sent); a time-out counts there too while no connection stood.
enum class CurlFailure {
  kBadUrl,
  kNoConnection,
  kSendFailed,
  kOther,  // after the request went out: the caller tells apart what it saw
};
CurlFailure classifyCurlFailure(CURLcode code, bool connected);

// Whether the transfer on `handle` got as far as a connection.
bool curlConnected(CURL* handle);

// Whether a URL is an absolute http:// or https:// URL with a host.
bool isHttpUrl(const std::string& url);

}  // namespace youran
