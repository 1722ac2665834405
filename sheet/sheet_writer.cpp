#include <dexmora/sheet.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <new>

#include "render/vector_geometry.h"
#include "sheet/caption_fonts.h"
#include "sheet/caption_shaping.h"
#include "sheet/embedded_font.h"
#include "sheet/label_placement.h"
#include "render/pdf_objects.h"

namespace dexmora {

namespace {

std::string points(double mm) { return formatNumber(mm * POINTS_PER_MM); }

std::string hexGlyph(uint32_t glyph) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string hex(4, '0');
  for (int i = 3; i >= 0; --i, glyph >>= 4) hex[static_cast<size_t>(i)] = kDigits[glyph & 15];
  return hex;
}

struct PlacedLabel {
  const Symbol* symbol;
  SheetCell cell;
  LabelBox box;
  ShapedCaption caption;
};

// A page's drawing, built up label by label; `height` turns top-down
// millimetres into PDF's bottom-up points.
class PageContent {
 public:
  PageContent(double pageHeightMm, const PaintColours& colours, bool paintLight)
      : m_height(pageHeightMm), m_colours(colours), m_paintLight(paintLight) {}

  void outline(const std::vector<SheetCell>& cells) {
    m_out += "q\n0 G\n0.25 w\n";
    for (const SheetCell& cell : cells) {
      m_out += points(cell.left) + ' ' + points(m_height - cell.top - cell.height) + ' ' + points(cell.width) + ' ' +
               points(cell.height) + " re\n";
    }
    m_out += "S\nQ\n";
  }

  // The symbol as the one-symbol PDF draws it: its light area, then the dark
  // modules as one path of rectangles in module units under one `cm`.
  void symbol(const Symbol& symbol, const LabelBox& box, int quietZone) {
    if (m_paintLight) {
      m_out += colourOperator(m_colours.light, "g", "rg") + points(box.symbolLeft) + ' ' +
               points(m_height - box.symbolTop - box.symbolHeight) + ' ' + points(box.symbolWidth) + ' ' +
               points(box.symbolHeight) + " re f\n";
    }
    const double module = box.xdim * POINTS_PER_MM;
    m_out += colourOperator(m_colours.dark, "g", "rg") +
             modulePath(symbol, {module, 0, 0, -module, (box.symbolLeft + quietZone * box.xdim) * POINTS_PER_MM,
                                 (m_height - box.symbolTop - quietZone * box.xdim) * POINTS_PER_MM});
  }

  // Glyph widths come from the font's /W; a shaped advance or offset that
  // differs is a TJ adjustment, a vertical offset a text rise.
  void caption(const ShapedCaption& caption, const LabelBox& box, double size, CaptionFonts& fonts,
               const std::map<int, EmbeddedFont>& embedded, const std::map<int, size_t>& resource) {
    if (caption.runs.empty()) return;
    m_out += "BT\n0 g\n" + points(box.captionLeft) + ' ' + points(m_height - box.captionBaseline) + " Td\n";
    const std::string fontSize = formatNumber(size);
    for (const ShapedRun& run : caption.runs) {
      const EmbeddedFont& font = embedded.at(run.font);
      const double perUnit = 1000.0 / fonts.font(run.font).unitsPerEm();
      m_out += "/F" + std::to_string(resource.at(run.font)) + ' ' + fontSize + " Tf\n[";
      bool inHex = false;
      const auto number = [&](double value) {
        if (std::fabs(value) < 1e-4) return;
        if (inHex) m_out += '>';
        inHex = false;
        m_out += formatNumber(value);
      };
      for (const ShapedGlyph& glyph : run.glyphs) {
        const uint32_t code = font.newGlyph.at(glyph.glyph);
        number(-glyph.xOffset * perUnit);
        if (glyph.yOffset != 0) {
          if (inHex) m_out += '>';
          inHex = false;
          m_out += "] TJ\n" + formatNumber(glyph.yOffset * perUnit * size / 1000) + " Ts\n[";
        }
        if (!inHex) m_out += '<';
        inHex = true;
        m_out += hexGlyph(code);
        number(font.widths[code] - glyph.advance * perUnit + glyph.xOffset * perUnit);
        if (glyph.yOffset != 0) {
          if (inHex) m_out += '>';
          inHex = false;
          m_out += "] TJ\n0 Ts\n[";
        }
      }
      if (inHex) m_out += '>';
      m_out += "] TJ\n";
    }
    m_out += "ET\n";
  }

