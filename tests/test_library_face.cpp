// The public face as a program outside the library sees it: only
// <dexmora/...> headers, errors as values with stable names, options by key.
#include <dexmora/dexmora.h>

#include <gtest/gtest.h>

#include "dexmora_frontend/key_spelling.h"

#include <algorithm>
#include <set>
#include <string>
#include <thread>
#include <vector>

using namespace dexmora;

namespace {

TEST(ErrorCodes, HaveDistinctStableNames) {
  const std::vector<std::pair<ErrorCode, std::string_view>> names = {
      {ErrorCode::BadOption, "bad_option"},         {ErrorCode::EmptyText, "empty_text"},
      {ErrorCode::TooLong, "too_long"},
      {ErrorCode::NotEncodable, "not_encodable"},   {ErrorCode::BadGs1, "bad_gs1"},
      {ErrorCode::PictureTooLarge, "picture_too_large"}, {ErrorCode::RenderFailed, "render_failed"},
      {ErrorCode::WriteFailed, "write_failed"},     {ErrorCode::VerifyMismatch, "verify_mismatch"},
      {ErrorCode::OutOfMemory, "out_of_memory"}};
  std::set<std::string_view> seen;
  for (const auto& [code, name] : names) {
    EXPECT_EQ(errorName(code), name);
    EXPECT_TRUE(seen.insert(errorName(code)).second) << name;
  }
}

TEST(Expected, AccessToWhatIsNotThereThrows) {
  const Expected<Symbol> failed = encode(std::string(4000, 'x'));
  ASSERT_FALSE(failed.ok());
  EXPECT_EQ(failed.error().code(), ErrorCode::TooLong);
  EXPECT_THROW(static_cast<void>(failed.value()), BadExpectedAccess);
  EXPECT_THROW(static_cast<void>(*failed), BadExpectedAccess);

  EXPECT_EQ(failed.value_or(encode("1").value()).rows(), 10);

  Expected<Symbol> done = encode("ok");
  ASSERT_TRUE(done.ok());
  EXPECT_THROW(static_cast<void>(done.error()), BadExpectedAccess);
  EXPECT_EQ(done.value_or(encode(std::string(100, 'x')).value()).rows(), 10);
  const Symbol moved = *std::move(done);
  EXPECT_EQ(moved.rows(), 10);
  const Expected<void> fine = checkEncodeOptions({});
  EXPECT_TRUE(fine.ok());
  EXPECT_NO_THROW(fine.value());
  EXPECT_THROW(static_cast<void>(fine.error()), BadExpectedAccess);
}

struct SpellingCase {
  KeySpelling spelling;
  const char* expected;
};

// The library names options by their keys; each front end passes its own
// spelling, and no spelling of a front end is the library's default.
TEST(Messages, SpellOptionsTheFrontEndsWay) {
  OptionSet options;
  ASSERT_TRUE(options.set("gs1-gs", "").ok());
  const Expected<void> finished = options.finish();
  ASSERT_FALSE(finished.ok());
  EXPECT_EQ(finished.error().message(), "gs1-gs needs GS1 input: add gs1");
  for (const SpellingCase& c : {SpellingCase{commandLineKey, "--gs1-gs needs GS1 input: add --gs1"},
                                SpellingCase{pythonKeyword, "gs1_gs needs GS1 input: add gs1"}}) {
    EXPECT_EQ(finished.error().message(c.spelling), c.expected);
  }
}

struct StructuredCase {
  const char* key;
  const char* value;
  const char* message;
  const char* detail;
};

// Every refusal of a value names the key, the value as given and what to do.
TEST(Messages, RefusalsCarryTheirKeyValueAndDetail) {
  for (const StructuredCase& c :
       {StructuredCase{"size", "11", "bad size '11': use auto, 0, a square side from 10 to 144 or rows x columns such as 16x48",
                       "use auto, 0, a square side from 10 to 144 or rows x columns such as 16x48"},
        StructuredCase{"size", "18x8", nullptr, "use auto, 0, a square side from 10 to 144 or rows x columns such as 16x48 (did you mean 8x18?)"},
        StructuredCase{"macro", "5", "bad macro '5': use 05 or 06", "use 05 or 06"},
        StructuredCase{"module", "0", "module size '0' is not a whole number from 1 to 100", nullptr},
        StructuredCase{"sise", "10", "unknown option 'sise'; did you mean size?", nullptr},
        StructuredCase{"quietzone", "2", "unknown option 'quietzone'; did you mean quiet-zone?", nullptr},
        StructuredCase{"colour", "red", "unknown option 'colour'", nullptr}}) {
    OptionSet options;
    const Expected<void> set = options.set(c.key, c.value);
    ASSERT_FALSE(set.ok()) << c.key;
    EXPECT_EQ(set.error().key(), c.key);
    EXPECT_EQ(set.error().value(), c.value);
    if (c.message) {
      EXPECT_EQ(set.error().message(), c.message);
    }
    EXPECT_EQ(set.error().detail(), c.detail ? c.detail : set.error().message());
  }
}

TEST(Messages, QuoteValuesWithTheirControlsEscaped) {
  const auto refused = [](const char* value) {
    OptionSet options;
    return options.set("eci", value).error().message();
  };
  EXPECT_EQ(refused("a\nb"), "bad ECI 'a\\nb': use a whole number from 0 to 999999");
  EXPECT_EQ(refused("\x1b[2J"), "bad ECI '\\x1b[2J': use a whole number from 0 to 999999");
  // U+202E would turn the rest of the line around on a terminal.
  EXPECT_EQ(refused("ab\xe2\x80\xaegnp.exe"), "bad ECI 'ab\\xe2\\x80\\xaegnp.exe': use a whole number from 0 to 999999");
  EXPECT_EQ(refused("caf\xc3\xa9"), "bad ECI 'caf\xc3\xa9': use a whole number from 0 to 999999");
}

struct ParseCase {
  const char* key;
  const char* value;
  bool ok;
};

class OptionValues : public ::testing::TestWithParam<ParseCase> {};

// Every key's values, including the empty, negative, zero and over-large
// ones a front end may hand over.
TEST_P(OptionValues, AreStoredOrRefusedWithTheValueNamed) {
  const ParseCase& c = GetParam();
  OptionSet options;
  const Expected<void> set = options.set(c.key, c.value);
  EXPECT_EQ(set.ok(), c.ok) << c.key << "=" << c.value;
  EXPECT_EQ(options.given(c.key), c.ok);
  if (!set.ok()) {
    EXPECT_EQ(set.error().code(), ErrorCode::BadOption);
    EXPECT_EQ(set.error().key(), c.key);
    EXPECT_EQ(set.error().value(), c.value);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, OptionValues,
    ::testing::Values(ParseCase{"size", "auto", true}, ParseCase{"size", "16x48", true}, ParseCase{"size", "16X48", true},
                      ParseCase{"size", "144", true}, ParseCase{"size", "11", false}, ParseCase{"size", "-10", false},
                      ParseCase{"size", "", false}, ParseCase{"size", "99999999999", false},
                      ParseCase{"shape", "any", true}, ParseCase{"shape", "Square", false},
                      ParseCase{"dm144", "defacto", true}, ParseCase{"dm144", "", false},
                      ParseCase{"encodation", "edifact", true}, ParseCase{"encodation", "morse", false},
                      ParseCase{"eci", "0", true}, ParseCase{"eci", "999999", true}, ParseCase{"eci", "-1", false},
                      ParseCase{"eci", "1000000", false}, ParseCase{"eci", "", false}, ParseCase{"eci", "26 ", false},
                      ParseCase{"macro", "05", true}, ParseCase{"macro", "5", false},
                      ParseCase{"structured-append", "1,2", true}, ParseCase{"structured-append", "16,16,64516", true},
                      ParseCase{"structured-append", "1,16,0", false}, ParseCase{"structured-append", "3,2", false},
                      ParseCase{"structured-append", "1,17", false}, ParseCase{"structured-append", "1,2,64517", false},
                      ParseCase{"structured-append", "1,,2", false}, ParseCase{"format", "PDF", true},
                      ParseCase{"format", "jpg", false}, ParseCase{"module", "1", true},
                      ParseCase{"module", "100", true}, ParseCase{"module", "0", false},
                      ParseCase{"module", "101", false}, ParseCase{"module", "-5", false},
                      ParseCase{"xdim", "0.5mm", true}, ParseCase{"xdim", "15 MIL", true},
                      ParseCase{"xdim", "0mm", false}, ParseCase{"xdim", "-1mm", false},
                      ParseCase{"xdim", "nanmm", false}, ParseCase{"xdim", "infmm", false},
                      ParseCase{"dpi", "10000", true}, ParseCase{"dpi", "10001", false}, ParseCase{"dpi", "0", false},
                      ParseCase{"quiet-zone", "0", true}, ParseCase{"quiet-zone", "101", false},
                      ParseCase{"quiet-zone", "-1", false}, ParseCase{"fg", "1f3a93", true},
                      ParseCase{"fg", "", false}, ParseCase{"fg", "transparent", false},
                      ParseCase{"bg", "transparent", true}, ParseCase{"bg", "#12345", false},
                      ParseCase{"gs1", "", true}, ParseCase{"gs1", "true", true}, ParseCase{"gs1", "off", true},
                      ParseCase{"gs1", "maybe", false}, ParseCase{"exact-size", "1", true},
                      ParseCase{"invert", "2", false}));

TEST(OptionSet, UnknownKeysAreRefusedWithTheNearestKnownOne) {
  OptionSet options;
  const Expected<void> typo = options.set("sise", "10");
  ASSERT_FALSE(typo.ok());
  EXPECT_EQ(typo.error().message(commandLineKey), "unknown option 'sise'; did you mean --size?");
  EXPECT_EQ(typo.error().message(pythonKeyword), "unknown option 'sise'; did you mean size?");
  EXPECT_FALSE(options.set("", "").ok());
}

TEST(OptionSet, RenderingKeysMakeTheGeometryExact) {
  for (const OptionInfo& info : optionTable()) {
    OptionSet options;
    const char* value = info.isSwitch ? "" : info.key == "xdim" ? "0.5mm" : info.key == "fg" || info.key == "bg" ? "000000" : "2";
    if (!options.set(info.key, value).ok()) continue;  // keys whose values are names
    EXPECT_EQ(options.renderSettings().exact(), info.rendering) << info.key;
  }
}

TEST(OptionSet, CombinationsAreSettledAtFinish) {
  const auto finished = [](std::vector<std::pair<const char*, const char*>> pairs) {
    OptionSet options;
    for (const auto& [key, value] : pairs) EXPECT_TRUE(options.set(key, value).ok()) << key;
    const Expected<void> done = options.finish();
    return std::pair{done.ok() ? std::string() : done.error().message(), options};
  };
  EXPECT_EQ(finished({{"dmre", ""}}).second.encodeOptions().shape(), Shape::Any);
  EXPECT_EQ(finished({{"dmre", ""}, {"shape", "rectangle"}}).second.encodeOptions().shape(), Shape::Rectangle);
  EXPECT_EQ(finished({{"dmre", ""}, {"shape", "square"}}).first,
            "dmre adds rectangular sizes and does not go with shape square");
  EXPECT_TRUE(finished({{"gs1-parens", ""}}).second.encodeOptions().gs1());
  EXPECT_EQ(*finished({{"utf8", ""}}).second.encodeOptions().eci(), 26);
  EXPECT_EQ(finished({{"utf8", ""}, {"eci", "3"}}).first, "utf8 is ECI 26 and does not go with eci 3");
  EXPECT_EQ(finished({{"exact-size", ""}}).first, "exact-size needs a size: add size");
  EXPECT_EQ(finished({{"module", "4"}, {"dpi", "300"}}).first,
            "module and dpi both set the module size in pixels; give one of them");
  EXPECT_EQ(finished({{"fg", "999999"}}).first,
            "colours #999999 on #ffffff have a contrast ratio of 2.85:1, too low to scan (at least 3:1 is needed)");
}

TEST(ExactSize, GivesTheSizeAskedForOrRefuses) {
  EncodeOptions options;
  options.setSize(10, 10);
  options.setExactSize(true);
  EXPECT_EQ(sizeName(encode("123456", options).value()), "10x10");
  const Expected<Symbol> tooLong = encode("this is far too long for ten", options);
  ASSERT_FALSE(tooLong.ok());
  EXPECT_EQ(tooLong.error().code(), ErrorCode::TooLong);
  options.setExactSize(false);
  EXPECT_EQ(sizeName(encode("this is far too long for ten", options).value()), "22x22");
}

struct Gs1ParensCase {
  const char* parens;
  const char* brackets;  // nullptr: refused
};

class Gs1Parens : public ::testing::TestWithParam<Gs1ParensCase> {};

TEST_P(Gs1Parens, EncodeAsTheBracketFormDoes) {
  const Gs1ParensCase& c = GetParam();
  EncodeOptions parens;
  parens.setGs1Parens(true);
  const Expected<Symbol> got = encode(c.parens, parens);
  if (!c.brackets) {
    ASSERT_FALSE(got.ok()) << c.parens;
    EXPECT_EQ(got.error().code(), ErrorCode::BadGs1);
    return;
  }
  ASSERT_TRUE(got.ok()) << got.error().message();
  EncodeOptions brackets;
  brackets.setGs1(true);
  EXPECT_EQ(got->codewords(), encode(c.brackets, brackets).value().codewords());
}

INSTANTIATE_TEST_SUITE_P(
    Table, Gs1Parens,
    ::testing::Values(Gs1ParensCase{"(01)09521234543213(17)271231(10)AB-123", "[01]09521234543213[17]271231[10]AB-123"},
                      Gs1ParensCase{"(10)A\\(1\\)B(21)X", "[10]A(1)B[21]X"},
                      Gs1ParensCase{"(10)A)B", nullptr}, Gs1ParensCase{"[01]09521234543213", nullptr},
                      Gs1ParensCase{"(01", nullptr}));

TEST(Gs1Parens, BracketModeSuggestsThemForAParenthesis) {
  EncodeOptions options;
  options.setGs1(true);
  const Expected<Symbol> refused = encode("(01)09521234543213", options);
  ASSERT_FALSE(refused.ok());
  EXPECT_NE(refused.error().message(commandLineKey).find("add --gs1-parens"), std::string::npos)
      << refused.error().message();
}

TEST(Sizes, AreListedAndFoundByTheirSides) {
  ASSERT_EQ(symbolSizeCount(), 48);
  for (int i = 0; i < symbolSizeCount(); ++i) {
    const SymbolSize size = symbolSize(i).value();
    ASSERT_NE(findSymbolSize(size.rows, size.cols), nullptr);
    EXPECT_EQ(sizeName(*findSymbolSize(size.rows, size.cols)), sizeName(size));
  }
  EXPECT_EQ(findSymbolSize(11, 11), nullptr);
  for (const int outside : {48, -1}) {
    ASSERT_FALSE(symbolSize(outside).ok());
    EXPECT_EQ(symbolSize(outside).error().code(), ErrorCode::BadOption);
  }
}

TEST(Figures, SpeakTheFrontEndsVocabulary) {
  EncodeOptions options;
  options.setSize(8, 18);
  const Symbol symbol = encode("123456", options).value();
  EXPECT_EQ(sizeName(symbol), "8x18");
  EXPECT_EQ(symbol.dataLength(), 3);
  EXPECT_EQ(symbol.capacity(), 5);
  const std::string modules = modulesText(symbol);
  EXPECT_EQ(modules.size(), static_cast<size_t>(8 * 19));
  EXPECT_EQ(modules.substr(0, 19), "101010101010101010\n");
  const std::string codewords = codewordsText(symbol);
  EXPECT_EQ(std::count(codewords.begin(), codewords.end(), ' '), 11);
  EXPECT_EQ(codewords.back(), '\n');
}

// The limit holds for every raster path and is checked before drawing.
TEST(PictureLimits, AreCheckedBeforeAnyWork) {
  const Symbol large = encode("x", [] {
                         EncodeOptions o;
                         o.setSize(144, 144);
                         return o;
                       }()).value();
  RenderSettings settings;
  settings.setModulePixels(100);
  settings.setQuietZone(100);
  const Expected<Rendering> huge = render(large, OutputFormat::Png, settings);
  ASSERT_FALSE(huge.ok());
  EXPECT_EQ(huge.error().code(), ErrorCode::PictureTooLarge);
  EXPECT_EQ(huge.error().message(), "picture too large: 34400x34400 pixels; the limit is 20000 pixels a side and 400000000 in all");

  settings.setQuietZone(2);  // 148 x 100 = 14,800 pixels a side: every size fits the default
  EXPECT_TRUE(checkRenderSettings(settings).ok());
  RenderSettings limited;  // no picture setting: the first release's picture is 740 pixels a side
  limited.setLimits({740, PictureLimits{}.maxPixels});
  EXPECT_TRUE(render(large, OutputFormat::Png, limited).ok());
  limited.setLimits({739, PictureLimits{}.maxPixels});
  EXPECT_EQ(render(large, OutputFormat::Png, limited).error().code(), ErrorCode::PictureTooLarge);

  RenderSettings dpi;
  dpi.setXdimMm(25.4);
  dpi.setDpi(1000);
  const Expected<Rendering> fat = render(large, OutputFormat::Png, dpi);
  ASSERT_FALSE(fat.ok());
  EXPECT_EQ(fat.error().message(), "at 1000 dpi the X-dimension is 1000 pixels a module; at most 100 are drawn: lower xdim or dpi");
}

TEST(RenderSettings, HostileNumbersAreRefusedNotDrawn) {
  const Symbol symbol = encode("hostile").value();
  const auto refusal = [&](auto change) {
    RenderSettings settings;
    change(settings);
    const Expected<Rendering> rendered = render(symbol, OutputFormat::Png, settings);
    return rendered.ok() ? std::string() : std::string(errorName(rendered.error().code()));
  };
  EXPECT_EQ(refusal([](RenderSettings& s) { s.setQuietZone(-5); }), "bad_option");
  EXPECT_EQ(refusal([](RenderSettings& s) { s.setQuietZone(2147483647); }), "bad_option");
  EXPECT_EQ(refusal([](RenderSettings& s) { s.setModulePixels(0); }), "bad_option");
  EXPECT_EQ(refusal([](RenderSettings& s) { s.setModulePixels(-3); }), "bad_option");
  EXPECT_EQ(refusal([](RenderSettings& s) { s.setDpi(-300); }), "bad_option");
  EXPECT_EQ(refusal([](RenderSettings& s) { s.setXdimMm(-0.5); }), "bad_option");
  EXPECT_EQ(refusal([](RenderSettings& s) { s.setLimits({s.limits().maxSide, 0}); }), "bad_option");
  EXPECT_EQ(refusal([](RenderSettings& s) { s.setModulePixels(5); s.setLimits({10, s.limits().maxPixels}); }), "picture_too_large");
  EXPECT_EQ(refusal([](RenderSettings& s) { s.setModulePixels(1); s.setQuietZone(0); }), "");
}

TEST(Verify, RefusesAPictureOverItsOwnLimitBeforeReadingIt) {
  const Symbol symbol = encode("x").value();
  RenderSettings settings;
  settings.setModulePixels(100);
  const std::string png = render(symbol, OutputFormat::Png, settings).value().bytes;
  VerifyLimits limits;
  limits.maxSide = 1000;  // the picture is 1400 pixels a side
  const Expected<VerifyReport> refused = verify(symbol, png, settings, expectationFor("x", {}), nullptr, limits);
  ASSERT_FALSE(refused.ok());
  EXPECT_EQ(refused.error().code(), ErrorCode::PictureTooLarge);
  const Expected<VerifyReport> modulesOnly = verify(symbol, png, settings, expectationFor("x", {}), nullptr);
  ASSERT_TRUE(modulesOnly.ok()) << modulesOnly.error().message();
  EXPECT_EQ(modulesOnly->note, "no reader to decode with; modules compared only");
}

TEST(Version, IsTheProjects) { EXPECT_EQ(libraryVersion(), DEXMORA_TEST_VERSION); }

// The option set is a value: threads each fill their own and encode at once.
TEST(OptionSet, IsAValueThreadsMayEachOwn) {
  std::vector<std::string> sizes(8);
  std::vector<std::thread> threads;
  for (int i = 0; i < 8; ++i) {
    threads.emplace_back([&, i] {
      OptionSet options;
      static const char* const kShapes[] = {"square", "rectangle"};
      if (options.set("shape", kShapes[i % 2]).ok() && options.finish().ok()) {
        sizes[static_cast<size_t>(i)] = sizeName(encode("THREAD " + std::to_string(i), options.encodeOptions()).value());
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  for (int i = 0; i < 8; ++i) EXPECT_EQ(sizes[static_cast<size_t>(i)], i % 2 ? "8x32" : "14x14") << i;
}

}  // namespace
