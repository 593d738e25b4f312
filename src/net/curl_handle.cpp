#include "net/curl_handle.h"

#include <mutex>

#include "base/log.h"

namespace youran {

bool CurlHeaderList::append(const std::string& line) {
  curl_slist* next = curl_slist_append(list_, line.c_str());
  if (!next) return false;
  list_ = next;
  return true;
}

bool curlGlobalReady() {
  static std::once_flag once;
  static bool ready = false;
  std::call_once(once, [] {
    ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK;
    if (!ready) logWarning("net", "libcurl could not be initialised");
  });
  return ready;
}

CurlEasy newCurlTransfer(bool verifyTls, const std::string& caFile) {
  if (!curlGlobalReady()) return nullptr;
  CurlEasy handle(curl_easy_init());
  if (!handle) return nullptr;
  CURL* h = handle.get();
  bool ok = curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
            curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
            curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK &&
            curl_easy_setopt(h, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1)) == CURLE_OK &&
            curl_easy_setopt(h, CURLOPT_PROXY, "") == CURLE_OK &&
            curl_easy_setopt(h, CURLOPT_SSL_VERIFYPEER, verifyTls ? 1L : 0L) == CURLE_OK &&
            curl_easy_setopt(h, CURLOPT_SSL_VERIFYHOST, verifyTls ? 2L : 0L) == CURLE_OK;
  if (ok && !caFile.empty()) {
    // Replaces libcurl's default bundle; a certificate folder libcurl was
    // built with still counts.
    ok = curl_easy_setopt(h, CURLOPT_CAINFO, caFile.c_str()) == CURLE_OK;
  }
  if (!ok) {
    logWarning("net", "libcurl refused a transfer option");
    return nullptr;
  }
  return handle;
}

std::string curlProxyText(const std::string& proxy) {
  if (proxy.find("://") != std::string::npos) return proxy;
  return "http://" + proxy;
}

bool isHttpUrl(const std::string& url) {
  CURLU* parsed = curl_url();
  if (!parsed) return false;
  bool ok = curl_url_set(parsed, CURLUPART_URL, url.c_str(), 0) == CURLUE_OK;
  char* scheme = nullptr;
  char* host = nullptr;
  if (ok) {
    ok = curl_url_get(parsed, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
         curl_url_get(parsed, CURLUPART_HOST, &host, 0) == CURLUE_OK;
  }
  if (ok) {
    std::string s = scheme;
    ok = (s == "http" || s == "https") && host && *host;
  }
  curl_free(scheme);
  curl_free(host);
  curl_url_cleanup(parsed);
  return ok;
}

CurlFailure classifyCurlFailure(CURLcode code, bool connected) {
  switch (code) {
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_URL_MALFORMAT:
      return CurlFailure::kBadUrl;
    case CURLE_COULDNT_RESOLVE_PROXY:
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_CONNECT:
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
      return CurlFailure::kNoConnection;
    case CURLE_SEND_ERROR:
      return CurlFailure::kSendFailed;
    case CURLE_OPERATION_TIMEDOUT:
      return connected ? CurlFailure::kOther : CurlFailure::kNoConnection;
    default:
      return CurlFailure::kOther;
  }
}

bool curlConnected(CURL* handle) {
  curl_off_t connectedAfter = 0;
  return curl_easy_getinfo(handle, CURLINFO_CONNECT_TIME_T, &connectedAfter) == CURLE_OK && connectedAfter != 0;
}

}  // namespace youran
