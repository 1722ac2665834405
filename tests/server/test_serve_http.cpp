#include <gtest/gtest.h>

#include <json/json.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <thread>

#include <dexmora/option_set.h>

#include "serve_fixture.h"
#include "shared_server.h"
#include "test_cli_support.h"

namespace {

class Serve : public SharedServer<Serve> {};

// The text of the first tests: every character URLs are known to mangle.
const std::string kAwkward = "a+b c#d%e&f=g?h/i";

struct FormatCase {
  const char* format;
  const char* mediaType;
  std::string options;                // query parameters besides data and format
  std::vector<std::string> cliArgs;  // the same for dexmora-cli
};

class Formats : public Serve, public ::testing::WithParamInterface<FormatCase> {};

// Each format reads back as the exact bytes and is the file dexmora-cli writes.
TEST_P(Formats, ScanToTheDataAndMatchTheCommandLine) {
  const FormatCase& c = GetParam();
  const HttpReply reply = get(url("data=" + percentEncode(kAwkward) + "&format=" + c.format + c.options));
  ASSERT_EQ(reply.status, 200) << reply.body << reply.error;
  EXPECT_EQ(reply.header("content-type"), c.mediaType);
  EXPECT_EQ(reply.header("content-length"), std::to_string(reply.body.size()));
  std::optional<Decoded> decoded;
  std::string tool;
  if (std::string(c.format) == "png") {
    decoded = decodePng(reply.body);
  } else {
    decoded = decodeVector(reply.body, c.format, &tool);
  }
  if (!tool.empty()) GTEST_SKIP() << tool << " is not installed";
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(decoded->bytes, kAwkward);
  std::vector<std::string> args = c.cliArgs;
  args.insert(args.end(), {"--format", c.format, "-o", "-", "--", kAwkward});
  const CliRun cli = runCli(args, "", ".");
  ASSERT_EQ(cli.status, 0) << cli.err;
  EXPECT_TRUE(cli.out == reply.body) << "dexmora-cli writes other bytes";
}

INSTANTIATE_TEST_SUITE_P(
    Every, Formats,
    ::testing::Values(FormatCase{"png", "image/png", "", {}},
                      FormatCase{"png", "image/png", "&module=3&quiet-zone=4&fg=%23203040", {"--module", "3", "--quiet-zone", "4", "--fg", "#203040"}},
                      FormatCase{"svg", "image/svg+xml", "", {}},
                      FormatCase{"svg", "image/svg+xml", "&shape=rectangle&xdim=0.3mm", {"--shape", "rectangle", "--xdim", "0.3mm"}},
                      FormatCase{"pdf", "application/pdf", "&encodation=minimal", {"--encodation", "minimal"}},
                      FormatCase{"eps", "application/postscript", "&size=20&quiet-zone=3", {"--size", "20", "--quiet-zone", "3"}}),
    [](const ::testing::TestParamInfo<FormatCase>& info) { return std::to_string(info.index) + info.param.format; });

TEST_F(Serve, TextIsTheCommandLinesPreview) {
  const HttpReply reply = get(url("data=" + percentEncode(kAwkward) + "&format=txt"));
  ASSERT_EQ(reply.status, 200);
  EXPECT_EQ(reply.header("content-type"), "text/plain; charset=utf-8");
  EXPECT_EQ(reply.body, runCli({"--format", "txt", "-o", "-", kAwkward}, "", ".").out);
}

TEST_F(Serve, JsonHoldsTheLibrarysFigures) {
  const HttpReply reply = get(url("data=Dexmora%2B1&format=json&size=16"));
  ASSERT_EQ(reply.status, 200);
  EXPECT_EQ(reply.header("content-type"), "application/json");
  Json::Value json;
  std::istringstream in(reply.body);
  ASSERT_TRUE(Json::parseFromStream(Json::CharReaderBuilder(), in, &json, nullptr)) << reply.body;
  EXPECT_EQ(json["rows"].asInt(), 16);
  EXPECT_EQ(json["cols"].asInt(), 16);
  EXPECT_EQ(json["size"].asString(), "16x16");
  EXPECT_EQ(json["capacity"].asInt(), 12);
  std::string modules;
  for (const Json::Value& row : json["modules"]) modules += row.asString() + "\n";
  EXPECT_EQ(modules, runCli({"--dump", "-s", "16", "Dexmora+1"}, "", ".").out);
  std::string codewords;
  for (const Json::Value& codeword : json["codewords"]) codewords += (codewords.empty() ? "" : " ") + codeword.asString();
  EXPECT_EQ(codewords + "\n", runCli({"--codewords", "-s", "16", "Dexmora+1"}, "", ".").out);
  EXPECT_EQ(json["data_length"].asInt(), 9);
}

TEST_F(Serve, PostTakesAnyBytesAsTheData) {
  std::string bytes;
  for (int b = 0; b < 256; ++b) bytes += static_cast<char>(b);
  const HttpReply posted = fetch({"POST", url("encodation=base256"), bytes, {"Content-Type: application/octet-stream"}});
  ASSERT_EQ(posted.status, 200) << posted.body;
  const std::optional<Decoded> decoded = decodePng(posted.body);
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(decoded->bytes, bytes);
  std::string hex;
  for (const char c : bytes) {
    char pair[3];
    std::snprintf(pair, sizeof pair, "%02x", static_cast<unsigned char>(c));
    hex += pair;
  }
  EXPECT_EQ(get(url("encodation=base256&data-hex=" + hex)).body, posted.body);
  EXPECT_EQ(get(url("encodation=base256&data=" + percentEncode(bytes))).body, posted.body);
}

TEST_F(Serve, Gs1ReadsAsGs1) {
  const std::string elements = "[01]09501101530003[17]270101[10]AB-12";
  for (const std::string& query : {"gs1&data=" + percentEncode(elements), "gs1-parens=1&data=" +
                                                                             percentEncode("(01)09501101530003(17)270101(10)AB-12")}) {
    const HttpReply reply = get(url(query));
    ASSERT_EQ(reply.status, 200) << reply.body;
    const std::optional<Decoded> decoded = decodePng(reply.body);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->symbologyIdentifier, "]d2");
    EXPECT_EQ(decoded->bytes, "0109501101530003172701011" "0AB-12");
  }
}

