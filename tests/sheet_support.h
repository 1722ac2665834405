#pragma once

#include <dexmora/sheet.h>

#include <cstdio>
#include <string>
#include <vector>

// "SN-0001" up to "SN-<count>".
inline std::vector<std::string> serials(int count) {
  std::vector<std::string> texts;
  char text[16];
  for (int i = 1; i <= count; ++i) {
    texts.emplace_back(text, static_cast<size_t>(std::snprintf(text, sizeof text, "SN-%04d", i)));
  }
  return texts;
}

// The sheet the library makes of `texts` (an empty one a blank cell), each
// captioned by `caption`.
inline dexmora::SheetPdf sheetOf(const dexmora::SheetSettings& settings, const std::vector<std::string>& texts,
                                 const char* caption = "{text}") {
  const dexmora::CaptionTemplate pattern = dexmora::CaptionTemplate::parse(caption).value();
  std::vector<dexmora::SheetLabel> labels;
  for (size_t i = 0; i < texts.size(); ++i) {
    labels.push_back(texts[i].empty() ? dexmora::SheetLabel()
                                      : dexmora::makeSheetLabel(texts[i], "", i + 1, {}, pattern).value());
  }
  return dexmora::SheetWriter::open(settings).value().pdf(labels).value();
}
