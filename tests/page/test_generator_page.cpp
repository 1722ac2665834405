#include <gtest/gtest.h>

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include <dexmora/option_set.h>
#include <dexmora/sizes.h>

#include "page/page.h"

namespace {

using dexmora::serve::generatorPage;
using dexmora::serve::PageLanguage;
using dexmora::serve::pageLanguage;

struct LanguageCase {
  std::string_view header;
  PageLanguage expected;
};

const LanguageCase kLanguageCases[] = {
    {"", PageLanguage::English},
    {"zh-CN", PageLanguage::Chinese},
    {"zh", PageLanguage::Chinese},
    {"ZH-hant-TW", PageLanguage::Chinese},
    {"zh_TW", PageLanguage::Chinese},
    {"en-US,en;q=0.9,zh-CN;q=0.8", PageLanguage::English},
    {"zh-CN,zh;q=0.9,en;q=0.8", PageLanguage::Chinese},
    {"en;q=0.5, zh;q=0.6", PageLanguage::Chinese},
    {"en;q=0.6, zh;q=0.5", PageLanguage::English},
    {"zh;q=0.8, en;q=0.8", PageLanguage::Chinese},   // equal: the first listed
    {"en;q=0.8, zh;q=0.8", PageLanguage::English},
    {"fr, zh;q=0.5", PageLanguage::Chinese},          // en not acceptable at all
    {"fr, de;q=0.9", PageLanguage::English},          // neither: the default
    {"zh;q=0", PageLanguage::English},                // q=0: not acceptable
    {"zh;q=0.000, en;q=0.001", PageLanguage::English},
    {"*;q=0.9, zh;q=0.5", PageLanguage::English},     // * rates en, which is not listed
    {"*;q=0.3, zh;q=0.5", PageLanguage::Chinese},
    {"*", PageLanguage::English},                     // one rating for both: a tie
    {"en;q=0, *", PageLanguage::Chinese},             // * admits zh; en is refused
    {"en;q=0, zh", PageLanguage::Chinese},
    {"zh ; q=0.7 , en ; q=0.6", PageLanguage::Chinese},
    {"zh;Q=1.000", PageLanguage::Chinese},
    {"zh;level=1;q=0.9,en;q=0.8", PageLanguage::Chinese},
    {"zh;q=1.5, en;q=0.5", PageLanguage::English},    // malformed q: the entry is ignored
    {"zh;q=0.5000, en;q=0.1", PageLanguage::English}, // four decimals: malformed
    {"zh;q=abc, en", PageLanguage::English},
    {"zh;q=, en;q=0.5", PageLanguage::English},
    {"zho, en;q=0.1", PageLanguage::English},         // another language, not zh
    {"chinese", PageLanguage::English},
    {",,, zh-CN ,,", PageLanguage::Chinese},
    {"en-GB;q=0.2, en;q=0.9, zh-TW;q=0.8", PageLanguage::English},  // the best en tag counts
};

TEST(PageLanguageTest, ChoosesByQualityThenOrder) {
  for (const LanguageCase& c : kLanguageCases)
    EXPECT_EQ(pageLanguage(c.header), c.expected) << '"' << c.header << '"';
}

TEST(PageLanguageTest, LongAndHostileHeadersStayBounded) {
  std::string header;
  for (int i = 0; i < 2000; ++i) header += "x-" + std::to_string(i) + ";q=0.1,";
  EXPECT_EQ(pageLanguage(header + "zh;q=0.2"), PageLanguage::Chinese);
  EXPECT_EQ(pageLanguage(std::string(100000, ';')), PageLanguage::English);
  EXPECT_EQ(pageLanguage(std::string(100000, ',')), PageLanguage::English);
  EXPECT_EQ(pageLanguage(std::string("zh\0;q=1", 7)), PageLanguage::English);
}

// Every value of attribute `name` in `html`, in order.
std::vector<std::string> attributeValues(const std::string& html, const std::string& name) {
  std::vector<std::string> values;
  const std::string lead = " " + name + "=\"";
  for (size_t at = html.find(lead); at != std::string::npos; at = html.find(lead, at + 1)) {
    const size_t start = at + lead.size();
    values.push_back(html.substr(start, html.find('"', start) - start));
  }
  return values;
}

const std::string kEnglish = generatorPage("en");
const std::string kChinese = generatorPage("zh-CN");

TEST(GeneratorPageTest, EachLanguageHasItsOwnWords) {
  EXPECT_NE(kEnglish.find("<html lang=\"en\">"), std::string::npos);
  EXPECT_NE(kEnglish.find("<label for=\"data\">Text</label>"), std::string::npos);
  EXPECT_NE(kChinese.find("<html lang=\"zh-Hans\">"), std::string::npos);
  EXPECT_NE(kChinese.find("<label for=\"data\">文本</label>"), std::string::npos);
  EXPECT_EQ(kChinese.find("Make the picture"), std::string::npos);
  EXPECT_EQ(generatorPage("en"), kEnglish);
  EXPECT_EQ(generatorPage("zh;q=0.9, en;q=0.1"), kChinese);
}

TEST(GeneratorPageTest, NoPlaceholderIsLeft) {
  for (const std::string* page : {&kEnglish, &kChinese}) {
    EXPECT_EQ(page->find("{{"), std::string::npos);
    EXPECT_EQ(page->find("}}"), std::string::npos);
  }
}

// The page must work without the network: nothing is loaded from another host.
TEST(GeneratorPageTest, LoadsNothingFromElsewhere) {
  for (const std::string* page : {&kEnglish, &kChinese}) {
    EXPECT_EQ(page->find("http:"), std::string::npos);
    EXPECT_EQ(page->find("https:"), std::string::npos);
    EXPECT_EQ(page->find("@import"), std::string::npos);
    EXPECT_EQ(page->find("url("), std::string::npos);
    for (const char* attribute : {"src", "href", "action"})
      for (const std::string& value : attributeValues(*page, attribute))
        EXPECT_TRUE(value.empty() || (value[0] == '/' && value.rfind("//", 0) != 0)) << attribute << '=' << value;
  }
}

// The no-JavaScript form posts its fields as they are: each name must be one
// the endpoint takes.
TEST(GeneratorPageTest, FormFieldsAreEndpointParameters) {
  for (const std::string* page : {&kEnglish, &kChinese}) {
    const std::vector<std::string> names = attributeValues(*page, "name");
    ASSERT_FALSE(names.empty());
    for (const std::string& name : names) {
      if (name == "viewport") continue;  // the <meta name>
      EXPECT_TRUE(name == "data" || name == "download" || dexmora::findOption(name) != nullptr) << name;
    }
    EXPECT_NE(page->find("<form id=\"generator\" method=\"post\" action=\"/form\">"), std::string::npos);
  }
}

TEST(GeneratorPageTest, EveryLabelNamesOneField) {
  for (const std::string* page : {&kEnglish, &kChinese}) {
    const std::vector<std::string> ids = attributeValues(*page, "id");
    const std::set<std::string> unique(ids.begin(), ids.end());
    EXPECT_EQ(unique.size(), ids.size()) << "an id is used twice";
    const std::vector<std::string> targets = attributeValues(*page, "for");
    EXPECT_GE(targets.size(), 9u);
    for (const std::string& target : targets) EXPECT_EQ(unique.count(target), 1u) << target;
    for (const std::string& list : attributeValues(*page, "aria-describedby")) {
      size_t start = 0;
      while (start < list.size()) {
        const size_t end = std::min(list.find(' ', start), list.size());
        EXPECT_EQ(unique.count(list.substr(start, end - start)), 1u) << list;
        start = end + 1;
      }
    }
  }
}

TEST(GeneratorPageTest, OffersEverySizeAndEncodation) {
  const std::vector<std::string> values = attributeValues(kEnglish, "value");
  const std::set<std::string> offered(values.begin(), values.end());
  for (int i = 0; i < dexmora::symbolSizeCount(); ++i) {
    const std::string name = dexmora::sizeName(dexmora::symbolSize(i).value());
    EXPECT_EQ(offered.count(name), 1u) << name;
    ASSERT_TRUE(dexmora::OptionSet().set("size", name)) << name;
  }
  for (const char* encodation : {"basic", "minimal", "ascii", "c40", "text", "x12", "edifact", "base256"}) {
    EXPECT_EQ(offered.count(encodation), 1u) << encodation;
    EXPECT_TRUE(dexmora::OptionSet().set("encodation", encodation)) << encodation;
  }
  for (const char* shape : {"square", "rectangle", "any"}) EXPECT_TRUE(dexmora::OptionSet().set("shape", shape)) << shape;
}

}  // namespace
