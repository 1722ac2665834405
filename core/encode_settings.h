#pragma once

// What an EncodeOptions holds, as the encoder reads it: plain records that
// the public class keeps behind its pointer, so that 1.x can add options
// without changing the class's layout.
#include <dexmora/options.h>

#include <optional>

namespace dexmora {

// How the symbol size is chosen.
struct SizeRequest {
  int rows = 0;  // a size asked for; 0 (with cols 0) chooses automatically
  int cols = 0;
  Shape shape = Shape::Square;
  bool dmre = false;   // DMRE sizes join the rectangles (no effect with Shape::Square)
  bool exact = false;  // a size asked for that the text does not fit is an error, not a larger size
};

// What goes into the data codewords besides the text.
struct DataOptions {
  Encodation encodation = Encodation::Basic;
  bool gs1 = false;
  bool gs1Parens = false;  // implies gs1
  bool gs1GroupSeparator = false;
  bool gs1NoCheck = false;
  std::optional<int> eci;
  bool readerInit = false;
  int macro = 0;
  StructuredAppend structuredAppend;
};

namespace detail {

struct EncodeSettings {
  SizeRequest size;
  DataOptions data;
  Dm144Layout dm144 = Dm144Layout::Iso;
};

struct EncodeOptionsAccess {
  static const EncodeSettings& settings(const EncodeOptions& options) { return *options.m_settings; }
  static EncodeSettings& settings(EncodeOptions& options) { return *options.m_settings; }
};

}  // namespace detail

using detail::EncodeSettings;

inline const EncodeSettings& settingsOf(const EncodeOptions& options) {
  return detail::EncodeOptionsAccess::settings(options);
}
inline EncodeSettings& settingsOf(EncodeOptions& options) { return detail::EncodeOptionsAccess::settings(options); }

// checkEncodeOptions() on the records themselves.
Expected<void> checkEncodeSettings(const EncodeSettings& settings);

}  // namespace dexmora
