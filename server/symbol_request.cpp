#include "server/symbol_request.h"

#include <algorithm>
#include <cstdint>

#include <dexmora/encode.h>
#include <dexmora/option_set.h>
#include <dexmora/render.h>
#include <dexmora/version.h>

#include "dexmora_text/quoting.h"
#include "server/http_text.h"

namespace dexmora::serve {

namespace {

struct FormatEntry {
  Format format;
  std::string_view name;
  std::string_view mediaType;
};

constexpr FormatEntry kFormats[] = {
    {Format::Png, "png", "image/png"},
    {Format::Svg, "svg", "image/svg+xml"},
    {Format::Pdf, "pdf", "application/pdf"},
    {Format::Eps, "eps", "application/postscript"},
    {Format::Txt, "txt", "text/plain; charset=utf-8"},
    {Format::Json, "json", "application/json"},
};

const FormatEntry& entryOf(Format format) { return kFormats[static_cast<size_t>(format)]; }

Format formatOf(OutputFormat format) {
  switch (format) {
    case OutputFormat::Svg: return Format::Svg;
    case OutputFormat::Pdf: return Format::Pdf;
    case OutputFormat::Eps: return Format::Eps;
    case OutputFormat::Txt: return Format::Txt;
    default: return Format::Png;
  }
}

int hexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

Expected<std::string> decodeHex(std::string_view hex) {
  std::string bytes;
  bytes.reserve(hex.size() / 2);
  for (size_t i = 0; i < hex.size(); i += 2) {
    const int high = hexDigit(hex[i]);
    const int low = i + 1 < hex.size() ? hexDigit(hex[i + 1]) : -1;
    if (high < 0 || low < 0) {
      return Error(ErrorCode::BadOption, "bad data-hex " + quoted(hex.substr(0, 40)) +
                                             ": give the bytes as pairs of hex digits, e.g. 48656c6c6f");
    }
    bytes += static_cast<char>(high * 16 + low);
  }
  return bytes;
}

// Appends a length-prefixed field, so that no value can imitate a boundary.
void appendField(std::string& out, std::string_view name, std::string_view value) {
  out += name;
  out += '=';
  out += std::to_string(value.size());
  out += ':';
  out += value;
  out += '\n';
}

// The last value of each key, in key order.
std::vector<const Parameter*> lastOfEachKey(const std::vector<Parameter>& parameters, bool skipEmpty) {
  std::vector<const Parameter*> sorted;
  sorted.reserve(parameters.size());
  for (const Parameter& parameter : parameters) {
    if (!skipEmpty || !parameter.value.empty()) sorted.push_back(&parameter);
  }
  std::stable_sort(sorted.begin(), sorted.end(),
                   [](const Parameter* a, const Parameter* b) { return a->name < b->name; });
  std::vector<const Parameter*> last;
  last.reserve(sorted.size());
  for (size_t i = 0; i < sorted.size(); ++i) {
    if (i + 1 == sorted.size() || sorted[i + 1]->name != sorted[i]->name) last.push_back(sorted[i]);
  }
  return last;
}

Expected<void> setFormat(SymbolRequest& request, std::string_view value) {
  if (equalsIgnoringCase(value, "json")) {
    request.format = Format::Json;
    return {};
  }
  if (!request.options.set("format", value)) {
    return Error(ErrorCode::BadOption, "bad format " + quoted(value) +
                                           ": use png, svg, pdf, eps, txt or json");
  }
  request.format = formatOf(*request.options.format());
  return {};
}

}  // namespace

std::string_view formatName(Format format) { return entryOf(format).name; }

std::string_view mediaType(Format format) { return entryOf(format).mediaType; }

const std::vector<ServiceParameter>& serviceParameters() {
  static const std::vector<ServiceParameter> parameters = {
      {"data", "TEXT", "the data, percent-decoded bytes; a + is a space and %2B a plus, as forms and URLSearchParams write them"},
      {"data-hex", "HEX", "the data as pairs of hex digits, for binary data in a URL"},
      {"format", "png|svg|pdf|eps|txt|json", "the output format; json gives the symbol's figures and modules"},
      {"download", "", "send the picture as an attachment with a file name"},
  };
  return parameters;
}

Expected<SymbolRequest> parseSymbolRequest(const std::vector<Parameter>& parameters, DataSource source,
                                           std::string_view body, bool skipEmpty) {
  SymbolRequest request;
  const Parameter* data = nullptr;
  const Parameter* dataHex = nullptr;
  std::string options;
  for (const Parameter* parameter : lastOfEachKey(parameters, skipEmpty)) {
    const std::string& key = parameter->name;
    const std::string& value = parameter->value;
    if (key == "data") {
      data = parameter;
      continue;
    }
    if (key == "data-hex") {
      dataHex = parameter;
      continue;
    }
    if (key == "download") {
      const Expected<bool> on = parseSwitch(key, value);
      if (!on) return on.error();
      request.download = *on;
    } else if (key == "format") {
      if (Expected<void> set = setFormat(request, value); !set) return set.error();
    } else if (Expected<void> set = request.options.set(key, value); !set) {
      return set.error();
    }
    appendField(options, key, value);
  }
  if (Expected<void> finished = request.options.finish(); !finished) return finished.error();

  if (source == DataSource::Body) {
    if (data || dataHex) {
      return Error(ErrorCode::BadOption, "a POST takes its data as the body; " + std::string(data ? "data" : "data-hex") +
                                             " goes with GET");
    }
    request.data = body;
  } else if (data && dataHex) {
    return Error(ErrorCode::BadOption, "data and data-hex exclude each other");
  } else if (dataHex) {
    Expected<std::string> bytes = decodeHex(dataHex->value);
    if (!bytes) return bytes.error();
    request.data = std::move(bytes).value();
  } else if (data) {
    request.data = data->value;
  } else {
    return Error(ErrorCode::BadOption, "no data: give it as data or data-hex, or as the body of a POST");
  }
  // Refused here, before any worker is asked, in the library's own words.
  if (request.data.empty()) return encode(std::string_view(), request.options.encodeOptions()).error();

  request.canonical.reserve(options.size() + request.data.size() + 32);
  appendField(request.canonical, "version", libraryVersion());
  request.canonical += options;
  appendField(request.canonical, "data", request.data);
  return request;
}

std::string entityTag(const SymbolRequest& request) {
  __extension__ typedef unsigned __int128 Hash;
  // FNV-1a over 128 bits: its offset basis, and its prime 2^88 + 2^8 + 0x3b.
  Hash hash = (static_cast<Hash>(0x6c62272e07bb0142ULL) << 64) | 0x62b821756295c58dULL;
  const Hash prime = (static_cast<Hash>(1) << 88) | 0x13b;
  for (const char c : request.canonical) {
    hash ^= static_cast<uint8_t>(c);
    hash *= prime;
  }
  static constexpr char kHex[] = "0123456789abcdef";
  std::string tag(34, '"');
  for (int i = 0; i < 32; ++i) tag[static_cast<size_t>(1 + i)] = kHex[static_cast<unsigned>(hash >> (124 - 4 * i)) & 15];
  return tag;
}

}  // namespace dexmora::serve