  const std::string& text() const { return m_out; }

 private:
  double m_height;
  PaintColours m_colours;
  bool m_paintLight;
  std::string m_out;
};

}  // namespace

struct SheetWriter::State {
  SheetSettings settings;
  SheetLayout layout;
  std::unique_ptr<CaptionFonts> fonts;

  Expected<SheetPdf> draw(const std::vector<SheetLabel>& labels);
};

SheetWriter::SheetWriter(std::unique_ptr<State> state) : m_state(std::move(state)) {}
SheetWriter::SheetWriter(SheetWriter&& other) noexcept = default;
SheetWriter& SheetWriter::operator=(SheetWriter&& other) noexcept = default;
SheetWriter::~SheetWriter() = default;

Expected<SheetWriter> SheetWriter::open(const SheetSettings& settings) {
  try {
    if (Expected<void> valid = checkRenderSettings(settings.render()); !valid) return valid.error();
    if (!(settings.captionSize() >= 1 && settings.captionSize() <= 144)) {
      return Error(ErrorCode::BadOption, "a caption size of " + formatNumber(settings.captionSize()) +
                                             " pt is outside 1 to 144 pt");
    }
    Expected<SheetLayout> layout = SheetLayout::make(settings);
    if (!layout) return layout.error();
    Expected<std::unique_ptr<CaptionFonts>> fonts = CaptionFonts::open(settings.font());
    if (!fonts) return fonts.error();
    return SheetWriter(std::unique_ptr<State>(
        new State{settings, std::move(layout).value(), std::move(fonts).value()}));
  } catch (const std::bad_alloc&) {
    return Error(ErrorCode::OutOfMemory, "out of memory");
  }
}

Expected<SheetPdf> SheetWriter::pdf(const std::vector<SheetLabel>& labels) {
  try {
    return m_state->draw(labels);
  } catch (const std::bad_alloc&) {
    return Error(ErrorCode::OutOfMemory, "out of memory");
  }
}

Expected<SheetFileReport> SheetWriter::writeFile(const std::string& path, const std::vector<SheetLabel>& labels,
                                                 const OutputFileOptions& options) {
  Expected<SheetPdf> sheet = pdf(labels);
  if (!sheet) return sheet.error();
  Expected<WriteReport> written = dexmora::writeFile(path, sheet->bytes, options);
  if (!written) return written.error();
  return SheetFileReport{std::move(sheet->refused), std::move(written->warnings)};
}

