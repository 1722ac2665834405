#pragma once

/// @file
/// Options by key and text value, the way front ends receive them: the
/// command line's long options, a query string's parameters, Python's
/// keyword arguments.

#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include <dexmora/error.h>
#include <dexmora/export.h>
#include <dexmora/options.h>
#include <dexmora/render.h>

namespace dexmora {

/// One option a front end can offer.
struct OptionInfo {
  std::string_view key;      ///< "exact-size": the command line's long option without "--"
  bool isSwitch;             ///< takes true or false; given alone it means true
  bool rendering;            ///< a picture setting: giving it draws the picture exactly
  std::string_view syntax;   ///< the value's form, e.g. "auto|N|RxC"
  std::string_view summary;  ///< one line on what it does
};

/// Parses a switch's value as every front end takes it: "", "1", "true",
/// "yes", "on" are true; "0", "false", "no", "off" false. `key` names the
/// switch in the message.
DEXMORA_EXPORT Expected<bool> parseSwitch(std::string_view key, std::string_view text);

/// Every option an OptionSet takes, in the order --help lists them.
DEXMORA_EXPORT const std::vector<OptionInfo>& optionTable();

/// The entry for `key`, or nullptr.
DEXMORA_EXPORT const OptionInfo* findOption(std::string_view key);

/// The options of one symbol and its picture, set by key and text. A later
/// set() of the same key replaces the earlier value. A value, cheap enough
/// to copy for each request.
class DEXMORA_EXPORT OptionSet {
 public:
  /// Nothing set: the library's defaults.
  OptionSet();
  /// A copy of `other`'s options.
  OptionSet(const OptionSet& other);
  /// Takes `other`'s options.
  OptionSet& operator=(const OptionSet& other);
  ~OptionSet();

  /// Parses `value` for option `key` and stores it. BadOption for an unknown
  /// key (with the nearest known key suggested) or a value its parser
  /// refuses; the error's key() and value() name them.
  Expected<void> set(std::string_view key, std::string_view value);

  /// Applies what depends on the options together (dmre without shape
  /// means shape any; gs1-parens implies gs1; utf8 is ECI 26) and checks
  /// every combination. Call once after the last set().
  Expected<void> finish();

  /// Whether set() stored `key`.
  bool given(std::string_view key) const;

  /// What encode() takes.
  const EncodeOptions& encodeOptions() const;
  /// What render() takes.
  const RenderSettings& renderSettings() const;
  /// The "format" option, when given.
  std::optional<OutputFormat> format() const;

  /// The encoding options to change directly (a front end's own defaults).
  EncodeOptions& encodeOptions();
  /// The rendering settings to change directly (a front end's limits).
  RenderSettings& renderSettings();

 private:
  struct Values;
  std::unique_ptr<Values> m_values;
};

}  // namespace dexmora
