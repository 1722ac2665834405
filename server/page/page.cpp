#include "page.h"

#include <array>
#include <cstddef>

#include <dexmora/sizes.h>

#include "http_text.h"
#include "page_template.h"

namespace dexmora::serve {
namespace {

// A language's rating: its q-value in thousandths (-1 when not listed) and
// the entry's place in the header, which breaks ties.
struct Rating {
  int q = -1;
  size_t place = 0;
};

bool better(const Rating& a, const Rating& b) { return a.q > b.q || (a.q == b.q && a.place < b.place); }

// A qvalue as HTTP writes it: "0", "0.5", "1", "1.000" (at most three
// decimals, never above 1); -1 for anything else.
int parseQ(std::string_view text) {
  if (text.empty() || (text[0] != '0' && text[0] != '1')) return -1;
  int thousandths = (text[0] - '0') * 1000;
  if (text.size() == 1) return thousandths;
  if (text[1] != '.' || text.size() > 5) return -1;
  int scale = 100;
  for (char c : text.substr(2)) {
    if (c < '0' || c > '9') return -1;
    thousandths += (c - '0') * scale;
    scale /= 10;
  }
  return thousandths > 1000 ? -1 : thousandths;
}

// One entry "tag;q=0.8" (other parameters ignored): the tag and its q-value.
int entryQ(std::string_view parameters) {
  int q = 1000;
  while (!parameters.empty()) {
    const size_t end = parameters.find(';');
    const std::string_view parameter = trimSpace(parameters.substr(0, end));
    parameters = end == std::string_view::npos ? std::string_view{} : parameters.substr(end + 1);
    if (parameter.size() >= 2 && asciiLower(parameter[0]) == 'q' && parameter[1] == '=') q = parseQ(parameter.substr(2));
  }
  return q;
}

void rate(Rating& rating, int q, size_t place) {
  const Rating candidate{q, place};
  if (better(candidate, rating)) rating = candidate;
}

std::string sizeOptions(SizeKind kind) {
  std::string options;
  for (int i = 0; i < symbolSizeCount(); ++i) {
    const SymbolSize size = symbolSize(i).value();
    if (size.kind != kind) continue;
    const std::string name = sizeName(size);
    options += "<option value=\"" + name + "\">" + std::to_string(size.rows) + " \u00d7 " +
               std::to_string(size.cols) + "</option>";
  }
  return options;
}

// A placeholder's text: "{{English|中文}}" picks one side, "{{sizes:KIND}}"
// lists that kind's sizes as <option>s. Anything else stays as written.
std::string expand(std::string_view field, PageLanguage language) {
  if (field == "sizes:square") return sizeOptions(SizeKind::Square);
  if (field == "sizes:rectangle") return sizeOptions(SizeKind::Rectangle);
  if (field == "sizes:dmre") return sizeOptions(SizeKind::Dmre);
  const size_t bar = field.find('|');
  if (bar == std::string_view::npos) return "{{" + std::string(field) + "}}";
  return std::string(language == PageLanguage::English ? field.substr(0, bar) : field.substr(bar + 1));
}

std::string fill(std::string_view page, PageLanguage language) {
  std::string out;
  out.reserve(page.size());
  size_t at = 0;
  for (;;) {
    const size_t open = page.find("{{", at);
    const size_t close = open == std::string_view::npos ? open : page.find("}}", open + 2);
    if (close == std::string_view::npos) break;
    out.append(page.substr(at, open - at));
    out += expand(page.substr(open + 2, close - open - 2), language);
    at = close + 2;
  }
  out.append(page.substr(at));
  return out;
}

}  // namespace

PageLanguage pageLanguage(std::string_view acceptLanguage) {
  Rating zh;
  Rating en;
  Rating any;
  size_t place = 0;
  while (!acceptLanguage.empty()) {
    const size_t comma = acceptLanguage.find(',');
    const std::string_view entry = acceptLanguage.substr(0, comma);
    acceptLanguage = comma == std::string_view::npos ? std::string_view{} : acceptLanguage.substr(comma + 1);
    const size_t semicolon = entry.find(';');
    const std::string_view tag = trimSpace(entry.substr(0, semicolon));
    const int q = semicolon == std::string_view::npos ? 1000 : entryQ(entry.substr(semicolon + 1));
    if (tag.empty() || q < 0) continue;
    ++place;
    // The primary subtag decides: zh-CN, zh-Hant-TW and zh all count as zh.
    const std::string_view primary = tag.substr(0, tag.find_first_of("-_"));
    if (equalsIgnoringCase(primary, "zh")) rate(zh, q, place);
    else if (equalsIgnoringCase(primary, "en")) rate(en, q, place);
    else if (tag == "*") rate(any, q, place);
  }
  if (zh.q < 0) zh = any;
  if (en.q < 0) en = any;
  return zh.q > 0 && better(zh, en) ? PageLanguage::Chinese : PageLanguage::English;
}

std::string generatorPage(std::string_view acceptLanguage) {
  // Both pages are made once; the template and the size table never change.
  static const std::array<std::string, 2> pages = {fill(pageTemplate(), PageLanguage::English),
                                                   fill(pageTemplate(), PageLanguage::Chinese)};
  return pages[pageLanguage(acceptLanguage) == PageLanguage::English ? 0 : 1];
}

}  // namespace dexmora::serve
