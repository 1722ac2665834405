#include <gtest/gtest.h>

#include <json/json.h>

#include <cstdio>
#include <csignal>
#include <sstream>

#include "notices_table.h"
#include "serve_fixture.h"
#include "shared_server.h"
#include "test_cli_support.h"

namespace {

class Framing : public SharedServer<Framing> {};

struct AmbiguousCase {
  const char* name;
  std::string head;  // the request up to its body
  std::string body;
  long status;
  const char* error;
};

class Ambiguous : public Framing, public ::testing::WithParamInterface<AmbiguousCase> {};

// Behind a proxy that frames a request differently, whatever we read past
// its end would be a request smuggled in: one refusal, then the connection
// closes, and the request written after it is never answered.
TEST_P(Ambiguous, GetOneRefusalAndTheConnectionCloses) {
  const AmbiguousCase& c = GetParam();
  const std::string smuggled = "GET /healthz HTTP/1.1\r\nHost: a\r\n\r\n";
  const std::string read = rawExchange(server->port(), c.head + "\r\n" + c.body + smuggled, 10);
  const RawAnswers split = splitAnswers(read);
  ASSERT_EQ(split.answers.size(), 1u) << read;
  EXPECT_EQ(split.rest, "") << read;
  const HttpReply& answer = split.answers.front();
  EXPECT_EQ(answer.status, c.status) << read;
  EXPECT_EQ(answer.header("connection"), "close");
  EXPECT_EQ(answer.header("content-type"), "application/json");
  EXPECT_NE(answer.body.find(std::string("\"error\": \"") + c.error + "\""), std::string::npos) << answer.body;
  EXPECT_EQ(get(server->url("/healthz")).status, 200);
}

const std::string kPost = "POST /v1/datamatrix?format=txt HTTP/1.1\r\nHost: a\r\n";
const std::string kChunk = "5\r\nhello\r\n0\r\n\r\n";

INSTANTIATE_TEST_SUITE_P(
    Requests, Ambiguous,
    ::testing::Values(
        AmbiguousCase{"TwoLengths", kPost + "Content-Length: 5\r\nContent-Length: 41\r\n", "hello", 400, "bad_framing"},
        AmbiguousCase{"SameLengthTwice", kPost + "Content-Length: 5\r\nContent-Length: 5\r\n", "hello", 400, "bad_framing"},
        AmbiguousCase{"SpaceBeforeColon", kPost + "Content-Length : 5\r\n", "hello", 400, "bad_framing"},
        AmbiguousCase{"LengthAndChunked", kPost + "Content-Length: 5\r\nTransfer-Encoding: chunked\r\n", kChunk, 400, "bad_framing"},
        AmbiguousCase{"ChunkedAndIdentity", kPost + "Transfer-Encoding: chunked\r\nTransfer-Encoding: identity\r\n", kChunk, 400, "bad_framing"},
        AmbiguousCase{"ChunkedNotLast", kPost + "Transfer-Encoding: chunked, gzip\r\n", kChunk, 400, "bad_framing"},
        AmbiguousCase{"GzipChunked", kPost + "Transfer-Encoding: gzip, chunked\r\n", kChunk, 501, "unsupported_transfer_coding"},
        AmbiguousCase{"UnknownCoding", kPost + "Transfer-Encoding: xchunked\r\n", kChunk, 501, "unsupported_transfer_coding"},
        AmbiguousCase{"ChunkedInHttp10", "POST /v1/datamatrix HTTP/1.0\r\nTransfer-Encoding: chunked\r\n", kChunk, 400, "bad_framing"},
        AmbiguousCase{"NoHost", "GET /healthz HTTP/1.1\r\n", "", 400, "bad_framing"},
        AmbiguousCase{"TwoHosts", "GET /healthz HTTP/1.1\r\nHost: a\r\nHost: b\r\n", "", 400, "bad_framing"},
        AmbiguousCase{"LengthOverTheLimit", kPost + "Content-Length: 99999999\r\n", "hello", 413, "body_too_large"}),
    [](const ::testing::TestParamInfo<AmbiguousCase>& info) { return std::string(info.param.name); });

// A sound request on the same connection is answered and the next one too.
TEST_F(Framing, SoundRequestsKeepTheConnection) {
  const std::string read = rawExchange(server->port(),
                                       kPost + "Transfer-Encoding: chunked\r\n\r\n" + kChunk + kPost +
                                           "Content-Length: 5\r\nConnection: close\r\n\r\nhello",
                                       10);
  const RawAnswers split = splitAnswers(read);
  ASSERT_EQ(split.answers.size(), 2u) << read;
  EXPECT_EQ(split.rest, "");
  const std::string preview = runCli({"--format", "txt", "-o", "-", "hello"}, "", ".").out;
  for (const HttpReply& answer : split.answers) {
    EXPECT_EQ(answer.status, 200);
    EXPECT_EQ(answer.body, preview);
  }
}

// URLs as Python's urllib.parse writes them: a space as '+', a plus as %2B.
std::string urlencodeWithPython(const std::string& bytes) {
  std::string hex;
  for (const char c : bytes) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned char>(c));
    hex += pair;
  }
  std::string out = commandOutput("python3 -c 'import sys, urllib.parse; "
                                  "print(urllib.parse.urlencode({\"data\": bytes.fromhex(sys.argv[1])}))' " + hex);
  while (!out.empty() && out.back() == '\n') out.pop_back();
  return out;
}

