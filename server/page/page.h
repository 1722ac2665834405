#pragma once

// The generator page served at "/": one self-contained HTML document (inline
// CSS and JavaScript, nothing fetched from elsewhere) in the language the
// browser prefers.

#include <string>
#include <string_view>

namespace dexmora::serve {

enum class PageLanguage { English, Chinese };

/// The language for an Accept-Language header's value: Chinese when some zh
/// tag has a higher q-value than every en tag (on equal q-values the tag
/// listed first), English otherwise. `*` stands for the languages not
/// listed; entries with a malformed q-value are ignored.
PageLanguage pageLanguage(std::string_view acceptLanguage);

/// The whole page, in the language pageLanguage() chooses for `acceptLanguage`.
/// The same header always gives the same bytes.
std::string generatorPage(std::string_view acceptLanguage);

}  // namespace dexmora::serve
