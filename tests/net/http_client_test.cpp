#include "net/curl_handle.h"
#include "net/http_client.h"
#include "net/http_headers.h"

#include <gtest/gtest.h>

#include "base/text_encoding.h"
#include "support/http_test_server.h"
#include "support/temp_folder.h"

namespace youran {
namespace {

using testing::HttpTestServer;
using testing::RecordedRequest;
using testing::TestReply;
using Lines = std::vector<std::string>;

TestReply okReply(std::string body = "hello") {
  TestReply reply;
  reply.body = std::move(body);
  return reply;
}

const std::string kAgent = "User-Agent: Mozilla/5.0 (compatible; MSIE 9.0; Windows NT 6.1; WOW64; Trident/5.0)";
const Lines kGetLines = {kAgent, "Accept: text/html, application/xhtml+xml, */*", "Accept-Encoding: gbk, GB2312",
                         "Accept-Language: zh-cn", "Cache-Control: no-cache"};

TEST(NetHttp, WireFormatOfEachFlavour) {
  HttpTestServer server([](const RecordedRequest&) { return okReply(); });
  ASSERT_TRUE(server.ok());
  HttpClient client;
  const std::string searchUrl = server.url("/s?w=%E5%91%A8&p=1");
  const std::string legacyAgent = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
  const std::string mobile =
      "User-Agent: Mozilla/5.0 (Linux; Android 4.1.1; Nexus 7 Build/JRO03D) AppleWebKit/535.19 (KHTML, like)";
  Lines postLines = kGetLines;
  postLines.insert(postLines.begin() + 4, "Content-Type: application/x-www-form-urlencoded");
  postLines.push_back("Content-Length: 0");

  struct Case {
    const char* name;
    HttpFlavour flavour;
    int method;
    std::string url, extra, requestLine;
    Lines lines;
  };
  const Case kCases[] = {
      {"GET", HttpFlavour::kRequest, kGet, searchUrl, "", "GET /s?w=%E5%91%A8&p=1 HTTP/1.1", kGetLines},
      {"method 9 sends GET", HttpFlavour::kRequest, 9, searchUrl, "", "GET /s?w=%E5%91%A8&p=1 HTTP/1.1", kGetLines},
      {"no path requests /", HttpFlavour::kRequest, kGet, server.url(""), "", "GET / HTTP/1.1", kGetLines},
      {"POST with an empty body", HttpFlavour::kRequest, kPost, searchUrl, "", "POST /s?w=%E5%91%A8&p=1 HTTP/1.1",
       postLines},
      {"secondary search", HttpFlavour::kWinInet, kGet, searchUrl, "", "GET /s?w=%E5%91%A8&p=1 HTTP/1.1",
       {"Accept: */*", "Referer: " + searchUrl, "Accept-Language: zh-cn", legacyAgent}},
      {"mobile play page", HttpFlavour::kComObject, kGet, searchUrl, mobile, "GET /s?w=%E5%91%A8&p=1 HTTP/1.1",
       {mobile, "Accept: */*", "Referer: " + searchUrl, "Accept-Language: zh-cn"}},
  };
  for (const auto& c : kCases) {
    HttpRequest request;
    request.url = c.url;
    request.method = c.method;
    request.extraHeaders = c.extra;
    std::string body = c.flavour == HttpFlavour::kRequest   ? client.request(request)
                       : c.flavour == HttpFlavour::kWinInet ? client.requestWinInet(request)
                                                            : client.requestComObject(request);
    EXPECT_EQ(body, "hello") << c.name;
    EXPECT_EQ(request.statusText, "200 OK") << c.name;
    ASSERT_FALSE(server.requests().empty());
    RecordedRequest seen = server.requests().back();
    EXPECT_EQ(seen.raw.substr(0, seen.raw.find("\r\n")), c.requestLine) << c.name;
    EXPECT_EQ(seen.linesWithoutHostAndConnection(), c.lines) << c.name;
    EXPECT_EQ(seen.header("Host"), "127.0.0.1:" + std::to_string(server.port())) << c.name;
  }
}

TEST(NetHttp, OtherMethodsBodiesAndCredentials) {
  HttpTestServer server([](const RecordedRequest& r) { return okReply(r.method == "HEAD" ? "" : "body"); });
  HttpClient client;
  const std::pair<int, std::string> kMethods[] = {{kHead, "HEAD"}, {kPut, "PUT"}, {kOptions, "OPTIONS"},
                                                  {kDelete, "DELETE"}, {kTrace, "TRACE"}};
  for (const auto& [method, text] : kMethods) {
    HttpRequest request;
    request.url = server.url("/m");
    request.method = method;
    client.request(request);
    EXPECT_EQ(request.statusText, "200 OK") << text;
    EXPECT_EQ(server.requests().back().method, text);
  }

  HttpRequest post;
  post.url = server.url("/p");
  post.method = kPost;
  post.body = std::string("a=1&b=\xe5\x91\xa8\0z", 11);
  post.user = "user";
  post.password = "pa:ss";
  EXPECT_EQ(client.request(post), "body");
  RecordedRequest seen = server.requests().back();
  EXPECT_EQ(seen.body, post.body);  // bytes as given, NUL included
  EXPECT_EQ(seen.header("Authorization"), "Basic dXNlcjpwYTpzcw==");
  EXPECT_EQ(seen.header("Expect"), std::nullopt);

  // Only one of the two credentials sends none.
  HttpRequest half;
  half.url = server.url("/h");
  half.user = "user";
  client.request(half);
  EXPECT_EQ(server.requests().back().header("Authorization"), std::nullopt);
}

TEST(NetHttp, CookiesRedirectsAndLocation) {
  HttpTestServer server([&](const RecordedRequest& r) {
    TestReply reply = okReply("final");
    if (r.target == "/start") {
      reply.status = 302;
      reply.reason = "Found";
      reply.headers = {"Location: /final", "Set-Cookie: lost=1"};
      reply.body = "moved";
    } else {
      reply.headers = {"Set-Cookie: a=1; path=/", "Set-Cookie: b=2", "Set-Cookie: y=deleted; path=/"};
    }
    return reply;
  });
  HttpClient client;

  HttpRequest followed;
  followed.url = server.url("/start");
  EXPECT_EQ(client.request(followed), "final");
  EXPECT_EQ(followed.statusText, "200 OK");
  EXPECT_EQ(followed.receivedCookies, "a=1; b=2; y=deleted");  // the final answer's cookies only
  EXPECT_TRUE(followed.responseHeaders.starts_with("HTTP/1.1 200 OK\r\n"));
  EXPECT_TRUE(followed.responseHeaders.find("Location") == std::string::npos);
  ASSERT_EQ(server.requests().size(), 2u);
  EXPECT_EQ(server.requests()[1].target, "/final");

  HttpRequest stopped;
  stopped.url = server.url("/start");
  stopped.noRedirect = true;
  EXPECT_EQ(client.request(stopped), "moved");
  EXPECT_EQ(stopped.statusText, "302 Found");
  EXPECT_EQ(stopped.location, "/final");
  EXPECT_EQ(stopped.receivedCookies, "lost=1");

  // Cookies go out only as given, and come back merged into them.
  HttpRequest merged;
  merged.url = server.url("/final");
  merged.cookies = "x=1; y=2";
  client.request(merged);
  EXPECT_EQ(server.requests().back().header("Cookie"), "x=1; y=2");
  EXPECT_EQ(merged.receivedCookies, "a=1; b=2; x=1");
  EXPECT_EQ(merged.cookies, "a=1; b=2; x=1");

  HttpRequest unmerged;
  unmerged.url = server.url("/final");
  unmerged.cookies = "x=1";
  unmerged.autoMergeCookies = false;
  client.request(unmerged);
  EXPECT_EQ(unmerged.receivedCookies, "a=1; b=2; y=deleted");
  EXPECT_EQ(unmerged.cookies, "x=1");

  // Nothing is stored between calls: a fresh request sends no cookie.
  HttpRequest fresh;
  fresh.url = server.url("/final");
  client.request(fresh);
  EXPECT_EQ(server.requests().back().header("Cookie"), std::nullopt);
}

TEST(NetHttp, CharsetStep) {
  const std::string chinese = "\xe5\x91\xa8\xe6\x9d\xb0\xe4\xbc\xa6";  // 周杰伦 in UTF-8
  const std::string gbk = utf8ToGb18030(chinese);
  const std::string invalidUtf8 = "{\"name\":\"\xff\xfe\"}";
  struct Case {
    const char* name;
    std::string body, expected;
  };
  const Case kCases[] = {
      {"JSON without a tag, byte for byte", invalidUtf8, invalidUtf8},
      {"declared utf-8 stays", "<html><meta charset=\"utf-8\">" + chinese, "<html><meta charset=\"utf-8\">" + chinese},
      {"declared gbk becomes UTF-8", "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\">" + gbk,
       "<meta http-equiv=\"Content-Type\" content=\"text/html; charset=gbk\">" + chinese},
      {"GBK in capitals, tag in capitals", "<META CHARSET=\"GBK\">" + gbk, "<META CHARSET=\"GBK\">" + chinese},
      {"gb2312 label with a GBK-only character", "<meta charset=gb2312>" + utf8ToGb18030("\xe9\x8d\x9a"),
       "<meta charset=gb2312>\xe9\x8d\x9a"},
      {"big5 through iconv", "<meta charset=big5>\xa7\x41", "<meta charset=big5>\xe4\xbd\xa0"},
      {"a tag after 1024 characters does not count", std::string(1100, ' ') + "<meta charset=gbk>" + gbk,
       std::string(1100, ' ') + "<meta charset=gbk>" + gbk},
      {"an unknown charset keeps the bytes", "<meta charset=no-such-set>" + gbk, "<meta charset=no-such-set>" + gbk},
  };
  for (const auto& c : kCases) {
    HttpTestServer server([&](const RecordedRequest&) { return okReply(c.body); });
    HttpRequest request;
    request.url = server.url("/page");
    HttpClient client;
    EXPECT_EQ(client.request(request), c.expected) << c.name;
    EXPECT_EQ(request.bodyBytes, c.body) << c.name;
    // The other flavours have no charset step.
    HttpRequest raw;
    raw.url = server.url("/page");
    EXPECT_EQ(client.requestWinInet(raw), c.body) << c.name;
  }
}

TEST(NetHttp, FailuresGiveTheirMessages) {
  HttpClient client;
  struct Case {
    const char* name;
    std::string url;
    std::string status;
  };
  {
    const Case kCases[] = {
        {"no scheme", "example.test/a", "701 解析URL地址失败!"},
        {"other scheme", "ftp://127.0.0.1/a", "701 解析URL地址失败!"},
        {"empty", "", "701 解析URL地址失败!"},
    };
    for (const auto& c : kCases) {
      HttpRequest request;
      request.url = c.url;
      EXPECT_EQ(client.request(request), "") << c.name;
      EXPECT_EQ(request.statusText, c.status) << c.name;
    }
  }
  // A port nobody listens on: take one from a server that is gone.
  std::string deadUrl;
  {
    HttpTestServer gone([](const RecordedRequest&) { return okReply(); });
    deadUrl = gone.url("/x");
  }
  HttpRequest refused;
  refused.url = deadUrl;
  EXPECT_EQ(client.request(refused), "");
  EXPECT_EQ(refused.statusText, "703 创建WinHttp连接失败!");

  HttpTestServer server([](const RecordedRequest& r) {
    TestReply reply = okReply(std::string(4000, 'x'));
    if (r.target == "/slow") reply.delayBeforeHeadersMs = 2500;
    if (r.target == "/cut") reply.cutAfterBodyBytes = 1000;
    if (r.target == "/nothing") reply.rawReply = true, reply.body.clear();
    if (r.target == "/404") reply.status = 404, reply.reason = "Not Found", reply.body = "missing";
    return reply;
  });

  HttpRequest slow;
  slow.url = server.url("/slow");
  slow.timeoutSeconds = 1;  // reaches curl: a 1 s limit gives up on a 2.5 s silence
  EXPECT_EQ(client.request(slow), "");
  EXPECT_EQ(slow.statusText, "712 服务器未响应!");

  HttpRequest patient;
  patient.url = server.url("/slow");
  patient.timeoutSeconds = 5;
  EXPECT_EQ(client.request(patient).size(), 4000u);
  EXPECT_EQ(patient.statusText, "200 OK");

  HttpRequest cut;
  cut.url = server.url("/cut");
  EXPECT_EQ(client.request(cut), "");
  EXPECT_EQ(cut.statusText, "713 读取数据失败!");  // not overwritten by the status line
  EXPECT_EQ(cut.bodyBytes, std::string(1000, 'x'));
  EXPECT_TRUE(cut.responseHeaders.starts_with("HTTP/1.1 200 OK"));

  HttpRequest nothing;
  nothing.url = server.url("/nothing");
  EXPECT_EQ(client.request(nothing), "");
  EXPECT_EQ(nothing.statusText, "712 服务器未响应!");

  // A status that is not 200 is no failure of the exchange.
  HttpRequest missing;
  missing.url = server.url("/404");
  EXPECT_EQ(client.request(missing), "missing");
  EXPECT_EQ(missing.statusText, "404 Not Found");
}

TEST(NetHttp, BodiesAreCapped) {
  HttpTestServer server([](const RecordedRequest&) { return okReply(std::string(kMaxRequestBodyBytes + 1, 'b')); });
  HttpRequest request;
  request.url = server.url("/big");
  EXPECT_EQ(HttpClient().request(request), "");
  EXPECT_EQ(request.statusText, "713 读取数据失败!");
  EXPECT_LE(request.bodyBytes.size(), kMaxRequestBodyBytes);
}

TEST(NetHttp, StopFlagEndsARequest) {
  HttpTestServer server([](const RecordedRequest&) {
    TestReply reply = okReply();
    reply.delayBeforeHeadersMs = 3000;
    return reply;
  });
  std::atomic<bool> stop{true};
  HttpRequest request;
  request.url = server.url("/wait");
  request.stop = &stop;
  EXPECT_EQ(HttpClient().request(request), "");
  EXPECT_EQ(request.statusText, "712 服务器未响应!");
}

TEST(NetHttp, TlsIsVerified) {
  testing::TempFolder folder;
  auto certificate = testing::makeTestCertificate(folder.path().string());
  ASSERT_TRUE(certificate) << "openssl could not make a certificate";
  HttpTestServer server([](const RecordedRequest&) { return okReply("secret"); }, certificate);
  ASSERT_TRUE(server.ok());
  HttpClient client;

  HttpRequest unknown;  // a self-signed certificate no authority vouches for
  unknown.url = server.url("/s");
  EXPECT_EQ(client.requestComObject(unknown), "");
  EXPECT_EQ(unknown.statusText, "703 创建WinHttp连接失败!");

  for (auto flavour : {HttpFlavour::kRequest, HttpFlavour::kWinInet, HttpFlavour::kComObject}) {
    HttpRequest trusted;
    trusted.url = server.url("/s");
    trusted.caFile = certificate->certificateFile;
    std::string body = flavour == HttpFlavour::kRequest   ? client.request(trusted)
                       : flavour == HttpFlavour::kWinInet ? client.requestWinInet(trusted)
                                                          : client.requestComObject(trusted);
    EXPECT_EQ(body, "secret");
    EXPECT_EQ(trusted.statusText, "200 OK");
  }

  HttpRequest optedOut;
  optedOut.url = server.url("/s");
  optedOut.verifyTls = false;
  EXPECT_EQ(client.request(optedOut), "secret");
}

// The downloader and the HTTP client both report through this table, so a
// pinned-key mismatch is "no connection" for both.
TEST(CurlFailureTest, CodesMapToFailureKinds) {
  struct Case {
    CURLcode code;
    bool connected;
    CurlFailure kind;
  };
  const Case cases[] = {
      {CURLE_URL_MALFORMAT, false, CurlFailure::kBadUrl},
      {CURLE_UNSUPPORTED_PROTOCOL, false, CurlFailure::kBadUrl},
      {CURLE_COULDNT_RESOLVE_HOST, false, CurlFailure::kNoConnection},
      {CURLE_COULDNT_RESOLVE_PROXY, false, CurlFailure::kNoConnection},
      {CURLE_COULDNT_CONNECT, false, CurlFailure::kNoConnection},
      {CURLE_SSL_CONNECT_ERROR, true, CurlFailure::kNoConnection},
      {CURLE_PEER_FAILED_VERIFICATION, true, CurlFailure::kNoConnection},
      {CURLE_SSL_CACERT_BADFILE, false, CurlFailure::kNoConnection},
      {CURLE_SSL_CERTPROBLEM, true, CurlFailure::kNoConnection},
      {CURLE_SSL_CIPHER, true, CurlFailure::kNoConnection},
      {CURLE_SSL_ISSUER_ERROR, true, CurlFailure::kNoConnection},
      {CURLE_SSL_PINNEDPUBKEYNOTMATCH, true, CurlFailure::kNoConnection},
      {CURLE_SSL_INVALIDCERTSTATUS, true, CurlFailure::kNoConnection},
      {CURLE_OPERATION_TIMEDOUT, false, CurlFailure::kNoConnection},
      {CURLE_OPERATION_TIMEDOUT, true, CurlFailure::kOther},
      {CURLE_SEND_ERROR, true, CurlFailure::kSendFailed},
      {CURLE_RECV_ERROR, true, CurlFailure::kOther},
      {CURLE_PARTIAL_FILE, true, CurlFailure::kOther},
      {CURLE_WRITE_ERROR, true, CurlFailure::kOther},
      {CURLE_GOT_NOTHING, true, CurlFailure::kOther},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(classifyCurlFailure(c.code, c.connected), c.kind) << curl_easy_strerror(c.code) << " " << c.connected;
  }
}

}  // namespace
}  // namespace youran
