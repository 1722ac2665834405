#pragma once

/// @file
/// Label sheets: many symbols with their captions laid out in a grid of
/// cells on one or more pages of a PDF. Lengths are in millimetres, caption
/// sizes in points. This is the library dexmora_sheet, which brings HarfBuzz,
/// fontconfig and FreeType; the encoder and renderer need none of them.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include <dexmora/error.h>
#include <dexmora/options.h>
#include <dexmora/output_file.h>
#include <dexmora/render.h>
#include <dexmora/symbol.h>

namespace dexmora {

/// A width and a height in millimetres.
struct SheetExtent {
  double width = 0;   ///< millimetres
  double height = 0;  ///< millimetres
};

/// Two lengths in millimetres: a margin's top and left, or a pitch's
/// horizontal and vertical step.
struct SheetPair {
  double first = 0;   ///< top (margin) or horizontal (pitch)
  double second = 0;  ///< left (margin) or vertical (pitch)
};

/// Columns and rows of cells on a page.
struct SheetGrid {
  int columns = 1;  ///< cells across
  int rows = 1;     ///< cells down
};

/// Where a label's caption goes.
enum class CaptionSide : uint8_t {
  Below,  ///< under the symbol, centred
  Right,  ///< beside the symbol, for small wide labels
};

/// Parses a paper: a4, a5, letter, legal (any case) or WxH with a unit, mm,
/// cm, in or pt ("100x150mm", "4inx6in"); BadOption otherwise (option key "sheet").
Expected<SheetExtent> parsePaper(std::string_view text);
/// Parses a cell size, WxH with a unit as parsePaper() takes it (option key "cell").
Expected<SheetExtent> parseCellSize(std::string_view text);
/// Parses COLSxROWS, each 1 to 100 (option key "grid").
Expected<SheetGrid> parseGrid(std::string_view text);
/// Parses TOP,LEFT, each a length with a unit or a number before a unit
/// that ends the pair ("10,7.5mm"); 0 allowed (option key "sheet-margin").
Expected<SheetPair> parseMargin(std::string_view text);
/// Parses H,V, the step from one cell's corner to the next, as parseMargin() (option key "pitch").
Expected<SheetPair> parsePitch(std::string_view text);
/// Parses a caption size in points, 1 to 144, "8" or "8pt" (option key "caption-size").
Expected<double> parseCaptionSize(std::string_view text);
/// Parses below or right (option key "caption-side").
Expected<CaptionSide> parseCaptionSide(std::string_view text);

/// Everything a sheet is laid out and drawn with. The defaults: an A4 page,
/// one cell filling it, no margin, captions below in 8 pt sans-serif, the
/// symbols at render().xdimMm (0.5 mm when not set) in render()'s colours.
/// Its data sit behind a pointer, so that fields can be added without
/// changing the class's size.
class SheetSettings {
 public:
  /// The default settings above.
  SheetSettings();
  /// A copy of `other`.
  SheetSettings(const SheetSettings& other);
  /// Becomes a copy of `other`.
  SheetSettings& operator=(const SheetSettings& other);
  /// Takes over `other`'s data; `other` may only be assigned to or destroyed.
  SheetSettings(SheetSettings&& other) noexcept;
  /// Takes over `other`'s data.
  SheetSettings& operator=(SheetSettings&& other) noexcept;
  /// Releases the data.
  ~SheetSettings();

