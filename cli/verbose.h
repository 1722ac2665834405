#pragma once

#include <optional>
#include <string>

#include <dexmora/options.h>
#include <dexmora/render.h>
#include <dexmora/symbol.h>

// What --verbose says of one symbol, in the library's words:
// "size=22x22 shape=square encodation=basic data_length=28 capacity=30
// format=png output='a.png'". `path` is empty when no file is written
// (--dump, --codewords) and "-" for standard output.
std::string symbolReport(const dexmora::Symbol& symbol, const dexmora::EncodeOptions& options,
                         std::optional<dexmora::OutputFormat> format, const std::string& path);
