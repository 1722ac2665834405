#pragma once

/// @file
/// Options by key and text value, the way front ends receive them: the
/// command line's long options, a query string's parameters, Python's
/// keyword arguments. Every value goes through the public parsers.

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include <dexmora/error.h>
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

/// Every option an OptionSet takes, in the order --help lists them.
const std::vector<OptionInfo>& optionTable();

/// The entry for `key`, or nullptr.
const OptionInfo* findOption(std::string_view key);

/// The known key nearest to `key` by edit distance, when it is near enough
/// to be a likely typo ("sise" gives "size"); empty otherwise. A front end
/// passes the names of its own options in `moreKeys` to have them weighed
/// too; the result may point into them.
std::string_view nearestOption(std::string_view key, const std::vector<std::string_view>& moreKeys = {});

/// The options of one symbol and its picture, set by key. A later set() of
/// the same key replaces the earlier value.
class OptionSet {
 public:
  /// Parses `value` for option `key` and stores it. BadOption for an unknown
  /// key or a value its parser refuses.
  Expected<void> set(std::string_view key, std::string_view value);

  /// Applies what depends on the options together (dmre without shape
  /// means shape any; gs1-parens implies gs1) and checks every combination.
  /// Call once after the last set().
  Expected<void> finish();

  /// Whether set() stored `key`.
  bool given(std::string_view key) const;

  EncodeOptions encode;                ///< what encode() takes
  RenderSettings render;               ///< what render() takes
  std::optional<OutputFormat> format;  ///< the "format" option, when given

 private:
  uint64_t m_given = 0;
  bool m_utf8 = false;
};

}  // namespace dexmora
