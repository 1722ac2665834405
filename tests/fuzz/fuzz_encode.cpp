#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "classic/encode_job.h"
#include "classic/symbol_steps.h"
#include "classic/symbol_tables.h"
#include <dexmora/dexmora_c.h>
#include <dexmora/encode.h>
#include <dexmora/option_set.h>
#include <dexmora/render.h>
#include <dexmora/sheet.h>
#include <dexmora/verify.h>

#include "core/encode_settings.h"
#include "core/option_parsers.h"
#include "core/size_table.h"
#include "render/raster.h"
#include "render/render_parsers.h"
#include "server/product.h"
#include "server/query.h"
#include "server/symbol_request.h"

#ifdef DEXMORA_HAVE_ZXING
#include <ZXing/ReadBarcode.h>
#endif

// Input layout: six header bytes choose the options, the rest is the text.
// The rendering options are drawn from the text's bytes (see renderOptions),
// and the text is also given to the option parsers as a value (bytes 3, 4
// and 5 pick a key of the library's options, the sheet's and the C interface's).
//   0  size: 0 automatic, 1..48 that table size, 255 a size that does not exist
//   1  bits 0-1 shape (square, rectangle, any, any), 2 DMRE, 3 de-facto 144x144,
//      4 GS1, 5 GS1 group separator, 6 GS1 without check, 7 reader initialisation
//   2  bits 0-2 encodation, 3-4 macro (none, 05, 06, invalid 7), 5 ECI,
//      6 structured append, 7 also run the classic pipeline
//   3  ECI designator / 3923 (reaches past the largest, 999999)
//   4  structured append: position in the low nibble, count - 1 in the high
//   5  structured append file identifier / 131
namespace {

using namespace dexmora;

constexpr size_t HEADER_BYTES = 6;

[[noreturn]] void violated(const char* what) {
  std::fprintf(stderr, "invariant violated: %s\n", what);
  std::abort();
}

void require(bool holds, const char* what) {
  if (!holds) violated(what);
}

EncodeOptions decodeOptions(const uint8_t* header) {
  EncodeOptions options;
  if (header[0] >= 1 && header[0] <= SIZE_COUNT) {
    options.setSize(SYMBOL_SIZES[header[0] - 1].rows, SYMBOL_SIZES[header[0] - 1].cols);
  } else if (header[0] == 255) {
    options.setSize(9, 18);
  }
  constexpr Shape shapes[4] = {Shape::Square, Shape::Rectangle, Shape::Any, Shape::Any};
  options.setShape(shapes[header[1] & 3]);
  options.setDmre((header[1] & 4) != 0);
  options.setDm144((header[1] & 8) != 0 ? Dm144Layout::Defacto : Dm144Layout::Iso);
  DataOptions& data = settingsOf(options).data;
  data.gs1 = (header[1] & 16) != 0;
  data.gs1GroupSeparator = (header[1] & 32) != 0;
  data.gs1NoCheck = (header[1] & 64) != 0;
  data.readerInit = (header[1] & 128) != 0;
  data.encodation = static_cast<Encodation>(header[2] & 7);
  constexpr int macros[4] = {0, 5, 6, 7};
  data.macro = macros[(header[2] >> 3) & 3];
  if ((header[2] & 32) != 0) data.eci = header[3] * 3923;
  if ((header[2] & 64) != 0) {
    data.structuredAppend.position = header[4] & 15;
    data.structuredAppend.count = (header[4] >> 4) + 1;
    data.structuredAppend.fileId = header[5] * 131;
  }
  return options;
}

// The ECC200 finder: solid left column and bottom row, alternating top row
// (dark at the left) and right column (dark at the bottom).
void checkFinder(const Symbol& symbol) {
  const int rows = symbol.rows(), cols = symbol.cols();
  for (int y = 0; y < rows; ++y) {
    require(symbol.isDark(0, y), "left column dark");
    require(symbol.isDark(cols - 1, y) == ((rows - 1 - y) % 2 == 0), "right column alternates");
  }
  for (int x = 0; x < cols; ++x) {
    require(symbol.isDark(x, rows - 1), "bottom row dark");
    require(symbol.isDark(x, 0) == (x % 2 == 0), "top row alternates");
  }
}

void checkSymbol(const Symbol& symbol, const SizeRequest& request) {
  int candidates[SIZE_COUNT];
  const int count = candidateSizes(request, candidates);
  bool allowed = false;
  for (int i = 0; i < count; ++i) allowed = allowed || candidates[i] == symbol.sizeIndex();
  require(allowed, "the size is one of the candidates");
  const SymbolSize& size = SYMBOL_SIZES[symbol.sizeIndex()];
  require(symbol.rows() == size.rows && symbol.cols() == size.cols, "sides of the table row");
  require(symbol.codewords().size() == static_cast<size_t>(size.totalCodewords()), "total codewords of the size");
  require(symbol.dataLength() >= 0 && symbol.dataLength() <= size.dataCodewords, "data within the capacity");
  require(symbol.modules().size() == static_cast<size_t>(size.area()), "one byte per module");
  for (uint8_t module : symbol.modules()) require(module <= 1, "every module is 0 or 1");
  checkFinder(symbol);
}

// The centre pixel of every module shows the module's colour; rectangles and
// DMRE sizes have exact 5-pixel modules in a 10-pixel margin.
void checkRaster(const Raster& raster, const Symbol& symbol) {
  const int rows = symbol.rows(), cols = symbol.cols();
  require(raster.width == static_cast<uint32_t>(5 * cols + 20) && raster.height == static_cast<uint32_t>(5 * rows + 20),
          "picture is 5 x side + 20 pixels");
  require(raster.rgb.size() == static_cast<size_t>(raster.width) * raster.height * 3, "three bytes a pixel");
  require(raster.colStart.size() == static_cast<size_t>(cols) + 1 && raster.rowStart.size() == static_cast<size_t>(rows) + 1,
          "a span for every module");
  const bool exact = symbol.size().kind != SizeKind::Square;
  for (int y = 0; y < rows; ++y) {
    const int top = raster.rowStart[static_cast<size_t>(y)], bottom = raster.rowStart[static_cast<size_t>(y) + 1];
    require(bottom > top, "rows have height");
    require(!exact || top == 10 + 5 * y, "exact row geometry");
    for (int x = 0; x < cols; ++x) {
      const int left = raster.colStart[static_cast<size_t>(x)], right = raster.colStart[static_cast<size_t>(x) + 1];
      require(right > left, "columns have width");
      require(!exact || left == 10 + 5 * x, "exact column geometry");
      const size_t at = (static_cast<size_t>((top + bottom) / 2) * raster.width + static_cast<size_t>((left + right) / 2)) * 3;
      require((raster.rgb[at] == 0) == symbol.isDark(x, y), "module centre shows the module's colour");
    }
  }
}

#ifdef DEXMORA_HAVE_ZXING
// Plain data reads back as the text. The standard's 144x144 interleaving is
// one zxing-cpp does not read, and GS1, ECI, macro, reader initialisation and
// structured append change what the reader reports, so those are left out.
void checkScan(const Raster& raster, const Symbol& symbol, const EncodeOptions& options, const std::string& text) {
  const DataOptions& data = settingsOf(options).data;
  if (data.gs1 || data.eci || data.macro != 0 || data.readerInit || data.structuredAppend.count > 1) return;
  if (symbol.sizeIndex() == SQUARE_SIZE_COUNT - 1 && options.dm144() == Dm144Layout::Iso) return;
  const ZXing::ImageView view(raster.rgb.data(), static_cast<int>(raster.width), static_cast<int>(raster.height),
                              ZXing::ImageFormat::RGB);
  const ZXing::Result result =
      ZXing::ReadBarcode(view, ZXing::DecodeHints().setFormats(ZXing::BarcodeFormat::DataMatrix));
  require(result.isValid(), "zxing-cpp reads the symbol");
  require(std::string(result.bytes().begin(), result.bytes().end()) == text, "zxing-cpp reads the text");
}
#endif

// The classic pipeline up to placement, with the requested side in the
// process-wide requestedSize as dmCreateEncoder leaves it; for a stream that
// fits it builds exactly the core's Basic symbol.
void checkClassic(const uint8_t* header, const std::vector<uint8_t>& text) {
  const int index = header[0] >= 1 && header[0] <= SQUARE_SIZE_COUNT ? header[0] - 1 : -1;
  // A negative side is no row of the table: selection treats it as automatic.
  requestedSize = index >= 0 ? SYMBOL_SIZES[index].rows : -header[0];
  DmSymbol symbol = {};
  dmEncodeData(&symbol, text.data(), static_cast<int32_t>(text.size()));
  dmAddPadding(&symbol);
  dmComputeEcc(&symbol);
  dmAllocGrid(&symbol);
  dmPlaceCodewords(&symbol);
  const size_t modules = static_cast<size_t>(symbol.gridRows) * static_cast<size_t>(symbol.gridCols);
  size_t assigned = 0;
  for (size_t i = 0; i < modules; ++i) assigned += (symbol.moduleGrid[i] & DM_MODULE_ASSIGNED) != 0;
  require(assigned == 8u * symbol.totalCodewords, "every classic codeword placed once");

  EncodeOptions options;
  if (index >= 0) options.setSize(SYMBOL_SIZES[index].rows, SYMBOL_SIZES[index].rows);
  const Expected<Symbol> core = encode(text.data(), text.size(), options);
  if (core) {
    require(core->sizeIndex() == symbol.sizeIndex, "classic and core choose the same size");
    require(std::vector<uint8_t>(symbol.codewords, symbol.codewords + symbol.totalCodewords) == core->codewords(),
            "classic and core make the same codewords");
  }
  dmFreeSymbol(&symbol);
}

// Every option parser takes any bytes as a value: a value or an error with a
// message, never a crash.
void checkParsers(const std::string& value) {
  auto check = [](const auto& parsed) { require(parsed.ok() || !parsed.error().message().empty(), "a refusal says why"); };
  check(parseModulePixels(value));
  check(parseLength(value));
  check(parseDpi(value));
  check(parseQuietZone(value));
  check(parseColour(value, true));
  check(parseFormat(value));
  check(parseSize(value));
  check(parseShape(value));
  check(parseDm144(value));
  check(parseEncodation(value));
  check(parseEci(value));
  check(parseMacro(value));
  check(parseStructuredAppend(value));
  check(formatForPath(value, std::nullopt));
}

// Values no caller should pass, which every entry must refuse or survive.
constexpr int kHostileInts[] = {-5, 0, -1, 101, 100000, 2147483647, -2147483647 - 1};
constexpr double kHostileLengths[] = {-1.0, 0.0, 1e9, 1e-9, 25.41};

// Rendering options from the text's bytes, so that they vary with the input
// without a header byte of their own; one input in eight gets a hostile
// value somewhere, as a careless caller of the public API might pass.
RenderSettings renderOptions(const std::vector<uint8_t>& text) {
  uint32_t h = 2166136261u;
  for (uint8_t b : text) h = (h ^ b) * 16777619u;
  RenderSettings settings;
  if (h & 1) settings.setModulePixels(1 + static_cast<int>((h >> 1) % 6));
  if (h & 8) settings.setXdimMm(0.1 + ((h >> 4) % 50) / 50.0);
  if (h & 16 && !settings.modulePixels()) settings.setDpi(72 + static_cast<int>((h >> 5) % 600));
  // Some inputs give no picture setting at all: the first release's picture.
  if ((h >> 10) & 4) settings.setQuietZone(static_cast<int>((h >> 10) % 4));
  if ((h >> 11) & 2) settings.setInvert((h >> 12) & 1);
  if ((h >> 13) & 1) settings.setForeground(Colour{static_cast<uint8_t>(h >> 16), 0, static_cast<uint8_t>(h >> 24), 255});
  if ((h >> 14) & 1) settings.setBackground(Colour{255, 255, 255, static_cast<uint8_t>((h >> 15) & 1 ? 0 : 255)});
  if (((h >> 17) & 7) != 0) return settings;
  const int hostile = kHostileInts[(h >> 20) % std::size(kHostileInts)];
  switch ((h >> 23) % 6) {
    case 0: settings.setModulePixels(hostile); break;
    case 1: settings.setDpi(hostile); break;
    case 2: settings.setQuietZone(hostile); break;
    case 3: settings.setXdimMm(kHostileLengths[(h >> 26) % std::size(kHostileLengths)]); break;
    case 4: settings.setLimits({static_cast<uint32_t>(hostile), settings.limits().maxPixels}); break;
    default:
      settings.setLimits({settings.limits().maxSide, static_cast<uint64_t>(static_cast<uint32_t>(hostile)) % 100000});
      break;
  }
  return settings;
}

// Every format renders the symbol or refuses the settings with a reason,
// exactly when the check refuses them; a compact PNG reads back module for
// module.
void checkFormats(const Symbol& symbol, const std::vector<uint8_t>& text) {
  const RenderSettings settings = renderOptions(text);
  constexpr OutputFormat formats[] = {OutputFormat::Png, OutputFormat::Svg, OutputFormat::Pdf, OutputFormat::Eps,
                                      OutputFormat::Txt};
  const OutputFormat format = formats[text.size() % 5];
  const Expected<void> valid = checkRenderSettings(settings);
  if (!valid) {
    require(!valid.error().message().empty(), "refused settings say why");
    const Expected<Rendering> refused = render(symbol, format, settings);
    require(!refused.ok() && refused.error().code() == ErrorCode::BadOption, "render refuses what the check refuses");
    return;
  }
  // The vector writers are slow next to encoding on the largest symbols.
  if ((format == OutputFormat::Pdf || format == OutputFormat::Eps) && symbol.rows() > 52) return;
  const Expected<Rendering> rendered = render(symbol, format, settings);
  if (!rendered) {
    require(rendered.error().code() == ErrorCode::PictureTooLarge || rendered.error().code() == ErrorCode::BadOption,
            "valid settings render or are over a limit");
    return;
  }
  require(!rendered->bytes.empty(), "every format renders valid settings");
  if (format != OutputFormat::Png) return;
  const Expected<VerifyReport> check = verify(symbol, rendered->bytes, settings, VerifyExpectation{}, nullptr);
  require(check.ok() || check.error().code() == ErrorCode::PictureTooLarge,
          "a compact PNG shows every module as the symbol has it");
}

// Option text through the same door every front end uses: a key from the
// table and the text as its value must be stored or refused, never crash.
void checkOptionSet(const std::string& value, uint8_t pick) {
  const std::vector<OptionInfo>& table = optionTable();
  OptionSet options;
  const Expected<void> set = options.set(table[pick % table.size()].key, value);
  require(set.ok() || !set.error().message().empty(), "a refused option value says why");
  const Expected<void> finished = options.finish();
  require(finished.ok() || !finished.error().message().empty(), "a refused combination says why");
  const Expected<void> unknown = options.set(value, "1");
  require(findOption(value) != nullptr || !unknown.ok(), "only table keys are options");
}

// The service's request code: any bytes as a query string or a form body
// are split, decoded and made into options, or refused with a reason.
void checkServeRequest(const std::string& query) {
  for (const serve::PlusMeans plus : {serve::PlusMeans::Plus, serve::PlusMeans::Space}) {
    const Expected<std::vector<serve::Parameter>> parameters = serve::splitQuery(query, plus);
    if (!parameters) {
      require(!parameters.error().message().empty(), "a refused query says why");
      continue;
    }
    for (const serve::DataSource source : {serve::DataSource::Query, serve::DataSource::Body}) {
      const Expected<serve::SymbolRequest> request =
          serve::parseSymbolRequest(*parameters, source, query, plus == serve::PlusMeans::Space);
      if (!request) {
        require(!request.error().message().empty(), "a refused request says why");
        continue;
      }
      require(!request->data.empty() && serve::entityTag(*request).size() == 34, "a request has data and a tag");
      if (request->format != serve::Format::Json) continue;
      const Expected<serve::Product> product = serve::makeProduct(*request);
      require(product.ok() || !product.error().message().empty(), "a refused symbol says why");
    }
  }
}

// The sheet's option values and caption templates: stored or refused with a
// reason, and a layout that is made keeps its first cell on the page.
void checkSheetOptions(const std::string& value, uint8_t pick) {
  static constexpr const char* keys[] = {"sheet", "grid", "cell", "sheet-margin", "pitch", "skip",
                                         "caption-side", "caption-size", "font", "outline", "xdim"};
  SheetSettings settings;
  const Expected<void> set = setSheetOption(settings, keys[pick % std::size(keys)], value);
  require(set.ok() || !set.error().message().empty(), "a refused sheet option says why");
  const Expected<SheetLayout> layout = SheetLayout::make(settings);
  if (!layout) {
    require(!layout.error().message().empty(), "a refused layout says why");
  } else {
    const SheetCell cell = layout->labelCell(0);
    const SheetExtent& paper = layout->paper();
    require(cell.left >= 0 && cell.top >= 0 && cell.left + cell.width <= paper.width + 1e-6 &&
                cell.top + cell.height <= paper.height + 1e-6,
            "the first cell lies on the page");
  }
  const Expected<CaptionTemplate> caption = CaptionTemplate::parse(value);
  if (!caption) {
    require(!caption.error().message().empty(), "a refused caption template says why");
  } else {
    (void)caption->expand(value, value, 7);
  }
}

// Any bytes as a caption go through the shaper and the font subsetter: the
// label is drawn, or refused alone with a reason.
void checkSheetCaption(const Symbol& symbol, const std::vector<uint8_t>& text) {
  static std::optional<SheetWriter> writer;  // fontconfig's set-up is slow next to one label
  if (!writer) {
    Expected<SheetWriter> opened = SheetWriter::open(SheetSettings{});
    require(opened.ok(), "the default sheet writer opens");
    writer.emplace(std::move(*opened));
  }
  const Expected<SheetPdf> sheet = writer->pdf({SheetLabel(symbol, std::string(text.begin(), text.end()))});
  require(sheet.ok(), "one label's sheet is drawn");
  require(sheet->bytes.compare(0, 5, "%PDF-") == 0, "a sheet is a PDF");
  for (const SheetRefusal& refusal : sheet->refused) require(!refusal.error.message().empty(), "a refused label says why");
}

// The C interface over the same options: a key from the table set to the
// text, the text encoded and drawn; every failure has a name and a message.
void checkCInterface(const std::vector<uint8_t>& text, uint8_t pick) {
  const std::vector<OptionInfo>& table = optionTable();
  dexmora_options* options = dexmora_options_new();
  require(options != nullptr, "options are made");
  const std::string value(text.begin(), text.end());  // up to the first NUL, as C sees it
  const int set = dexmora_options_set(options, std::string(table[pick % table.size()].key).c_str(), value.c_str());
  require(dexmora_error_name(set) != nullptr, "every status has a name");
  require(set == 0 || *dexmora_last_error() != '\0', "a refused option says why");
  dexmora_symbol* symbol = nullptr;
  const int encoded = dexmora_encode(text.data(), text.size(), options, &symbol);
  require((encoded == 0) == (symbol != nullptr), "a symbol exactly when encoding succeeds");
  if (symbol != nullptr && dexmora_symbol_rows(symbol) <= 52) {
    unsigned char* bytes = nullptr;
    size_t length = 0;
    const int rendered = dexmora_render(symbol, options, "svg", &bytes, &length);
    require((rendered == 0) == (bytes != nullptr && length > 0), "bytes exactly when rendering succeeds");
    dexmora_free(bytes);
  }
  for (int i = 0; dexmora_symbol_notice(symbol, i) != nullptr; ++i) {
    require(dexmora_symbol_notice_message(symbol, i) != nullptr, "a notice has a message");
  }
  dexmora_symbol_free(symbol);
  dexmora_options_free(options);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < HEADER_BYTES) return -1;
  const uint8_t* header = data;
  const EncodeOptions options = decodeOptions(header);
  // A heap copy of exactly the text lets AddressSanitizer see any overread.
  const std::vector<uint8_t> text(data + HEADER_BYTES, data + size);

  const Expected<Symbol> symbol = encode(text.data(), text.size(), options);
  if (!symbol) {
    require(!symbol.error().message().empty(), "an error carries a message");
  } else {
    checkSymbol(*symbol, settingsOf(options).size);
    const Raster raster = rasterizeDefault(*symbol);
    checkRaster(raster, *symbol);
    checkFormats(*symbol, text);
#ifdef DEXMORA_HAVE_ZXING
    // Reading is slow next to encoding: one input in eight.
    if (size % 8 == 0) checkScan(raster, *symbol, options, std::string(text.begin(), text.end()));
#endif
    // Drawing a sheet loads fonts and subsets one: one input in sixteen.
    if (size % 16 == 3 && text.size() <= 256) checkSheetCaption(*symbol, text);
  }
  if ((header[2] & 128) != 0) checkClassic(header, text);
  if (text.size() <= 64) {
    checkParsers(std::string(text.begin(), text.end()));
    checkOptionSet(std::string(text.begin(), text.end()), header[3]);
    checkSheetOptions(std::string(text.begin(), text.end()), header[4]);
    checkCInterface(text, header[5]);
  }
  if (text.size() <= 512) checkServeRequest(std::string(text.begin(), text.end()));
  return 0;
}
