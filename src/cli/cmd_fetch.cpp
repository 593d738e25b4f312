// youranmusic-cli fetch: one request through the player's HTTP client, to
// see what a service answers and what goes on the wire.

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>
#include <string_view>

#include "cli/command.h"
#include "net/http_client.h"

namespace {

int fetch(std::span<char*> args) {
  youran::HttpRequest request;
  std::string flavour = "request";
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string_view arg = args[i];
    auto value = [&]() -> const char* { return i + 1 < args.size() ? args[++i] : nullptr; };
    const char* next = nullptr;
    if (arg == "--flavour" && (next = value())) {
      flavour = next;
    } else if (arg == "--method" && (next = value())) {
      request.method = std::atoi(next);
    } else if (arg == "--header" && (next = value())) {
      if (!request.extraHeaders.empty()) request.extraHeaders += "\r\n";
      request.extraHeaders += next;
    } else if (arg == "--data" && (next = value())) {
      request.body = next;
    } else if (arg == "--cookie" && (next = value())) {
      request.cookies = next;
    } else if (arg == "--timeout" && (next = value())) {
      // The per-step time-out of the request, and a bound on the whole exchange.
      request.timeoutSeconds = std::atoi(next);
      if (request.timeoutSeconds > 0)
        request.deadline = std::chrono::steady_clock::now() + std::chrono::seconds(request.timeoutSeconds);
    } else if (arg == "--cacert" && (next = value())) {
      request.caFile = next;
    } else if (arg == "--no-redirect") {
      request.noRedirect = true;
    } else if (!arg.starts_with("--") && request.url.empty()) {
      request.url = std::string(arg);
    } else {
      std::fprintf(stderr, "fetch: unexpected argument '%s'\n", args[i]);
      return 2;
    }
  }
  if (request.url.empty()) {
    std::fputs("fetch: a URL is needed\n", stderr);
    return 2;
  }
  youran::HttpClient client;
  std::string body;
  if (flavour == "request") {
    body = client.request(request);
  } else if (flavour == "wininet") {
    body = client.requestWinInet(request);
  } else if (flavour == "com") {
    body = client.requestComObject(request);
  } else {
    std::fprintf(stderr, "fetch: unknown flavour '%s' (request, wininet or com)\n", flavour.c_str());
    return 2;
  }
  std::printf("%s\n", request.statusText.c_str());
  std::fwrite(request.responseHeaders.data(), 1, request.responseHeaders.size(), stdout);
  if (!request.responseHeaders.ends_with("\r\n\r\n")) std::fputs("\r\n", stdout);
  std::fwrite(body.data(), 1, body.size(), stdout);
  if (!request.receivedCookies.empty()) std::fprintf(stderr, "cookies: %s\n", request.receivedCookies.c_str());
  // A status text starting with 7 is one of our failure messages.
  return request.statusText.empty() || request.statusText[0] == '7' ? 1 : 0;
}

}  // namespace

YOURAN_CLI_COMMAND(fetch, "fetch",
                   "fetch [--flavour request|wininet|com] [--method N] [--header LINE]... [--data TEXT] "
                   "[--cookie TEXT] [--timeout S] [--cacert FILE] [--no-redirect] URL",
                   fetch);
