#include <gtest/gtest.h>

#include <cctype>
#include <chrono>

#include <dexmora/encode.h>

#include "server/access_log.h"
#include "server/framing.h"
#include "server/json.h"
#include "server/product.h"
#include "server/query.h"
#include "server/symbol_facts.h"
#include "server/symbol_request.h"

using namespace dexmora;
using namespace dexmora::serve;

namespace {

struct SplitCase {
  const char* name;
  std::string query;
  PlusMeans plus;
  std::vector<std::pair<std::string, std::string>> expected;
};

class Split : public ::testing::TestWithParam<SplitCase> {};

TEST_P(Split, DecodesEveryPair) {
  const SplitCase& c = GetParam();
  const Expected<std::vector<Parameter>> parameters = splitQuery(c.query, c.plus);
  ASSERT_TRUE(parameters.ok()) << parameters.error().message();
  std::vector<std::pair<std::string, std::string>> got;
  for (const Parameter& p : *parameters) got.emplace_back(p.name, p.value);
  EXPECT_EQ(got, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Queries, Split,
    ::testing::Values(
        SplitCase{"PlusIsASpace", "data=Hello+world&a+b=c%2Bd", PlusMeans::Space, {{"data", "Hello world"}, {"a b", "c+d"}}},
        SplitCase{"PlusKeptForBareQueries", "data=a+b", PlusMeans::Plus, {{"data", "a+b"}}},
        SplitCase{"PercentHashAndZero", "data=%25%23%00x%2b", PlusMeans::Space, {{"data", std::string("%#\0x+", 5)}}},
        SplitCase{"HighBytes", "data-hex=ff&data=%FF%fe", PlusMeans::Plus, {{"data-hex", "ff"}, {"data", "\xff\xfe"}}},
        SplitCase{"NamesDecodedToo", "quiet%2Dzone=4", PlusMeans::Plus, {{"quiet-zone", "4"}}},
        SplitCase{"SwitchWithoutValue", "gs1&data=x", PlusMeans::Plus, {{"gs1", ""}, {"data", "x"}}},
        SplitCase{"EmptyPairsSkipped", "&&data=x&&", PlusMeans::Plus, {{"data", "x"}}},
        SplitCase{"EqualsInValue", "data=a=b", PlusMeans::Plus, {{"data", "a=b"}}},
        SplitCase{"RepeatsKept", "size=10&size=12", PlusMeans::Plus, {{"size", "10"}, {"size", "12"}}},
        SplitCase{"Empty", "", PlusMeans::Plus, {}}),
    [](const ::testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

TEST(Split, RefusesBrokenEscapes) {
  for (const char* query : {"data=%", "data=%2", "data=%zz", "data=100%", "%g1=x", "data=%%41"}) {
    const Expected<std::vector<Parameter>> parameters = splitQuery(query);
    ASSERT_FALSE(parameters.ok()) << query;
    EXPECT_EQ(parameters.error().code(), ErrorCode::BadOption);
    EXPECT_NE(parameters.error().message().find("%25"), std::string::npos) << parameters.error().message();
  }
}

TEST(Split, QueryOfTarget) {
  EXPECT_EQ(queryOf("/v1/datamatrix?data=a?b"), "data=a?b");
  EXPECT_EQ(queryOf("/v1/datamatrix"), "");
  EXPECT_EQ(queryOf("/?"), "");
}

Expected<SymbolRequest> request(const std::string& query, DataSource source = DataSource::Query,
                                std::string_view body = {}, bool skipEmpty = false) {
  const Expected<std::vector<Parameter>> parameters = splitQuery(query);
  if (!parameters) return parameters.error();
  return parseSymbolRequest(*parameters, source, body, skipEmpty);
}

struct RefusalCase {
  const char* name;
  std::string query;
  DataSource source;
  const char* message;  // a part of the message, options spelled as query keys
  ErrorCode code = ErrorCode::BadOption;
};

class Refusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusal, SaysWhyInTheLibrarysWords) {
  const RefusalCase& c = GetParam();
  const Expected<SymbolRequest> parsed = request(c.query, c.source, "body");
  ASSERT_FALSE(parsed.ok());
  EXPECT_EQ(parsed.error().code(), c.code);
  const std::string message = parsed.error().message();
  EXPECT_NE(message.find(c.message), std::string::npos) << message;
  EXPECT_EQ(message.find("--"), std::string::npos) << message;
}

INSTANTIATE_TEST_SUITE_P(
    Requests, Refusal,
    ::testing::Values(
        RefusalCase{"UnknownKeyWithSuggestion", "data=x&sise=12", DataSource::Query, "did you mean size?"},
        RefusalCase{"BadValue", "data=x&size=7", DataSource::Query, "bad size '7'"},
        RefusalCase{"BadSwitch", "data=x&gs1=maybe", DataSource::Query, "gs1 'maybe'"},
        RefusalCase{"BadFormat", "data=x&format=gif", DataSource::Query, "png, svg, pdf, eps, txt or json"},
        RefusalCase{"BadDownload", "data=x&download=2", DataSource::Query, "download '2'"},
        RefusalCase{"Combination", "data=x&dmre&shape=square", DataSource::Query, "dmre adds rectangular sizes"},
        RefusalCase{"NoData", "format=svg", DataSource::Query, "no data"},
        RefusalCase{"EmptyData", "data=", DataSource::Query, "the text is empty", ErrorCode::EmptyText},
        RefusalCase{"DataAndHex", "data=x&data-hex=41", DataSource::Query, "exclude each other"},
        RefusalCase{"OddHex", "data-hex=414", DataSource::Query, "pairs of hex digits"},
        RefusalCase{"NotHex", "data-hex=4g", DataSource::Query, "pairs of hex digits"},
        RefusalCase{"DataInAPost", "data=x", DataSource::Body, "a POST takes its data as the body"}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.name); });

TEST(SymbolRequestTest, TakesDataFromEachSource) {
  EXPECT_EQ(request("data=A%00B").value().data, std::string("A\0B", 3));
  EXPECT_EQ(request("data-hex=41004a").value().data, std::string("A\0J", 3));
  EXPECT_EQ(request("format=svg", DataSource::Body, std::string("\0\xff", 2)).value().data, std::string("\0\xff", 2));
}

TEST(SymbolRequestTest, SetsOptionsFormatAndDownload) {
  const SymbolRequest parsed = request("data=x&size=16x48&format=JSON&download=1&quiet-zone=4&size=12").value();
  EXPECT_EQ(parsed.format, Format::Json);
  EXPECT_TRUE(parsed.download);
  EXPECT_EQ(parsed.options.encodeOptions().sizeRows(), 12);  // the last value counts
  EXPECT_EQ(parsed.options.renderSettings().quietZone(), 4);
  EXPECT_TRUE(parsed.options.renderSettings().exact());
  EXPECT_EQ(request("data=x&format=eps").value().format, Format::Eps);
  EXPECT_EQ(request("data=x").value().format, Format::Png);
}

TEST(SymbolRequestTest, FormsLeaveBlankFieldsOut) {
  const Expected<SymbolRequest> parsed = request("data=x&size=&xdim=&gs1-gs=&format=svg", DataSource::Query, {}, true);
  ASSERT_TRUE(parsed.ok()) << parsed.error().message();
  EXPECT_FALSE(parsed->options.encodeOptions().gs1GroupSeparator());
  EXPECT_FALSE(request("data=x&xdim=").ok());
}

TEST(SymbolRequestTest, EntityTagFollowsWhatCounts) {
  const auto tag = [](const std::string& query) { return entityTag(request(query).value()); };
  const std::string base = tag("data=x&size=12&format=svg");
  EXPECT_EQ(base.size(), 34u);
  EXPECT_EQ(base.front(), '"');
  EXPECT_EQ(base, tag("format=svg&size=12&data=x"));
  EXPECT_EQ(base, tag("size=10&data=x&format=svg&size=12"));
  for (const char* other : {"data=y&size=12&format=svg", "data=x&size=14&format=svg", "data=x&size=12&format=pdf",
                            "data=x&size=12&format=svg&download", "data=x%00&size=12&format=svg",
                            "data=x&size=12&format=svg&fg=000001"}) {
    EXPECT_NE(base, tag(other)) << other;
  }
  // A value cannot pose as a boundary between fields.
  EXPECT_NE(tag("data=a&fg=000000"), tag("data=a%0Afg%3D6%3A000000"));
}

TEST(Json, EscapesWhatJsonCannotHold) {
  std::string out;
  appendJsonString(out, std::string("a\"b\\c\n\x01\x7f\xc3\xa9\xff\xed\xa0\x80z", 15));
  EXPECT_EQ(out, "\"a\\\"b\\\\c\\u000a\\u0001\\u007f\xc3\xa9\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbdz\"");
  EXPECT_EQ(errorJson("too_long", "it's \"long\""), "{\"error\": \"too_long\", \"message\": \"it's \\\"long\\\"\"}\n");
}

// The JSON figures are the library's: modules as --dump, codewords as --codewords.
TEST(Json, SymbolFiguresAreTheLibrarys) {
  for (const char* text : {"1", "Dexmora", "a longer text for a larger symbol, 0123456789"}) {
    const Symbol symbol = encode(text).value();
    const std::string json = symbolJson(symbol, symbolFacts(symbol));
    std::string modules;
    for (size_t at = json.find("    \""); at != std::string::npos; at = json.find("    \"", at + 1)) {
      modules += json.substr(at + 5, static_cast<size_t>(symbol.cols())) + "\n";
    }
    EXPECT_EQ(modules, modulesText(symbol));
    std::string codewords = codewordsText(symbol);
    codewords.pop_back();
    for (size_t at = codewords.find(' '); at != std::string::npos; at = codewords.find(' ', at + 2)) {
      codewords.replace(at, 1, ", ");
    }
    EXPECT_NE(json.find("\"codewords\": [" + codewords + "]"), std::string::npos) << json;
    EXPECT_NE(json.find("\"size\": \"" + sizeName(symbol) + "\""), std::string::npos);
    EXPECT_NE(json.find("\"data_length\": " + std::to_string(symbol.dataLength()) + ","), std::string::npos);
  }
}

}  // namespace

namespace {

// What clients write: Python's urlencode and URLSearchParams give a space as
// '+', a plus as %2B; every byte comes back as it was.
TEST(Split, FormEncodingRoundTripsEveryByte) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  for (int seed = 0; seed < 200; ++seed) {
    std::string text;
    for (int i = 0; i < 1 + seed % 23; ++i) text += static_cast<char>((seed * 131 + i * 71) % 256);
    std::string encoded = "data=";
    for (const char c : text) {
      const auto b = static_cast<unsigned char>(c);
      if (c == ' ') {
        encoded += '+';
      } else if (std::isalnum(b) || c == '-' || c == '.' || c == '_' || c == '*') {
        encoded += c;
      } else {
        encoded += {'%', kHex[b >> 4], kHex[b & 15]};
      }
    }
    const Expected<std::vector<Parameter>> parameters = splitQuery(encoded);
    ASSERT_TRUE(parameters.ok()) << encoded;
    ASSERT_EQ(parameters->size(), 1u);
    EXPECT_EQ(parameters->front().value, text) << encoded;
  }
}

struct FramingCase {
  const char* name;
  std::vector<HeaderField> fields;
  const char* version;
  unsigned status;  // 0: the framing is sound
};

class Framing : public ::testing::TestWithParam<FramingCase> {};

// The cases the raw-socket table of test_serve_framing.cpp does not send.
TEST_P(Framing, OnlyUnambiguousRequestsPass) {
  const FramingCase& c = GetParam();
  const FramingVerdict verdict = checkFraming(c.fields, c.version);
  EXPECT_EQ(verdict.status, c.status) << verdict.message;
  EXPECT_EQ(verdict.message.empty(), c.status == 0) << verdict.message;
}

const HeaderField kHost{"Host", "a"};

INSTANTIATE_TEST_SUITE_P(
    Fields, Framing,
    ::testing::Values(
        FramingCase{"Plain", {kHost}, "HTTP/1.1", 0},
        FramingCase{"Length", {kHost, {"content-length", " 12 "}}, "HTTP/1.1", 0},
        FramingCase{"Chunked", {kHost, {"Transfer-Encoding", "Chunked"}}, "HTTP/1.1", 0},
        FramingCase{"OldClientWithoutHost", {}, "HTTP/1.0", 0},
        FramingCase{"LengthList", {kHost, {"Content-Length", "3, 3"}}, "HTTP/1.1", 400},
        FramingCase{"SignedLength", {kHost, {"Content-Length", "+3"}}, "HTTP/1.1", 400},
        FramingCase{"EmptyLength", {kHost, {"Content-Length", ""}}, "HTTP/1.1", 400},
        FramingCase{"TabBeforeColon", {kHost, {"Transfer-Encoding\t", "chunked"}}, "HTTP/1.1", 400},
        FramingCase{"ChunkedTwice", {kHost, {"Transfer-Encoding", "chunked, chunked"}}, "HTTP/1.1", 400},
        FramingCase{"EmptyCoding", {kHost, {"Transfer-Encoding", "chunked,"}}, "HTTP/1.1", 400},
        FramingCase{"CompressionIsUnknownHere", {kHost, {"Transfer-Encoding", "deflate, chunked"}}, "HTTP/1.1", 501},
        FramingCase{"HostInHttp10IsOptional", {{"Host", "a"}, {"Host", "b"}}, "HTTP/1.0", 0}),
    [](const ::testing::TestParamInfo<FramingCase>& info) { return std::string(info.param.name); });

TEST(Notices, HeaderIsAStructuredListAndJsonListsTheSame) {
  EXPECT_EQ(noticeHeaderValue({}), "");
  EXPECT_EQ(noticesJson({}), "[]");
  const std::vector<NoticeFields> notices = {
      {"size_raised", {{"asked", "10x10"}, {"used", "18x18"}}, "the text does not fit 10x10; using 18x18"},
      {"Odd Name", {{"quote", "a\"b\\c\x01\xc3\xa9"}}, "é"}};
  EXPECT_EQ(noticeHeaderValue(notices),
            "size_raised;asked=\"10x10\";used=\"18x18\", odd_name;quote=\"a\\\"b\\\\c???\"");
  EXPECT_EQ(noticesJson(notices),
            "[{\"name\": \"size_raised\", \"asked\": \"10x10\", \"used\": \"18x18\", \"message\": \"the text does not "
            "fit 10x10; using 18x18\"}, {\"name\": \"Odd Name\", \"quote\": \"a\\\"b\\\\c\\u0001\xc3\xa9\", "
            "\"message\": \"\xc3\xa9\"}]");
  const Symbol symbol = encode("Dexmora").value();
  EXPECT_EQ(symbolFacts(symbol).size, sizeName(symbol));
}

TEST(AccessLog, OneLineOfPlainFields) {
  const std::chrono::system_clock::time_point start{std::chrono::milliseconds(1796735096007)};
  const std::string line = accessLine({start, "192.0.2.7", "GET", "/v1/data matrix?data=Secret", 200, 1234, 0.0125,
                                       "req-1"});
  EXPECT_EQ(line, "dexmora-serve: 2026-12-08T13:04:56.007Z 192.0.2.7 GET /v1/data%20matrix 200 1234 12.500ms req-1\n");
  const std::string refused = accessLine({start, "", "G\nET", std::string(300, 'p'), 0, 0, 0, ""});
  EXPECT_EQ(refused.find('\n'), refused.size() - 1);
  EXPECT_NE(refused.find(" - G\\nET ppp"), std::string::npos) << refused;
  EXPECT_NE(refused.find("... - 0 0.000ms -\n"), std::string::npos) << refused;
}

}  // namespace
