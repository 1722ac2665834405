#include <gtest/gtest.h>

#include <dexmora/encode.h>

#include "server/json.h"
#include "server/product.h"
#include "server/query.h"
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
        SplitCase{"PlusIsAPlus", "data=a+b", PlusMeans::Plus, {{"data", "a+b"}}},
        SplitCase{"PlusIsASpaceInForms", "data=a+b%2Bc", PlusMeans::Space, {{"data", "a b+c"}}},
        SplitCase{"PercentHashAndZero", "data=%25%23%00x%2b", PlusMeans::Plus, {{"data", std::string("%#\0x+", 5)}}},
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
};

class Refusal : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(Refusal, SaysWhyInTheLibrarysWords) {
  const RefusalCase& c = GetParam();
  const Expected<SymbolRequest> parsed = request(c.query, c.source, "body");
  ASSERT_FALSE(parsed.ok());
  EXPECT_EQ(parsed.error().code(), ErrorCode::BadOption);
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
        RefusalCase{"EmptyData", "data=", DataSource::Query, "the data is empty"},
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
    const std::string json = symbolJson(symbol);
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
