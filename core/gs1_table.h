#pragma once

#include <cstdint>

namespace dexmora {

// The character set a GS1 data component may use.
enum class Charset : uint8_t {
  Numeric,  // digits only
  Cset82,   // GS1 AI encodable character set 82
  Cset39,   // GS1 character set 39: # - / 0-9 A-Z
  Cset64,   // GS1 character set 64: base64url with '=' padding
};

// The content checks the syntax dictionary names; None fills unused slots.
enum class Linter : uint8_t {
  None,
  Couponcode,
  Couponposoffer,
  Csum,
  Csumalpha,
  Gcppos1,
  Gcppos2,
  Hasnondigit,
  Hh,
  Hhmi,
  Hyphen,
  Iban,
  Importeridx,
  Iso3166,
  Iso3166999,
  Iso3166alpha2,
  Iso4217,
  Iso5218,
  Latitude,
  Longitude,
  Mediatype,
  Mi,
  Nonzero,
  Nozeroprefix,
  Packagetype,
  Pcenc,
  Pieceoftotal,
  Posinseqslash,
  Ss,
  Winding,
  Yesno,
  Yymmd0,
  Yymmdd,
  Yyyymmdd,
  Zero,
};

// One part of an AI's data: minLength == maxLength for a fixed part. Only the
// last part may vary, and no mandatory part follows an optional one.
struct Gs1Component {
  Charset charset;
  uint8_t minLength;
  uint8_t maxLength;
  bool optional;
  Linter linters[3];
};

// One AI or a run of AIs with the same data, e.g. 3100-3105.
struct Gs1AiEntry {
  uint8_t digits;  // 2..4: "00" and "0000" are different AIs
  uint16_t first;
  uint16_t last;
  bool predefined;  // predefined length: no FNC1 needed after it
  uint8_t firstComponent;
  uint8_t componentCount;
};

// The table entry holding the `digits`-digit AI `ai`, or nullptr.
const Gs1AiEntry* findGs1Ai(int digits, int ai);
// The entry's componentCount data components.
const Gs1Component* gs1Components(const Gs1AiEntry& entry);

bool isIso3166Numeric(int code);
bool isIso3166Alpha2(char first, char second);
bool isIso4217Numeric(int code);

}  // namespace dexmora
