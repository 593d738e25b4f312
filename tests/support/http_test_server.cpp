#include "support/http_test_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

#include <chrono>

#include "support/temp_folder.h"

namespace youran::testing {

namespace {

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool sameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

std::string_view nameOf(std::string_view line) { return line.substr(0, line.find(':')); }

// One accepted connection, plain or TLS.
struct Connection {
  int fd = -1;
  SSL* ssl = nullptr;

  long read(char* buffer, std::size_t size) {
    if (ssl) return SSL_read(ssl, buffer, static_cast<int>(size));
    return ::recv(fd, buffer, size, 0);
  }
  bool writeAll(std::string_view bytes) {
    while (!bytes.empty()) {
      long sent = ssl ? SSL_write(ssl, bytes.data(), static_cast<int>(bytes.size()))
                      : ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
      if (sent <= 0) return false;
      bytes.remove_prefix(static_cast<std::size_t>(sent));
    }
    return true;
  }
  void close() {
    if (ssl) {
      SSL_shutdown(ssl);
      SSL_free(ssl);
      ssl = nullptr;
    }
    if (fd >= 0) ::close(fd);
    fd = -1;
  }
};

std::optional<RecordedRequest> readRequest(Connection& connection) {
  RecordedRequest request;
  char buffer[16384];
  std::size_t headEnd = std::string::npos;
  while ((headEnd = request.raw.find("\r\n\r\n")) == std::string::npos) {
    long got = connection.read(buffer, sizeof buffer);
    if (got <= 0 || request.raw.size() > (1u << 20)) return std::nullopt;
    request.raw.append(buffer, static_cast<std::size_t>(got));
  }
  std::string_view head(request.raw.data(), headEnd);
  std::size_t lineEnd = head.find("\r\n");
  std::string_view requestLine = head.substr(0, lineEnd);
  std::size_t space1 = requestLine.find(' ');
  std::size_t space2 = requestLine.rfind(' ');
  if (space1 == std::string_view::npos || space2 == space1) return std::nullopt;
  request.method = std::string(requestLine.substr(0, space1));
  request.target = std::string(requestLine.substr(space1 + 1, space2 - space1 - 1));
  std::size_t start = lineEnd == std::string_view::npos ? head.size() : lineEnd + 2;
  while (start < head.size()) {
    std::size_t end = head.find("\r\n", start);
    if (end == std::string_view::npos) end = head.size();
    request.headerLines.emplace_back(head.substr(start, end - start));
    start = end + 2;
  }
  std::size_t length = 0;
  if (auto value = request.header("Content-Length")) length = std::stoul(*value);
  std::size_t bodyStart = headEnd + 4;
  while (request.raw.size() - bodyStart < length) {
    long got = connection.read(buffer, sizeof buffer);
    if (got <= 0) return std::nullopt;
    request.raw.append(buffer, static_cast<std::size_t>(got));
  }
  request.body = request.raw.substr(bodyStart);
  return request;
}

}  // namespace

std::optional<std::string> RecordedRequest::header(std::string_view name) const {
  for (const auto& line : headerLines) {
    if (sameName(nameOf(line), name)) {
      std::string_view value = std::string_view(line).substr(line.find(':') + 1);
      while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
      return std::string(value);
    }
  }
  return std::nullopt;
}

std::vector<std::string> RecordedRequest::linesWithoutHostAndConnection() const {
  std::vector<std::string> lines;
  for (const auto& line : headerLines) {
    if (!sameName(nameOf(line), "Host") && !sameName(nameOf(line), "Connection")) lines.push_back(line);
  }
  return lines;
}

TestReply fileReply(const RecordedRequest& request, const std::string& content, bool honourRange) {
  TestReply reply;
  reply.body = content;
  auto range = request.header("Range");
  if (!honourRange || !range || range->rfind("bytes=", 0) != 0) return reply;
  std::size_t from = std::stoul(range->substr(6));
  if (from >= content.size()) {
    reply.status = 416;
    reply.reason = "Range Not Satisfiable";
    reply.headers.push_back("Content-Range: bytes */" + std::to_string(content.size()));
    reply.body.clear();
    return reply;
  }
  reply.status = 206;
  reply.reason = "Partial Content";
  reply.headers.push_back("Content-Range: bytes " + std::to_string(from) + "-" + std::to_string(content.size() - 1) +
                          "/" + std::to_string(content.size()));
  reply.body = content.substr(from);
  return reply;
}

std::optional<TestCertificate> makeTestCertificate(const std::string& folder) {
  TestCertificate files{folder + "/server.crt", folder + "/server.key"};
  std::string command = "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 2"
                        " -subj /CN=localhost -addext subjectAltName=IP:127.0.0.1,DNS:localhost -keyout " +
                        shellQuote(files.keyFile) + " -out " + shellQuote(files.certificateFile) +
                        " >/dev/null 2>&1";
  if (runCommand(command) != 0) return std::nullopt;
  return files;
}

struct HttpTestServer::Tls {
  SSL_CTX* context = nullptr;
  ~Tls() { SSL_CTX_free(context); }
};

HttpTestServer::HttpTestServer(TestHandler handler, std::optional<TestCertificate> tls)
    : handler_(std::move(handler)) {
  if (tls) {
    tls_ = std::make_unique<Tls>();
    tls_->context = SSL_CTX_new(TLS_server_method());
    if (!tls_->context ||
        SSL_CTX_use_certificate_file(tls_->context, tls->certificateFile.c_str(), SSL_FILETYPE_PEM) != 1 ||
        SSL_CTX_use_PrivateKey_file(tls_->context, tls->keyFile.c_str(), SSL_FILETYPE_PEM) != 1) {
      return;
    }
  }
  listenFd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (listenFd_ < 0) return;
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;  // the system picks a free port: parallel tests never collide
  socklen_t size = sizeof address;
  if (::bind(listenFd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 || ::listen(listenFd_, 16) != 0 ||
      ::getsockname(listenFd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    ::close(listenFd_);
    listenFd_ = -1;
    return;
  }
  port_ = ntohs(address.sin_port);
  acceptThread_ = std::thread([this] { acceptLoop(); });
}

HttpTestServer::~HttpTestServer() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (acceptThread_.joinable()) acceptThread_.join();
  for (auto& connection : connections_) connection.join();
  if (listenFd_ >= 0) ::close(listenFd_);
}

std::string HttpTestServer::url(std::string_view path) const {
  return std::string(tls_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) + std::string(path);
}

std::vector<RecordedRequest> HttpTestServer::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

bool HttpTestServer::sleepUnlessStopping(int ms) {
  std::unique_lock lock(mutex_);
  return !wake_.wait_for(lock, std::chrono::milliseconds(ms), [this] { return stopping_.load(); });
}

void HttpTestServer::acceptLoop() {
  while (!stopping_) {
    pollfd waiting{listenFd_, POLLIN, 0};
    if (::poll(&waiting, 1, 50) <= 0) continue;
    int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd < 0) continue;
    // No read or write may hang a test: give up on a silent client.
    timeval limit{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    connections_.emplace_back([this, fd] { serve(fd); });
  }
}

void HttpTestServer::serve(int fd) {
  Connection connection{fd, nullptr};
  if (tls_) {
    connection.ssl = SSL_new(tls_->context);
    SSL_set_fd(connection.ssl, fd);
    if (SSL_accept(connection.ssl) != 1) {
      // A client that refused our certificate ends here.
      SSL_free(connection.ssl);
      connection.ssl = nullptr;
      connection.close();
      return;
    }
  }
  std::optional<RecordedRequest> request = readRequest(connection);
  if (!request) {
    connection.close();
    return;
  }
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(*request);
  }
  TestReply reply = handler_(*request);
  if (reply.delayBeforeHeadersMs > 0 && !sleepUnlessStopping(reply.delayBeforeHeadersMs)) {
    connection.close();
    return;
  }
  if (reply.rawReply) {
    connection.writeAll(reply.body);
    connection.close();
    return;
  }
  std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " + reply.reason + "\r\n";
  for (const auto& line : reply.headers) head += line + "\r\n";
  if (reply.contentLength) {
    head += "Content-Length: " + std::to_string(reply.announcedLength.value_or(reply.body.size())) + "\r\n";
  }
  head += "Connection: close\r\n\r\n";
  if (!connection.writeAll(head) || request->method == "HEAD") {
    connection.close();
    return;
  }
  std::string_view body = reply.body;
  bool cut = reply.cutAfterBodyBytes < body.size();
  if (cut) body = body.substr(0, reply.cutAfterBodyBytes);
  std::size_t piece = reply.trickleBytes > 0 ? reply.trickleBytes : body.size();
  while (!body.empty()) {
    std::string_view part = body.substr(0, piece);
    if (!connection.writeAll(part)) break;
    body.remove_prefix(part.size());
    if (!body.empty() && reply.trickleDelayMs > 0 && !sleepUnlessStopping(reply.trickleDelayMs)) break;
  }
  if (cut && reply.stallAfterCutMs > 0) sleepUnlessStopping(reply.stallAfterCutMs);
  connection.close();
}

}  // namespace youran::testing
