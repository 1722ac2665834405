#include <dexmora/encode.h>

#include <new>
#include <utility>

#include "core/encodation.h"
#include "core/encode_settings.h"
#include "core/message.h"
#include "core/placement.h"
#include "core/reed_solomon.h"
#include "core/symbol_access.h"

namespace dexmora {

namespace {

// Pads, error correction and placement of a data stream built for `sizeIndex`.
Symbol finishSymbol(int sizeIndex, std::vector<uint8_t> data, Dm144Layout layout, std::vector<Notice> notices) {
  const SymbolSize& size = SYMBOL_SIZES[sizeIndex];
  const int used = static_cast<int>(data.size());
  std::vector<uint8_t> codewords = std::move(data);
  codewords.resize(static_cast<size_t>(size.totalCodewords()));
  addPadding(codewords.data(), used, size.dataCodewords);
  computeErrorCorrection(codewords.data(), size, layout);
  std::vector<uint8_t> grid(static_cast<size_t>(size.mappingRows()) * static_cast<size_t>(size.mappingCols()));
  placeCodewords(grid.data(), size.mappingRows(), size.mappingCols(), codewords.data(), codewords.size());
  return detail::SymbolAccess::make(sizeIndex, std::move(codewords), used, frameModules(size, grid.data()), layout,
                                    std::move(notices));
}

Expected<DataStream> encodeForRequest(const uint8_t* text, size_t length, const EncodeSettings& options) {
  int candidates[SIZE_COUNT];
  const int count = candidateSizes(options.size, candidates);
  return encodeData(text, length, options.data, candidates, count);
}

// What would fit a text that is too long under `options`, found by trying:
// minimal encodation for the same size request, and, for a size asked for
// exactly, the size the request would fall back to. Only on the failure
// path: at most two more encodations of a text the bounds already limit.
Message tooLongHint(const uint8_t* text, size_t length, const EncodeSettings& options) {
  Message hint;
  if (options.data.encodation != Encodation::Minimal) {
    EncodeSettings minimal = options;
    minimal.data.encodation = Encodation::Minimal;
    if (const Expected<DataStream> data = encodeForRequest(text, length, minimal)) {
      hint += "; " + optionKey("encodation") + " minimal needs " + std::to_string(data->codewords.size()) +
              " and fits " + sizeName(SYMBOL_SIZES[data->sizeIndex]);
    }
  }
  if (options.size.exact && options.size.rows > 0) {
    EncodeSettings fallback = options;
    fallback.size.exact = false;
    if (const Expected<DataStream> data = encodeForRequest(text, length, fallback)) {
      hint += "; without " + optionKey("exact-size") + " it gets " + sizeName(SYMBOL_SIZES[data->sizeIndex]);
    }
  }
  return hint;
}

// The size asked for, when the text needed a larger one of its shape.
std::vector<Notice> raisedSize(int sizeIndex, const SizeRequest& request) {
  const SymbolSize& used = SYMBOL_SIZES[sizeIndex];
  if (request.rows == 0 || (request.rows == used.rows && request.cols == used.cols)) return {};
  const std::string asked = std::to_string(request.rows) + "x" + std::to_string(request.cols);
  return {Notice(NoticeCode::SizeRaised, {{"asked", asked}, {"used", sizeName(used)}},
                 "the text does not fit " + asked + "; using " + sizeName(used))};
}

}  // namespace

Expected<Symbol> encode(const uint8_t* text, size_t length, const EncodeOptions& encodeOptions) {
  try {
    const EncodeSettings& options = settingsOf(encodeOptions);
    if (Expected<void> valid = checkEncodeSettings(options); !valid) return valid.error();
    // A blank label reported as made is worse than a refusal.
    if (length == 0) return Error(ErrorCode::EmptyText, "the text is empty");
    Expected<DataStream> data = encodeForRequest(text, length, options);
    // The data encodation's message names no option, so its text is its raw form.
    if (!data && data.error().code() == ErrorCode::TooLong) {
      return makeError(ErrorCode::TooLong, Message(data.error().message()) + tooLongHint(text, length, options));
    }
    if (!data) return data.error();
    DataStream stream = std::move(data).value();
    std::vector<Notice> notices = raisedSize(stream.sizeIndex, options.size);
    return finishSymbol(stream.sizeIndex, std::move(stream.codewords), options.dm144, std::move(notices));
  } catch (const std::bad_alloc&) {
    return Error(ErrorCode::OutOfMemory, "out of memory");
  }
}

}  // namespace dexmora