Expected<SheetPdf> SheetWriter::State::draw(const std::vector<SheetLabel>& labels) {
  SheetPdf sheet;
  std::vector<PlacedLabel> placed;
  // The glyphs each font gives, with their text; fonts in order of first use.
  std::map<int, std::map<uint32_t, std::string>> used;
  std::map<int, size_t> resource;
  for (size_t i = 0; i < labels.size(); ++i) {
    if (!labels[i].symbol()) continue;
    Expected<ShapedCaption> caption = shapeCaption(*fonts, labels[i].caption(), settings.captionSize());
    if (!caption) {
      sheet.refused.push_back({i, caption.error()});
      continue;
    }
    const SheetCell cell = layout.labelCell(i);
    Expected<LabelBox> box = placeLabel(cell, *labels[i].symbol(), *caption, labels[i].caption(), settings);
    if (!box) {
      sheet.refused.push_back({i, box.error()});
      continue;
    }
    for (const ShapedRun& run : caption->runs) {
      resource.emplace(run.font, resource.size());
      std::map<uint32_t, std::string>& glyphs = used[run.font];
      for (const ShapedGlyph& glyph : run.glyphs) {
        std::string& text = glyphs[glyph.glyph];
        if (text.empty()) text = glyph.text;
      }
    }
    placed.push_back({&*labels[i].symbol(), cell, *box, std::move(caption).value()});
  }
  std::map<int, EmbeddedFont> embedded;
  for (const auto& [font, glyphs] : used) {
    Expected<EmbeddedFont> subset = embedFont(fonts->font(font), glyphs);
    if (!subset) return subset.error();
    embedded.emplace(font, std::move(subset).value());
  }

  // Objects: 1 catalog, 2 page tree, 3 resources, five for each font, then
  // each page and its content.
  const size_t pages = layout.pages(labels.size());
  const size_t firstFont = 4;
  const size_t firstPage = firstFont + 5 * embedded.size();
  PdfObjects pdf;
  pdf.object("<< /Type /Catalog /Pages 2 0 R >>");
  std::string kids;
  for (size_t page = 0; page < pages; ++page) kids += (page ? " " : "") + std::to_string(firstPage + 2 * page) + " 0 R";
  pdf.object("<< /Type /Pages /Kids [" + kids + "] /Count " + std::to_string(pages) + " >>");
  std::vector<std::pair<size_t, int>> byResource;
  for (const auto& [font, name] : resource) byResource.emplace_back(name, font);
  std::sort(byResource.begin(), byResource.end());
  std::string fontDictionary;
  for (const auto& [name, font] : byResource) {
    fontDictionary += " /F" + std::to_string(name) + ' ' + std::to_string(firstFont + 5 * name) + " 0 R";
  }
  pdf.object(fontDictionary.empty() ? "<< >>" : "<< /Font <<" + fontDictionary + " >> >>");
  for (const auto& [name, font] : byResource) {
    const EmbeddedFont& subset = embedded.at(font);
    const size_t at = pdf.next();
    pdf.object("<< /Type /Font /Subtype /Type0 /BaseFont /" + subset.baseFont +
               " /Encoding /Identity-H /DescendantFonts [" + std::to_string(at + 1) + " 0 R] /ToUnicode " +
               std::to_string(at + 4) + " 0 R >>");
    std::string widths;
    for (size_t glyph = 0; glyph < subset.widths.size(); ++glyph) {
      widths += (glyph ? " " : "") + formatNumber(subset.widths[glyph]);
    }
    pdf.object("<< /Type /Font /Subtype /CIDFontType2 /BaseFont /" + subset.baseFont +
               " /CIDSystemInfo << /Registry (Adobe) /Ordering (Identity) /Supplement 0 >> /FontDescriptor " +
               std::to_string(at + 2) + " 0 R /CIDToGIDMap /Identity /W [0 [" + widths + "]] >>");
    pdf.object("<< /Type /FontDescriptor /FontName /" + subset.baseFont + ' ' + subset.descriptor + " /FontFile2 " +
               std::to_string(at + 3) + " 0 R >>");
    pdf.stream(subset.fontFile, "/Length1 " + std::to_string(subset.fontFile.size()));
    pdf.stream(subset.toUnicode);
  }

  const SheetExtent paper = layout.paper();
  const std::string mediaBox = "[0 0 " + points(paper.width) + ' ' + points(paper.height) + "]";
  const PaintColours colours = printColours(paintColours(settings.render()));
  const bool paintLight = !paintColours(settings.render()).light.transparent();
  const int quietZone = settings.render().quietZone().value_or(kDefaultQuietZone);
  size_t next = 0;
  for (size_t page = 0; page < pages; ++page) {
    PageContent content(paper.height, colours, paintLight);
    if (settings.outline()) {
      std::vector<SheetCell> cells;
      for (size_t cell = 0; cell < layout.cellsPerPage(); ++cell) cells.push_back(layout.pageCell(page, cell));
      content.outline(cells);
    }
    for (; next < placed.size() && placed[next].cell.page == page; ++next) {
      const PlacedLabel& label = placed[next];
      content.symbol(*label.symbol, label.box, quietZone);
      content.caption(label.caption, label.box, settings.captionSize(), *fonts, embedded, resource);
    }
    pdf.object("<< /Type /Page /Parent 2 0 R /MediaBox " + mediaBox + " /Resources 3 0 R /Contents " +
               std::to_string(pdf.next() + 1) + " 0 R >>");
    pdf.stream(content.text());
  }
  sheet.bytes = pdf.finish(1);
  return sheet;
}

}  // namespace dexmora