struct ErrorCase {
  const char* name;
  HttpCall call;  // the url is a path and query on the server
  long status;
  const char* error;
  const char* message;  // part of the message
};

class Errors : public Serve, public ::testing::WithParamInterface<ErrorCase> {};

// Every refusal is JSON, never a picture, and says why.
TEST_P(Errors, AreJsonWithTheLibrarysName) {
  ErrorCase c = GetParam();
  c.call.url = server->url(c.call.url);
  const HttpReply reply = fetch(c.call);
  ASSERT_EQ(reply.status, c.status) << reply.body << reply.error;
  EXPECT_EQ(reply.header("content-type"), "application/json");
  Json::Value json;
  std::istringstream in(reply.body);
  ASSERT_TRUE(Json::parseFromStream(Json::CharReaderBuilder(), in, &json, nullptr)) << reply.body;
  EXPECT_EQ(json["error"].asString(), c.error);
  EXPECT_NE(json["message"].asString().find(c.message), std::string::npos) << json["message"].asString();
  EXPECT_TRUE(reply.header("etag").empty());
  if (c.status == 405) {
    EXPECT_EQ(reply.header("allow"), "GET, HEAD, POST, OPTIONS");
  }
}

const std::string kTooLong(3200, '7');  // 1600 codewords, over the 1558 of 144x144