  /// The page size.
  SheetExtent paper() const;
  /// Sets the page size.
  void setPaper(const SheetExtent& paper);
  /// Columns and rows of cells on each page.
  SheetGrid grid() const;
  /// Sets the grid.
  void setGrid(const SheetGrid& grid);
  /// The cell size; when not set the cells are the pitch, or else fill the
  /// page inside the margins (the same margin on the right and at the bottom).
  std::optional<SheetExtent> cell() const;
  /// Sets or clears the cell size.
  void setCell(const std::optional<SheetExtent>& cell);
  /// The top and left margin; when not set, 0 without a cell size and the
  /// grid centred on the page with one.
  std::optional<SheetPair> margin() const;
  /// Sets or clears the margin.
  void setMargin(const std::optional<SheetPair>& margin);
  /// The step from one cell's corner to the next; the cell size when not set.
  std::optional<SheetPair> pitch() const;
  /// Sets or clears the pitch.
  void setPitch(const std::optional<SheetPair>& pitch);
  /// Cells of the first page left empty (a sheet partly used before).
  int skip() const;
  /// Sets the cells skipped, 0 to one less than the cells on a page.
  void setSkip(int skip);
  /// Where captions go.
  CaptionSide captionSide() const;
  /// Sets where captions go.
  void setCaptionSide(CaptionSide side);
  /// The captions' size in points.
  double captionSize() const;
  /// Sets the captions' size in points, 1 to 144.
  void setCaptionSize(double points);
  /// The fontconfig pattern of the captions' first font; fonts for the
  /// scripts it lacks follow from fontconfig's list for the same pattern.
  const std::string& font() const;
  /// Sets the font pattern.
  void setFont(std::string pattern);
  /// Whether every cell's border is drawn (a test print on plain paper).
  bool outline() const;
  /// Sets whether cell borders are drawn.
  void setOutline(bool outline);
  /// Whether each symbol gets the largest X-dimension that fits its cell
  /// with its quiet zone and caption, instead of render().xdimMm.
  bool xdimFit() const;
  /// Sets whether the X-dimension fits the cell.
  void setXdimFit(bool fit);
  /// The X-dimension, quiet zone and colours of the symbols.
  const RenderSettings& render() const;
  /// Sets the symbols' rendering settings.
  void setRender(const RenderSettings& render);

 private:
  struct Data;
  std::unique_ptr<Data> m_data;
};

/// Sets one setting by its option key and text, the way front ends receive
/// them, through the parsers above: "sheet", "grid", "cell", "sheet-margin",
/// "pitch", "skip" (0 or more), "caption-side", "caption-size", "font",
/// "outline" (a switch: "", "1", "0", ...) and "xdim", which takes "fit"
/// alone (a length is a rendering option). BadOption otherwise.
Expected<void> setSheetOption(SheetSettings& settings, std::string_view key, std::string_view value);

/// Whether `key` is one setSheetOption() takes, with `value` for "xdim".
bool isSheetOption(std::string_view key, std::string_view value);

/// A cell on a page: its page from 0 and its top-left corner measured from
/// the page's top-left corner, in millimetres.
struct SheetCell {
  size_t page = 0;     ///< from 0
  double left = 0;     ///< millimetres from the page's left edge
  double top = 0;      ///< millimetres from the page's top edge
  double width = 0;    ///< millimetres
  double height = 0;   ///< millimetres
};

/// Where the cells of a sheet lie. Label N (from 0) goes to cell skip + N,
/// counted row by row over as many pages as it takes.
class SheetLayout {
 public:
  /// Checks the settings' paper, grid, cell, margin, pitch and skip and lays
  /// the grid out; BadOption names what does not fit the page.
  static Expected<SheetLayout> make(const SheetSettings& settings);

  /// Cells on each page.
  size_t cellsPerPage() const { return static_cast<size_t>(m_grid.columns) * static_cast<size_t>(m_grid.rows); }
  /// The cell label `index` goes to.
  SheetCell labelCell(size_t index) const;
  /// Cell `index` of a page, counted row by row from 0, on page `page`.
  SheetCell pageCell(size_t page, size_t index) const;
  /// Pages `labels` labels take (at least one).
  size_t pages(size_t labels) const;
  /// The page size.
  const SheetExtent& paper() const { return m_paper; }

