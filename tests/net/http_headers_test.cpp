#include "net/http_headers.h"

#include <gtest/gtest.h>

namespace youran {
namespace {

using Lines = std::vector<std::string>;

const std::string kAgent = "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)";
const std::string kLegacyAgent = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

TEST(NetHeaders, MainFlavourBlocks) {
  struct Case {
    const char* name;
    int method;
    std::string extra, cookies;
    Lines expected;
  };
  const Case kCases[] = {
      {"plain GET", kGet, "", "",
       {kAgent, "Accept: text/html, application/xhtml+xml, */*", "Accept-Encoding: gbk, GB2312",
        "Accept-Language: zh-cn", "Cache-Control: no-cache"}},
      {"POST adds the form type", kPost, "", "",
       {kAgent, "Accept: text/html, application/xhtml+xml, */*", "Accept-Encoding: gbk, GB2312",
        "Accept-Language: zh-cn", "Content-Type: application/x-www-form-urlencoded", "Cache-Control: no-cache"}},
      {"caller lines first, defaults skipped by name in any case", kGet, "user-agent: X\r\nACCEPT: a/b", "",
       {"user-agent: X", "ACCEPT: a/b", "Accept-Encoding: gbk, GB2312", "Accept-Language: zh-cn",
        "Cache-Control: no-cache"}},
      {"a POST's lower-case content-type keeps its value", kPost, "content-type: application/json\r\n", "",
       {"Content-Type: application/json", kAgent, "Accept: text/html, application/xhtml+xml, */*",
        "Accept-Encoding: gbk, GB2312", "Accept-Language: zh-cn", "Cache-Control: no-cache"}},
      {"cookies last", kGet, "", "a=1; b=2",
       {kAgent, "Accept: text/html, application/xhtml+xml, */*", "Accept-Encoding: gbk, GB2312",
        "Accept-Language: zh-cn", "Cache-Control: no-cache", "Cookie: a=1; b=2"}},
      {"a caller's Cookie line wins", kGet, "Cookie: mine=1", "a=1",
       {"Cookie: mine=1", kAgent, "Accept: text/html, application/xhtml+xml, */*", "Accept-Encoding: gbk, GB2312",
        "Accept-Language: zh-cn", "Cache-Control: no-cache"}},
      {"a header name inside a value does not count", kGet, "Referer: http://x/?Accept: 1", "",
       {"Referer: http://x/?Accept: 1", kAgent, "Accept: text/html, application/xhtml+xml, */*",
        "Accept-Encoding: gbk, GB2312", "Accept-Language: zh-cn", "Cache-Control: no-cache"}},
  };
  for (const auto& c : kCases) {
    HttpRequest request;
    request.url = "http://example.test/a";
    request.method = c.method;
    request.extraHeaders = c.extra;
    request.cookies = c.cookies;
    EXPECT_EQ(buildHeaderLines(HttpFlavour::kRequest, request), c.expected) << c.name;
  }
}

TEST(NetHeaders, WinInetAndObjectFlavourBlocks) {
  const std::string url = "http://search.test/s?w=1";
  HttpRequest request;
  request.url = url;
  EXPECT_EQ(buildHeaderLines(HttpFlavour::kWinInet, request),
            (Lines{"Accept: */*", "Referer: " + url, "Accept-Language: zh-cn", kLegacyAgent}));

  const std::string mobile =
      "User-Agent: Mozilla/5.0 (Linux; Android 4.1.1; Nexus 7 Build/JRO03D) AppleWebKit/535.19 (KHTML, like)";
  request.extraHeaders = mobile;
  EXPECT_EQ(buildHeaderLines(HttpFlavour::kComObject, request),
            (Lines{mobile, "Accept: */*", "Referer: " + url, "Accept-Language: zh-cn"}));

  request.extraHeaders.clear();
  request.method = kPost;
  request.cookies = "k=v";
  EXPECT_EQ(buildHeaderLines(HttpFlavour::kComObject, request),
            (Lines{"Accept: */*", "Referer: " + url, "Accept-Language: zh-cn",
                   "Content-Type: application/x-www-form-urlencoded", kLegacyAgent, "Cookie: k=v"}));
}

TEST(NetHeaders, MethodsAndTimeouts) {
  const std::pair<int, std::string_view> kMethods[] = {{0, "GET"},   {1, "POST"},    {2, "HEAD"},  {3, "PUT"},
                                                       {4, "OPTIONS"}, {5, "DELETE"}, {6, "TRACE"}, {7, "CONNECT"},
                                                       {8, "GET"},   {9, "GET"},     {-1, "GET"}};
  for (auto [method, text] : kMethods) EXPECT_EQ(methodText(method), text) << method;

  struct Case {
    HttpFlavour flavour;
    int seconds;
    long connectMs, receiveMs;
  };
  const Case kCases[] = {
      {HttpFlavour::kRequest, 0, 30000, 30000},    {HttpFlavour::kRequest, 5, 5000, 5000},
      {HttpFlavour::kRequest, -7, 30000, 30000},   {HttpFlavour::kWinInet, 0, 30000, 30000},
      {HttpFlavour::kComObject, 0, 15000, 15000},  {HttpFlavour::kComObject, 3, 3000, 3000},
      {HttpFlavour::kComObject, -1, 60000, 30000},
  };
  for (const auto& c : kCases) {
    TransferTimeouts t = timeoutsFor(c.flavour, c.seconds);
    EXPECT_EQ(t.connectMs, c.connectMs) << c.seconds;
    EXPECT_EQ(t.receiveMs, c.receiveMs) << c.seconds;
    EXPECT_GT(t.totalMs, t.receiveMs);
  }
}

TEST(NetHeaders, SplitHeaderText) {
  EXPECT_EQ(splitHeaderText("A: 1\r\nB: 2\r\n\r\n"), (Lines{"A: 1", "B: 2"}));
  EXPECT_EQ(splitHeaderText("A: 1\nB: 2"), (Lines{"A: 1", "B: 2"}));
  EXPECT_EQ(splitHeaderText(""), Lines{});
  EXPECT_EQ(joinHeaderLines({"A: 1", "B: 2"}), "A: 1\r\nB: 2\r\n");
}

}  // namespace
}  // namespace youran