INSTANTIATE_TEST_SUITE_P(
    Statuses, Errors,
    ::testing::Values(
        ErrorCase{"UnknownOption", {"GET", "/v1/datamatrix?data=x&sise=12"}, 400, "bad_option", "unknown option 'sise'; did you mean size?"},
        ErrorCase{"BadValue", {"GET", "/v1/datamatrix?data=x&quiet-zone=-1"}, 400, "bad_option", "'-1'"},
        ErrorCase{"BadEscape", {"GET", "/v1/datamatrix?data=100%"}, 400, "bad_option", "%25"},
        ErrorCase{"NoData", {"GET", "/v1/datamatrix?format=svg"}, 400, "bad_option", "no data"},
        ErrorCase{"TooLong", {"GET", "/v1/datamatrix?data=" + kTooLong}, 400, "too_long", ""},
        ErrorCase{"NotEncodable", {"GET", "/v1/datamatrix?data=abc&encodation=x12"}, 400, "not_encodable", "X12"},
        ErrorCase{"BadGs1", {"GET", "/v1/datamatrix?data=%5B01%5D123&gs1"}, 400, "bad_gs1", "too short"},
        ErrorCase{"PictureTooLarge", {"GET", "/v1/datamatrix?data=x&size=144&module=100"}, 400, "picture_too_large", ""},
        ErrorCase{"EmptyPost", {"POST", "/v1/datamatrix?format=svg", std::string()}, 400, "empty_text", "the text is empty"},
        ErrorCase{"NotFound", {"GET", "/v2/datamatrix?data=x"}, 404, "not_found", ""},
        ErrorCase{"MethodNotAllowed", {"DELETE", "/v1/datamatrix?data=x"}, 405, "method_not_allowed", "GET, HEAD, POST"},
        ErrorCase{"BodyTooLarge", {"POST", "/v1/datamatrix", std::string(20000, 'x')}, 413, "body_too_large", "16384"},
        ErrorCase{"TargetTooLarge", {"GET", "/v1/datamatrix?data=" + std::string(9000, 'x')}, 414, "target_too_large", "8192"}),
    [](const ::testing::TestParamInfo<ErrorCase>& info) { return std::string(info.param.name); });

TEST_F(Serve, EntityTagsRevalidate) {
  const std::string target = url("data=etag&format=svg");
  const HttpReply first = get(target);
  ASSERT_EQ(first.status, 200);
  const std::string tag = first.header("etag");
  ASSERT_EQ(tag.size(), 34u);
  EXPECT_EQ(first.header("cache-control"), "public, max-age=31536000, immutable");
  EXPECT_EQ(get(target).header("etag"), tag);
  EXPECT_NE(get(url("data=etag&format=png")).header("etag"), tag);
  for (const std::string& ifNoneMatch : {tag, "W/" + tag, "\"other\", " + tag, std::string("*")}) {
    const HttpReply again = fetch({"GET", target, std::nullopt, {"If-None-Match: " + ifNoneMatch}});
    EXPECT_EQ(again.status, 304) << ifNoneMatch;
    EXPECT_TRUE(again.body.empty());
    EXPECT_EQ(again.header("etag"), tag);
  }
  EXPECT_EQ(fetch({"GET", target, std::nullopt, {"If-None-Match: \"other\""}}).status, 200);
  // A POST's response is no cache entry: no validator, never 304.
  const HttpReply posted = fetch({"POST", url("format=svg"), std::string("etag"), {"If-None-Match: *"}});
  EXPECT_EQ(posted.status, 200);
  EXPECT_EQ(posted.body, first.body);
  EXPECT_TRUE(posted.header("etag").empty());
}

TEST_F(Serve, HeadSendsTheHeadersOfGet) {
  const std::string target = url("data=head&format=pdf&download=1");
  const HttpReply full = get(target);
  const HttpReply head = fetch({"HEAD", target});
  ASSERT_EQ(head.status, 200);
  EXPECT_TRUE(head.body.empty());
  for (const char* name : {"content-type", "content-length", "etag", "cache-control", "content-disposition"}) {
    EXPECT_EQ(head.header(name), full.header(name)) << name;
  }
  EXPECT_EQ(full.header("content-disposition"), "attachment; filename=\"datamatrix.pdf\"");
  EXPECT_TRUE(get(url("data=head&format=pdf")).header("content-disposition").empty());
}

