#pragma once

/// @file
/// Notices: what the library chose on the caller's behalf, returned with the
/// result as values, in the same vocabulary as the errors. Each front end
/// shows them its own way (a warning line, a Python warning, a header).

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <dexmora/export.h>

namespace dexmora {

/// What was chosen. Each value has a stable name (see noticeName()).
enum class NoticeCode : uint8_t {
  SizeRaised,     ///< "size_raised": the text did not fit the size asked for; a larger one of its shape was used
  ModuleRounded,  ///< "module_rounded": the X-dimension at the resolution given is not a whole number of pixels
};

/// The stable snake_case name of `code`, e.g. "size_raised".
DEXMORA_EXPORT std::string_view noticeName(NoticeCode code);

/// One figure of a notice: its name and its value as text ("asked", "10x10").
using NoticeFigure = std::pair<std::string, std::string>;

/// One choice made on the caller's behalf, with the figures that describe it:
/// size_raised has "asked" and "used" (sizes as "RxC"); module_rounded has
/// "dpi", "xdim" (mm asked), "pixels" (drawn) and "drawn" (mm drawn).
class DEXMORA_EXPORT Notice {
 public:
  /// A notice of `code` with its figures and the one-line message for the user.
  Notice(NoticeCode code, std::vector<NoticeFigure> figures, std::string message);

  /// What was chosen.
  NoticeCode code() const;
  /// noticeName(code()).
  std::string_view name() const;
  /// Every figure, in a fixed order for each code.
  const std::vector<NoticeFigure>& figures() const;
  /// The value of figure `name`, empty when the notice has none by that name.
  std::string_view figure(std::string_view name) const;
  /// One line for the user, e.g. "the text does not fit 10x10; using 18x18".
  const std::string& message() const;

 private:
  NoticeCode m_code;
  std::vector<NoticeFigure> m_figures;
  std::string m_message;
};

}  // namespace dexmora
