#include "cli/option_table.h"

#include <dexmora/option_set.h>

#include <iterator>

OptionCatalogue::OptionCatalogue() {
  const std::vector<dexmora::OptionInfo>& table = dexmora::optionTable();
  options.reserve(std::size(kOwnOptions) + table.size());
  for (const OwnOption& own : kOwnOptions) options.push_back({own.key, own.letter, own.flag != nullptr, &own, own.noun});
  for (const dexmora::OptionInfo& info : table) {
    KnownOption known{info.key, 0, info.isSwitch, nullptr, {}};
    for (const LibraryShortForm& form : kLibraryShortForms) {
      if (form.key == info.key) {
        known.letter = form.letter;
        known.noun = form.noun;
      }
    }
    options.push_back(known);
  }

  // "-": each TEXT is returned where it stands; ":": a missing value is told apart from an unknown letter.
  shortOptions = "-:";
  std::size_t length = 0;
  for (const KnownOption& known : options) length += known.key.size() + 1;
  names.reserve(length);  // the pointers into it below stay valid
  for (const KnownOption& known : options) {
    names.append(known.key).push_back('\0');
    if (known.letter != 0) {
      shortOptions += known.letter;
      if (!known.isSwitch) shortOptions += ':';
    }
  }
  const char* name = names.c_str();
  longOptions.reserve(options.size() + 1);
  for (std::size_t i = 0; i < options.size(); ++i) {
    // A switch may be given a value after "=", never as the next argument.
    const int hasArg = options[i].isSwitch ? optional_argument : required_argument;
    longOptions.push_back({name, hasArg, nullptr, kLongBase + static_cast<int>(i)});
    name += options[i].key.size() + 1;
  }
  longOptions.push_back({nullptr, 0, nullptr, 0});
}

const KnownOption* OptionCatalogue::findLong(std::string_view key) const {
  for (const KnownOption& known : options)
    if (known.key == key) return &known;
  return nullptr;
}

const KnownOption* OptionCatalogue::find(int returned) const {
  if (returned >= kLongBase) {
    const std::size_t index = static_cast<std::size_t>(returned - kLongBase);
    return index < options.size() ? &options[index] : nullptr;
  }
  for (const KnownOption& known : options)
    if (known.letter != 0 && known.letter == returned) return &known;
  return nullptr;
}