TEST_F(Serve, OperationsPaths) {
  const HttpReply health = get(server->url("/healthz"));
  EXPECT_EQ(health.status, 200);
  EXPECT_EQ(health.body, "ok\n");
  get(url("data=metrics&format=eps"));
  const std::vector<std::string> lines = {
      "dexmora_requests_total{status=\"200\",format=\"eps\"} ", "dexmora_requests_total{status=\"200\",format=\"none\"} ",
      "dexmora_request_duration_seconds_bucket{le=\"+Inf\"} ", "dexmora_request_duration_seconds_count ",
      "dexmora_in_flight 0\n", "dexmora_symbols_total "};
  const auto hasAll = [&](const std::string& body) {
    return std::all_of(lines.begin(), lines.end(), [&](const std::string& line) { return body.find(line) != std::string::npos; });
  };
  // A request is counted once its answer is sent, a moment after the client
  // has it, and two connections' requests in either order.
  HttpReply metrics = get(server->url("/metrics"));
  for (int i = 0; i < 200 && !hasAll(metrics.body); ++i) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    metrics = get(server->url("/metrics"));
  }
  ASSERT_EQ(metrics.status, 200);
  EXPECT_EQ(metrics.header("content-type"), "text/plain; version=0.0.4; charset=utf-8");
  for (const std::string& line : lines) EXPECT_NE(metrics.body.find(line), std::string::npos) << line;
  const HttpReply page = get(server->url("/"));
  EXPECT_EQ(page.status, 200);
  EXPECT_EQ(page.header("content-type"), "text/html; charset=utf-8");
  EXPECT_NE(page.body.find("action=\"/form\""), std::string::npos);
  EXPECT_EQ(fetch({"OPTIONS", url("")}).header("allow"), "GET, HEAD, POST, OPTIONS");
  EXPECT_EQ(fetch({"GET", server->url("/form")}).status, 405);
}

// The form is the page without JavaScript: form encoding, blank fields left
// out, an HTML page for an error.
TEST_F(Serve, FormAnswersAPictureOrAPage) {
  const std::string form = "application/x-www-form-urlencoded";
  const HttpReply picture =
      fetch({"POST", server->url("/form"), std::string("data=a+b%2Bc%25&format=png&size=&xdim=&gs1="), {"Content-Type: " + form}});
  ASSERT_EQ(picture.status, 200) << picture.body;
  EXPECT_EQ(picture.header("content-type"), "image/png");
  const std::optional<Decoded> decoded = decodePng(picture.body);
  ASSERT_TRUE(decoded.has_value());
  EXPECT_EQ(decoded->bytes, "a b+c%");
  const HttpReply download = fetch({"POST", server->url("/form"), std::string("data=x&format=svg&download=on"), {"Content-Type: " + form}});
  EXPECT_EQ(download.header("content-disposition"), "attachment; filename=\"datamatrix.svg\"");

  const HttpReply refused = fetch({"POST", server->url("/form"), std::string("data=%3Cb%3E&encodation=x12"), {"Content-Type: " + form}});
  EXPECT_EQ(refused.status, 400);
  EXPECT_EQ(refused.header("content-type"), "text/html; charset=utf-8");
  EXPECT_NE(refused.body.find("X12 mode cannot carry"), std::string::npos) << refused.body;
  EXPECT_NE(refused.body.find("not_encodable"), std::string::npos);
  EXPECT_EQ(refused.body.find("<b>"), std::string::npos);
  EXPECT_EQ(fetch({"POST", server->url("/form"), std::string("data=x"), {"Content-Type: multipart/form-data; boundary=x"}}).status, 415);
}

// The document lists exactly the parameters the server takes.
TEST_F(Serve, OpenApiListsEveryParameterTheServerTakes) {
  const HttpReply reply = get(server->url("/v1/openapi.json"));
  ASSERT_EQ(reply.status, 200);
  Json::Value doc;
  std::istringstream in(reply.body);
  ASSERT_TRUE(Json::parseFromStream(Json::CharReaderBuilder(), in, &doc, nullptr));
  EXPECT_EQ(doc["openapi"].asString().substr(0, 2), "3.");
  std::set<std::string> expected = {"data", "data-hex", "format", "download"};
  for (const dexmora::OptionInfo& option : dexmora::optionTable()) expected.insert(std::string(option.key));
  std::set<std::string> listed;
  const Json::Value& operation = doc["paths"]["/v1/datamatrix"]["get"];
  for (const Json::Value& parameter : operation["parameters"]) {
    const std::string name = parameter["name"].asString();
    EXPECT_TRUE(listed.insert(name).second) << name << " twice";
    // Given to the server, the name is known (whatever its value makes of it).
    const HttpReply asked = get(url("data=x&" + name + "=%3F"));
    EXPECT_EQ(asked.body.find("unknown option"), std::string::npos) << name << ": " << asked.body;
  }
  EXPECT_EQ(listed, expected);
  EXPECT_NE(get(url("data=x&unlisted=1")).body.find("unknown option"), std::string::npos);
  for (const char* status : {"200", "304", "400", "405", "413", "414", "431", "500", "501", "503"}) {
    EXPECT_TRUE(operation["responses"].isMember(status)) << status;
  }
  std::set<std::string> codes;
  for (const Json::Value& code : doc["components"]["schemas"]["Error"]["properties"]["error"]["enum"]) codes.insert(code.asString());
  for (const char* code : {"bad_option", "too_long", "not_encodable", "bad_gs1", "picture_too_large", "not_found",
                           "method_not_allowed", "body_too_large", "target_too_large", "busy", "bad_framing",
                           "unsupported_transfer_coding"}) {
    EXPECT_EQ(codes.count(code), 1u) << code;
  }
}