 private:
  SheetLayout() = default;
  SheetExtent m_paper;
  SheetGrid m_grid;
  SheetExtent m_cell;
  SheetPair m_origin;  // the first cell's top and left
  SheetPair m_pitch;   // horizontal, vertical
  size_t m_skip = 0;
};

/// A caption template: literal text with {text} (the label's text), {name}
/// (its TSV name) and {n} (its line number); {{ and }} are braces.
class CaptionTemplate {
 public:
  /// BadOption for an unknown field or an unmatched brace (option key "caption").
  static Expected<CaptionTemplate> parse(std::string_view text);
  /// The caption of one label.
  std::string expand(std::string_view text, std::string_view name, size_t number) const;
  /// Whether {name} appears, which only lines with names can fill.
  bool usesName() const { return m_usesName; }

 private:
  CaptionTemplate() = default;
  std::vector<std::string> m_pieces;  // 'L' and literal text, or a field: "t", "m" (name), "n"
  bool m_usesName = false;
};

/// One label: a symbol and its caption (UTF-8, may be empty), or a blank
/// that leaves its cell empty (a line refused before it got a symbol).
class SheetLabel {
 public:
  /// A blank label.
  SheetLabel() = default;
  /// A symbol with its caption.
  SheetLabel(Symbol symbol, std::string caption) : m_symbol(std::move(symbol)), m_caption(std::move(caption)) {}

  /// The symbol, or nothing for a blank.
  const std::optional<Symbol>& symbol() const { return m_symbol; }
  /// The caption.
  const std::string& caption() const { return m_caption; }

 private:
  std::optional<Symbol> m_symbol;
  std::string m_caption;
};

/// Encodes `text` with `options` into a label captioned by `caption`
/// expanded for (text, name, number); the encoder's error when it fails.
Expected<SheetLabel> makeSheetLabel(std::string_view text, std::string_view name, size_t number,
                                    const EncodeOptions& options, const CaptionTemplate& caption);

/// A label left out of the sheet, its cell left empty, and why.
struct SheetRefusal {
  size_t index;  ///< the label's place in the list, from 0
  Error error;   ///< PictureTooLarge when it does not fit its cell (the message names the size needed),
                 ///< NotEncodable when no font has a character of its caption
};

/// A finished sheet: the PDF and the labels left out of it.
struct SheetPdf {
  std::string bytes;                  ///< the PDF
  std::vector<SheetRefusal> refused;  ///< in label order
};

/// A sheet written to a file: the labels left out and the writer's warnings.
struct SheetFileReport {
  std::vector<SheetRefusal> refused;  ///< in label order
  std::vector<std::string> warnings;  ///< one line each, for the user
};

/// Draws sheets. It owns the fontconfig configuration and the FreeType
/// library it finds and reads the fonts with; movable, not copyable; one
/// thread at a time. The same settings and labels always give the same bytes.
class SheetWriter {
 public:
  /// Checks `settings` (SheetLayout::make(), the rendering settings, the
  /// caption size) and loads fontconfig's configuration; BadOption for a
  /// font pattern fontconfig cannot parse or that matches no usable font.
  static Expected<SheetWriter> open(const SheetSettings& settings);

  /// Takes over `other`'s fonts.
  SheetWriter(SheetWriter&& other) noexcept;
  /// Releases this writer's fonts and takes over `other`'s.
  SheetWriter& operator=(SheetWriter&& other) noexcept;
  SheetWriter(const SheetWriter&) = delete;
  SheetWriter& operator=(const SheetWriter&) = delete;
  /// Releases the fonts, FreeType and fontconfig.
  ~SheetWriter();

  /// The labels as a PDF, one per cell from the layout's first; a label that
  /// cannot be drawn is refused alone and its cell stays empty. Fails only
  /// for OutOfMemory or a font the subsetter cannot read (RenderFailed).
  Expected<SheetPdf> pdf(const std::vector<SheetLabel>& labels);
  /// pdf() written to `path` through writeFile(): replaced atomically, never truncated.
  Expected<SheetFileReport> writeFile(const std::string& path, const std::vector<SheetLabel>& labels,
                                      const OutputFileOptions& options = {});

 private:
  struct State;
  explicit SheetWriter(std::unique_ptr<State> state);
  std::unique_ptr<State> m_state;
};

}  // namespace dexmora
