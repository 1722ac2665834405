#pragma once

#include <string>
#include <utility>
#include <vector>

#include <dexmora/notice.h>
#include <dexmora/symbol.h>

namespace dexmora::serve {

/// A notice of the library as the service passes it on: its stable name,
/// its figures (e.g. asked = "10x10", used = "18x18") and its sentence.
struct NoticeFields {
  std::string name;
  std::vector<std::pair<std::string, std::string>> figures;
  std::string message;
};

/// What an answer says about the symbol it carries, besides the symbol.
struct SymbolFacts {
  std::string size;          ///< Dexmora-Symbol-Size: "ROWSxCOLS"
  std::string noticeHeader;  ///< Dexmora-Notice, or empty when there is no notice
  std::string noticesJson;   ///< the JSON list of the notices, "[]" when there is none
};

/// The facts of `symbol`, headers and JSON from one place: its size, and its
/// notices followed by those of its rendering (`rendered`, e.g. module_rounded).
SymbolFacts symbolFacts(const Symbol& symbol, const std::vector<Notice>& rendered = {});

/// An RFC 8941 list: each notice a token with its figures as string
/// parameters, e.g. size_raised;asked="10x10";used="18x18".
std::string noticeHeaderValue(const std::vector<NoticeFields>& notices);

/// [{"name": …, figures…, "message": …}, …]
std::string noticesJson(const std::vector<NoticeFields>& notices);

}  // namespace dexmora::serve
