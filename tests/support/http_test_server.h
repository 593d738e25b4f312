#pragma once

// A loopback HTTP(S) server for the network tests. It listens on 127.0.0.1
// on a port the system picks, records the raw bytes of every request, and
// answers as the test's handler says: slowly, cut short, with Range or not,
// with redirects and cookies. One thread per connection; every connection
// is closed after its answer.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace youran::testing {

struct RecordedRequest {
  std::string raw;                       // every byte received, head and body
  std::string method;
  std::string target;                    // "/path?query"
  std::vector<std::string> headerLines;  // in wire order, without CR LF
  std::string body;

  // The value of the first header of that name (letter case ignored).
  std::optional<std::string> header(std::string_view name) const;
  // The header lines without Host and Connection, which the transfer
  // library adds on its own.
  std::vector<std::string> linesWithoutHostAndConnection() const;
};

struct TestReply {
  int status = 200;
  std::string reason = "OK";
  std::vector<std::string> headers;  // extra lines, e.g. "Set-Cookie: a=1"
  std::string body;
  bool contentLength = true;         // send "Content-Length: <body size>"
  std::optional<std::size_t> announcedLength;  // a different Content-Length than the body's
  int delayBeforeHeadersMs = 0;      // wait before answering at all
  std::size_t cutAfterBodyBytes = std::string::npos;  // close the connection after this many body bytes
  int stallAfterCutMs = 0;           // before closing at the cut, hold the connection silent
  std::size_t trickleBytes = 0;      // send the body in pieces of this size ...
  int trickleDelayMs = 0;            // ... this far apart
  bool rawReply = false;             // send `body` as the whole answer, nothing added
};

using TestHandler = std::function<TestReply(const RecordedRequest&)>;

// Serves `content` as a file: a "Range: bytes=N-" request gets 206 and the
// rest, unless honourRange is false, which answers 200 with the whole file.
TestReply fileReply(const RecordedRequest& request, const std::string& content, bool honourRange = true);

// A certificate and key for 127.0.0.1 and localhost, made with the openssl
// tool into folder; the certificate doubles as the CA file for the client.
struct TestCertificate {
  std::string certificateFile;
  std::string keyFile;
};
std::optional<TestCertificate> makeTestCertificate(const std::string& folder);

class HttpTestServer {
 public:
  // Starts at once; with a certificate it speaks HTTPS.
  explicit HttpTestServer(TestHandler handler, std::optional<TestCertificate> tls = std::nullopt);
  ~HttpTestServer();
  HttpTestServer(const HttpTestServer&) = delete;
  HttpTestServer& operator=(const HttpTestServer&) = delete;

  bool ok() const { return listenFd_ >= 0; }
  int port() const { return port_; }
  // "http://127.0.0.1:<port>" + path (or https).
  std::string url(std::string_view path = "/") const;
  std::vector<RecordedRequest> requests() const;

 private:
  struct Tls;
  void acceptLoop();
  void serve(int fd);
  bool sleepUnlessStopping(int ms);

  TestHandler handler_;
  std::unique_ptr<Tls> tls_;
  int listenFd_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::vector<RecordedRequest> requests_;
  std::vector<std::thread> connections_;
  std::thread acceptThread_;
};

}  // namespace youran::testing
