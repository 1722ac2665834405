#pragma once

/// @file
/// The encoding options: which size, and how the text becomes codewords.
/// Front ends that receive options as text set them through an OptionSet.

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include <dexmora/error.h>
#include <dexmora/export.h>
#include <dexmora/sizes.h>

namespace dexmora {

namespace detail {
struct EncodeSettings;
struct EncodeOptionsAccess;
}  // namespace detail

/// How the text becomes data codewords.
enum class Encodation : uint8_t {
  Basic,    ///< ASCII with digit pairs and Base 256 fields, exactly as the first release
  Minimal,  ///< the shortest stream over all six modes and their switches
  Ascii,    ///< ASCII alone, digit pairs included
  C40,      ///< C40 alone (upper case and digits)
  Text,     ///< Text alone (lower case and digits)
  X12,      ///< X12 alone (ANSI X12 EDI characters)
  Edifact,  ///< EDIFACT alone (ASCII 32-94)
  Base256,  ///< Base 256 alone (any bytes)
};

/// The name of `encodation` as the option "encodation" takes it ("minimal").
DEXMORA_EXPORT std::string_view encodationName(Encodation encodation);

/// Structured append: this symbol's place in a sequence of up to 16.
struct StructuredAppend {
  int position = 0;  ///< 1..count; 0 when the symbol stands alone
  int count = 0;     ///< 2..16; 0 when the symbol stands alone
  int fileId = 0;    ///< tells the sequence apart: 1..64516, or 0 when none was given (written as 1)
};

/// Every choice of an encode; the defaults give the first release's symbol:
/// the smallest square that holds the text, basic encodation. Each setter
/// stores its value as given; encode() and checkEncodeOptions() check them.
class DEXMORA_EXPORT EncodeOptions {
 public:
  /// The defaults.
  EncodeOptions();
  /// A copy of `other`'s options.
  EncodeOptions(const EncodeOptions& other);
  /// Takes `other`'s options.
  EncodeOptions& operator=(const EncodeOptions& other);
  ~EncodeOptions();

  /// The size asked for, rows x cols (a square as side x side); 0 x 0 chooses
  /// automatically ("size"). A text too long for it gets the next size of its
  /// shape and a size_raised notice, unless setExactSize(true).
  EncodeOptions& setSize(int rows, int cols);
  /// What an automatic size is chosen from ("shape"; Square by default).
  EncodeOptions& setShape(Shape shape);
  /// Whether DMRE sizes join the rectangles ("dmre").
  EncodeOptions& setDmre(bool dmre);
  /// Whether a size asked for that the text does not fit is an error instead ("exact-size").
  EncodeOptions& setExactSize(bool exact);
  /// The 144x144 symbol's block layout ("dm144").
  EncodeOptions& setDm144(Dm144Layout layout);
  /// How the text becomes codewords ("encodation").
  EncodeOptions& setEncodation(Encodation encodation);
  /// The text is GS1 element strings in bracket form, "[01]…" ("gs1").
  EncodeOptions& setGs1(bool gs1);
  /// GS1 AIs in parentheses, "(01)…", a literal parenthesis written \\( or \\); implies GS1 ("gs1-parens").
  EncodeOptions& setGs1Parens(bool parens);
  /// Separate variable-length GS1 fields with GS (29) instead of FNC1 ("gs1-gs").
  EncodeOptions& setGs1GroupSeparator(bool groupSeparator);
  /// Accept GS1 AIs the table does not know ("gs1-nocheck").
  EncodeOptions& setGs1NoCheck(bool noCheck);
  /// The ECI designator put first, 0..999999, or none ("eci"; "utf8" is 26).
  EncodeOptions& setEci(std::optional<int> eci);
  /// A reader programming symbol ("reader-init").
  EncodeOptions& setReaderInit(bool readerInit);
  /// 5 or 6 for the Macro 05 / Macro 06 header, 0 for none ("macro").
  EncodeOptions& setMacro(int macro);
  /// This symbol's place in a sequence ("structured-append").
  EncodeOptions& setStructuredAppend(const StructuredAppend& append);

  /// The rows of the size asked for, 0 for automatic.
  int sizeRows() const;
  /// The columns of the size asked for, 0 for automatic.
  int sizeCols() const;
  /// What an automatic size is chosen from.
  Shape shape() const;
  /// Whether DMRE sizes are allowed.
  bool dmre() const;
  /// Whether the size asked for is the only one allowed.
  bool exactSize() const;
  /// The 144x144 layout.
  Dm144Layout dm144() const;
  /// The encodation.
  Encodation encodation() const;
  /// Whether the text is GS1 (bracket or parenthesis form).
  bool gs1() const;
  /// Whether GS1 AIs are in parentheses.
  bool gs1Parens() const;
  /// Whether GS1 fields are separated by GS.
  bool gs1GroupSeparator() const;
  /// Whether unknown GS1 AIs are accepted.
  bool gs1NoCheck() const;
  /// The ECI designator, if any.
  std::optional<int> eci() const;
  /// Whether this is a reader programming symbol.
  bool readerInit() const;
  /// 5, 6 or 0.
  int macro() const;
  /// The sequence this symbol belongs to (all zero when none).
  StructuredAppend structuredAppend() const;

 private:
  friend struct detail::EncodeOptionsAccess;
  std::unique_ptr<detail::EncodeSettings> m_settings;
};

/// Checks every value and combination of `options`; encode() does the same
/// before it starts. BadOption names the option at fault.
DEXMORA_EXPORT Expected<void> checkEncodeOptions(const EncodeOptions& options);

}  // namespace dexmora