TEST_F(Framing, QueriesReadAsClientsWriteThem) {
  if (urlencodeWithPython("x").empty()) GTEST_SKIP() << "python3 is not installed";
  for (const std::string& text : std::vector<std::string>{"Hello world", "a+b c", "100% + 5 = 105", std::string("\xff\x00 +", 4), "+"}) {
    const std::string query = urlencodeWithPython(text);
    const HttpReply reply = get(url(query + "&encodation=base256"));
    ASSERT_EQ(reply.status, 200) << query << reply.body;
    const std::optional<Decoded> decoded = decodePng(reply.body);
    ASSERT_TRUE(decoded.has_value()) << query;
    EXPECT_EQ(decoded->bytes, text) << query;
  }
  const std::optional<Decoded> plain = decodePng(get(url("data=Hello+world")).body);
  ASSERT_TRUE(plain.has_value());
  EXPECT_EQ(plain->bytes, "Hello world");
  EXPECT_EQ(decodePng(get(url("data=%2B")).body).value().bytes, "+");
}

struct ConditionalCase {
  const char* name;
  std::string query;
  const char* ifNoneMatch;  // "TAG" stands for the answer's own tag
  long status;
};

class Conditional : public Framing, public ::testing::WithParamInterface<ConditionalCase> {};

// If-None-Match counts only where the answer would be 2xx; a 304 carries the
// ETag and Cache-Control of the 200.
TEST_P(Conditional, OnlyASuccessIsNotModified) {
  const ConditionalCase& c = GetParam();
  const HttpReply fresh = get(url(c.query));
  const std::string tag = fresh.header("etag");
  const std::string condition = std::string(c.ifNoneMatch) == "TAG" ? tag : c.ifNoneMatch;
  for (int round = 0; round < 2; ++round) {  // made, then from the cache
    const HttpReply reply = fetch({"GET", url(c.query), std::nullopt, {"If-None-Match: " + condition}});
    ASSERT_EQ(reply.status, c.status) << reply.body;
    if (c.status == 304) {
      EXPECT_TRUE(reply.body.empty());
      EXPECT_EQ(reply.header("etag"), tag);
      EXPECT_EQ(reply.header("cache-control"), fresh.header("cache-control"));
    } else {
      EXPECT_TRUE(reply.header("etag").empty());
      EXPECT_TRUE(reply.header("cache-control").empty());
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Requests, Conditional,
    ::testing::Values(ConditionalCase{"StarOnAPicture", "data=inm&format=svg", "*", 304},
                      ConditionalCase{"OwnTag", "data=inm2&format=png", "TAG", 304},
                      ConditionalCase{"StarOnABadOption", "data=inm&size=abc", "*", 400},
                      ConditionalCase{"StarOnTooLarge", "data=inm&size=144&module=100", "*", 400},
                      ConditionalCase{"StarOnBadGs1", "data=%5B01%5D123&gs1", "*", 400}),
    [](const ::testing::TestParamInfo<ConditionalCase>& info) { return std::string(info.param.name); });

// The document `text` holds; null when it is no JSON.
Json::Value jsonOf(const std::string& text) {
  Json::Value json;
  std::istringstream in(text);
  return Json::parseFromStream(Json::CharReaderBuilder(), in, &json, nullptr) ? json : Json::Value();
}

const std::string kRaised = "size_raised;asked=\"10x10\";used=\"18x18\"";

// Every answer that carries a symbol says which size was made, and the
// library's notices when it chose something asked for differently;
// exact-size refuses a size that is too small instead.
TEST_F(Framing, AnswersNameTheSizeMadeAndTheNotices) {
  const std::string text = percentEncode("a longer text here");
  for (const char* format : {"png", "svg", "json", "txt"}) {
    for (int round = 0; round < 2; ++round) {  // made, then from the cache
      const HttpReply reply = get(url("size=10&format=" + std::string(format) + "&data=" + text));
      ASSERT_EQ(reply.status, 200) << reply.body;
      EXPECT_EQ(reply.header("dexmora-symbol-size"), "18x18") << format;
      EXPECT_EQ(reply.header("dexmora-notice"), kRaised) << format;
    }
  }
  EXPECT_TRUE(get(url("size=18&data=" + text)).header("dexmora-notice").empty());
  const HttpReply rounded = get(url("xdim=0.15mm&dpi=300&format=png&data=abc"));
  EXPECT_EQ(rounded.header("dexmora-notice").rfind("module_rounded;dpi=\"300\";xdim=", 0), 0u)
      << rounded.header("dexmora-notice");
  EXPECT_EQ(fetch({"HEAD", url("size=10&data=" + text)}).header("dexmora-symbol-size"), "18x18");
  EXPECT_EQ(fetch({"POST", url("size=12x26"), std::string("abc")}).header("dexmora-symbol-size"), "12x26");
  const HttpReply form = fetch({"POST", server->url("/form"), std::string("data=abc&size=&format=svg"),
                                {"Content-Type: application/x-www-form-urlencoded"}});
  EXPECT_EQ(form.header("dexmora-symbol-size"), "10x10");
  const HttpReply exact = get(url("size=10&exact-size=1&data=" + text));
  EXPECT_EQ(exact.status, 400);
  EXPECT_NE(exact.body.find("too_long"), std::string::npos) << exact.body;
  EXPECT_TRUE(exact.header("dexmora-symbol-size").empty());
  // Its name and figures in the JSON: NoticesTableAsEveryDoorGivesIt.
  const Json::Value json = jsonOf(get(url("size=10&format=json&data=" + text)).body);
  EXPECT_EQ(json["notices"][0]["message"].asString(), "the text does not fit 10x10; using 18x18") << json;
}

// The form without JavaScript speaks to a person.
TEST_F(Framing, FormWithoutTextAsksForIt) {
  for (const char* body : {"data=&format=png", "format=png"}) {
    const HttpReply reply =
        fetch({"POST", server->url("/form"), body, {"Content-Type: application/x-www-form-urlencoded"}});
    EXPECT_EQ(reply.status, 400);
    EXPECT_NE(reply.body.find("Type the text to put in the symbol first."), std::string::npos) << reply.body;
    EXPECT_EQ(reply.body.find("data-hex"), std::string::npos) << reply.body;
  }
}

// The table every door is held to (tests/data/notices.tsv): the service
// answers with the same size, the same notices in its header and the same
// error names as the library, the command line and Python.
TEST_F(Framing, NoticesTableAsEveryDoorGivesIt) {
  const std::vector<NoticeRow> rows = noticeRows();
  for (const NoticeRow& row : rows) {
    SCOPED_TRACE(row.text + " at " + row.size);
    const HttpReply reply = get(url("size=" + row.size + (row.exact ? "&exact-size=1" : "") +
                                    "&format=json&data=" + percentEncode(row.text)));
    const Json::Value json = jsonOf(reply.body);
    if (row.used == "-") {
      EXPECT_EQ(reply.status, 400);
      EXPECT_EQ(json["error"].asString(), row.expected);
      continue;
    }
    ASSERT_EQ(reply.status, 200) << reply.body;
    EXPECT_EQ(reply.header("dexmora-symbol-size"), row.used);
    std::string notices = json["notices"].empty() ? "-" : "";
    for (const Json::Value& notice : json["notices"]) {
      notices += (notices.empty() ? "" : ";") + notice["name"].asString() + ":asked=" + notice["asked"].asString() +
                 ",used=" + notice["used"].asString();
    }
    EXPECT_EQ(notices, row.expected);
    EXPECT_EQ(reply.header("dexmora-notice").empty(), row.expected == "-");
  }
  EXPECT_GE(rows.size(), 8u);
}

}  // namespace