// The same request is made once and sent again from the cache, unless it
// holds nothing; a larger answer than its share is never kept.
TEST(ServeCache, RepeatedRequestsAreMadeOnce) {
  const auto counter = [](const ServeProcess& server, const std::string& name) {
    const std::string metrics = get(server.url("/metrics")).body;
    const size_t at = metrics.find("\n" + name + " ");
    return at == std::string::npos ? -1 : std::atoi(metrics.c_str() + at + name.size() + 2);
  };
  ServeProcess cached({"--cache", "65536"});
  const std::string small = cached.url("/v1/datamatrix?data=again&format=svg");
  const std::string large = cached.url("/v1/datamatrix?data=again&format=eps&size=144");
  const HttpReply first = get(small);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(get(small).body, first.body);
    EXPECT_EQ(get(large).status, 200);
  }
  EXPECT_EQ(counter(cached, "dexmora_symbols_total"), 4);
  EXPECT_EQ(counter(cached, "dexmora_cache_hits_total"), 3);
  ServeProcess uncached({"--cache", "0"});
  for (int i = 0; i < 3; ++i) EXPECT_EQ(get(uncached.url("/v1/datamatrix?data=again&format=svg")).body, first.body);
  EXPECT_EQ(counter(uncached, "dexmora_symbols_total"), 3);
  EXPECT_EQ(counter(uncached, "dexmora_cache_hits_total"), 0);
}

TEST_F(Serve, AccessLogNamesThePathNeverTheData) {
  get(url("data=SecretMarker42&format=svg"));
  fetch({"POST", url("format=svg"), std::string("SecretMarker43"), {}});
  EXPECT_TRUE(server->logShows("Z 127.0.0.1 GET /v1/datamatrix 200 ")) << server->log();
  EXPECT_TRUE(server->logShows("Z 127.0.0.1 POST /v1/datamatrix 200 ")) << server->log();
  EXPECT_EQ(server->log().find("SecretMarker"), std::string::npos);
}

TEST(ServeOptions, CorsAndQuietLog) {
  ServeProcess server({"--cors", "https://shop.example", "--access-log", "off"});
  const HttpReply reply = get(server.url("/v1/datamatrix?data=x&format=svg"));
  EXPECT_EQ(reply.header("access-control-allow-origin"), "https://shop.example");
  for (const char* exposed : {"ETag", "Dexmora-Symbol-Size", "Dexmora-Notice", "X-Request-Id"}) {
    EXPECT_NE(reply.header("access-control-expose-headers").find(exposed), std::string::npos) << exposed;
  }
  const HttpReply preflight = fetch({"OPTIONS", server.url("/v1/datamatrix"), std::nullopt,
                                     {"Origin: https://shop.example", "Access-Control-Request-Method: POST"}});
  EXPECT_EQ(preflight.status, 204);
  EXPECT_EQ(preflight.header("access-control-allow-origin"), "https://shop.example");
  EXPECT_NE(preflight.header("access-control-allow-methods").find("POST"), std::string::npos);
  EXPECT_EQ(server.stop(SIGTERM), 0);
  EXPECT_EQ(server.log().find("/v1/datamatrix"), std::string::npos) << server.log();
  ServeProcess plain;
  EXPECT_TRUE(get(plain.url("/v1/datamatrix?data=x")).header("access-control-allow-origin").empty());
}

}  // namespace
