#pragma once

/// @file
/// Symbol to picture: the rendering settings, the limits a picture is held
/// to, and the output formats.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <dexmora/error.h>
#include <dexmora/export.h>
#include <dexmora/notice.h>
#include <dexmora/symbol.h>

namespace dexmora {

/// An sRGB colour with alpha (255 opaque).
struct Colour {
  uint8_t r = 0;    ///< red
  uint8_t g = 0;    ///< green
  uint8_t b = 0;    ///< blue
  uint8_t a = 255;  ///< alpha: 0 transparent, 255 opaque

  /// Whether nothing shows through.
  bool opaque() const { return a == 255; }
  /// Whether it paints nothing.
  bool transparent() const { return a == 0; }
  /// Whether red, green and blue are equal.
  bool grey() const { return r == g && g == b; }
  /// Every channel equal.
  friend bool operator==(const Colour& x, const Colour& y) {
    return x.r == y.r && x.g == y.g && x.b == y.b && x.a == y.a;
  }
  /// Some channel differs.
  friend bool operator!=(const Colour& x, const Colour& y) { return !(x == y); }
};

/// Opaque black, the default dark colour.
inline constexpr Colour kBlack{0, 0, 0, 255};
/// Opaque white, the default light colour.
inline constexpr Colour kWhite{255, 255, 255, 255};

/// The X-dimension vector output uses when none is given: 0.5 mm is in the
/// middle of the range printers and handheld scanners are specified for.
inline constexpr double kDefaultXdimMm = 0.5;
/// Pixels per module of an exact PNG when neither module size nor resolution is given.
inline constexpr int kDefaultModulePixels = 5;
/// The quiet zone of every exact rendering, in modules.
inline constexpr int kDefaultQuietZone = 2;

/// The largest raster any call draws; checked before any work. The defaults
/// hold every size at 100 pixels a module with the default quiet zone.
struct PictureLimits {
  uint32_t maxSide = 20000;         ///< pixels per side
  uint64_t maxPixels = 400000000;   ///< pixels in total
  uint64_t reserved[2] = {};        ///< zero: room for later limits, so the layout stays
};

/// Every rendering choice, each either given or left to its default. With
/// no picture setting given, a PNG is the first release's picture (8-bit
/// RGB, its own uneven module geometry); any one given (module pixels,
/// X-dimension, resolution, quiet zone, a colour, invert) makes every module
/// the same whole number of pixels. Other formats are always exact.
class DEXMORA_EXPORT RenderSettings {
 public:
  /// Nothing given: the default picture.
  RenderSettings();
  /// A copy of `other`'s settings.
  RenderSettings(const RenderSettings& other);
  /// Takes `other`'s settings.
  RenderSettings& operator=(const RenderSettings& other);
  ~RenderSettings();

  /// PNG pixels per module, 1..100 ("module").
  RenderSettings& setModulePixels(int pixels);
  /// The X-dimension in millimetres, 0.01..25.4 ("xdim").
  RenderSettings& setXdimMm(double millimetres);
  /// The printer's resolution in dots per inch, 1..10000 ("dpi").
  RenderSettings& setDpi(int dpi);
  /// The light margin in modules, 0..100 ("quiet-zone"; kDefaultQuietZone when not given).
  RenderSettings& setQuietZone(int modules);
  /// The dark modules' colour ("fg"; black when not given).
  RenderSettings& setForeground(const Colour& colour);
  /// The light modules' and margin's colour ("bg"; white when not given).
  RenderSettings& setBackground(const Colour& colour);
  /// Whether dark and light swap ("invert"; false when not given).
  RenderSettings& setInvert(bool invert);
  /// The largest raster drawn; not a picture setting, so it leaves the geometry alone.
  RenderSettings& setLimits(const PictureLimits& limits);

  /// Each setting as given, nullopt when left to its default.
  std::optional<int> modulePixels() const;
  /// The X-dimension given, in millimetres.
  std::optional<double> xdimMm() const;
  /// The resolution given.
  std::optional<int> dpi() const;
  /// The quiet zone given, in modules.
  std::optional<int> quietZone() const;
  /// The dark colour given.
  std::optional<Colour> foreground() const;
  /// The light colour given.
  std::optional<Colour> background() const;
  /// The invert switch given.
  std::optional<bool> invert() const;
  /// The limits in force.
  const PictureLimits& limits() const;

  /// Whether any picture setting is given, so that a PNG is drawn exactly.
  bool exact() const;

 private:
  struct Values;
  std::unique_ptr<Values> m_values;
};

/// Checks every value and combination of `settings`: ranges, colours that
/// cannot make a readable symbol, options that contradict each other.
DEXMORA_EXPORT Expected<void> checkRenderSettings(const RenderSettings& settings);

/// The formats a symbol can be written in.
enum class OutputFormat : uint8_t { Png, Svg, Pdf, Eps, Txt };

/// Parses "png", "svg", "pdf", "eps" or "txt", any case (option key "format").
DEXMORA_EXPORT Expected<OutputFormat> parseFormat(std::string_view text);

/// The name parseFormat() takes, which is also the file extension.
DEXMORA_EXPORT std::string_view formatName(OutputFormat format);

/// The media type of the format, e.g. "image/png".
DEXMORA_EXPORT std::string_view mediaType(OutputFormat format);

/// The format of a file at `path`, one rule for every file: `asked` (a
/// format option) decides, and a known extension that contradicts it is
/// refused; otherwise a png, svg, pdf, eps or txt extension in any case
/// decides; jpg, jpeg, gif, bmp, tif, tiff and webp are refused (formats
/// this library does not write); any other name is PNG.
DEXMORA_EXPORT Expected<OutputFormat> formatForPath(std::string_view path, std::optional<OutputFormat> asked);

/// What rendering made: the file's bytes, and what it chose on the
/// caller's behalf (module_rounded: a module size rounded from the
/// X-dimension and resolution).
struct Rendering {
  std::string bytes;            ///< the file's content
  std::vector<Notice> notices;  ///< what was chosen, for the user
};

/// Renders `symbol` in `format`. The settings are checked first; a raster
/// over settings.limits() is PictureTooLarge before any work.
DEXMORA_EXPORT Expected<Rendering> render(const Symbol& symbol, OutputFormat format, const RenderSettings& settings = {});

}  // namespace dexmora
