#include "sheet_binding.h"

#include <dexmora/option_set.h>
#include <dexmora/sheet.h>

#include <algorithm>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "dexmora_frontend/key_names.h"
#include "errors.h"
#include "keywords.h"
#include "notices.h"
#include "path_files.h"

namespace py = pybind11;

namespace dexmora_python {

namespace {

// One item: a text, a (name, text) pair, or None for a cell left empty.
struct Item {
  std::string text;
  std::string name;
  bool nonAscii = false;
  bool blank = false;
};

std::string bytesOf(py::handle value, bool& nonAscii, size_t index) {
  if (PyUnicode_Check(value.ptr())) {
    nonAscii = nonAscii || !PyUnicode_IS_ASCII(value.ptr());
    return value.cast<std::string>();
  }
  if (PyBytes_Check(value.ptr())) return value.cast<std::string>();
  raiseWrongType("sheet", "item " + std::to_string(index), "str, bytes, a (name, text) tuple or None", value);
}

Item itemOf(py::handle value, size_t index) {
  Item item;
  if (value.is_none()) {
    item.blank = true;
  } else if (PyTuple_Check(value.ptr())) {
    const py::tuple pair = py::reinterpret_borrow<py::tuple>(value);
    if (pair.size() != 2) raiseWrongType("sheet", "item " + std::to_string(index), "a (name, text) tuple", value);
    bool ignored = false;
    item.name = bytesOf(pair[0], ignored, index);
    item.text = bytesOf(pair[1], item.nonAscii, index);
  } else {
    item.text = bytesOf(value, item.nonAscii, index);
  }
  return item;
}

// `sheetOptions`: (key, text) pairs, as __init__.py spells the keywords.
py::tuple sheet(py::iterable items, const py::list& sheetOptions, const py::dict& keywords) {
  dexmora::SheetSettings settings;
  std::string caption;
  for (py::handle option : sheetOptions) {
    const auto pair = option.cast<py::tuple>();
    const std::string key = pair[0].cast<std::string>();
    const std::string text = pair[1].cast<std::string>();
    if (key == "caption") {
      caption = text;
    } else if (const dexmora::Expected<void> set = dexmora::setSheetOption(settings, key, text); !set) {
      raiseError(set.error());
    }
  }
  const dexmora::Expected<dexmora::CaptionTemplate> pattern = dexmora::CaptionTemplate::parse(caption);
  if (!pattern) raiseError(pattern.error());
  CallOptions options;
  applyKeywords(options.plain, keywords, OptionGroup::Sheet, "sheet");
  std::vector<Item> list;
  bool anyNonAscii = false;
  for (py::handle value : items) {
    list.push_back(itemOf(value, list.size()));
    anyNonAscii = anyNonAscii || list.back().nonAscii;
  }
  // A str beyond ASCII is UTF-8, which ECI 26 says, as encode() does.
  finishCallOptions(options, anyNonAscii);
  settings.setRender(options.plain.renderSettings());
  dexmora::Expected<dexmora::SheetWriter> writer = dexmora::SheetWriter::open(settings);
  if (!writer) raiseError(writer.error());

  std::vector<std::pair<size_t, std::string>> refused;
  std::vector<dexmora::SheetLabel> labels(list.size());
  std::optional<dexmora::Expected<dexmora::SheetPdf>> pdf;
  {
    py::gil_scoped_release unlocked;
    for (size_t i = 0; i < list.size(); ++i) {
      if (list[i].blank) continue;
      const dexmora::OptionSet& chosen = list[i].nonAscii && !options.eciGiven ? options.unicode : options.plain;
      dexmora::Expected<dexmora::SheetLabel> label =
          dexmora::makeSheetLabel(list[i].text, list[i].name, i + 1, chosen.encodeOptions(), *pattern);
      if (label) {
        labels[i] = std::move(label).value();
      } else {
        refused.emplace_back(i, label.error().message(dexmora::pythonKeyword));
      }
    }
    pdf.emplace(writer->pdf(labels));
  }
  if (!*pdf) raiseError(pdf->error());
  for (size_t i = 0; i < labels.size(); ++i) {
    if (labels[i].symbol()) warnNotices(labels[i].symbol()->notices(), i);
  }
  for (const dexmora::SheetRefusal& refusal : (*pdf)->refused) {
    refused.emplace_back(refusal.index, refusal.error.message(dexmora::pythonKeyword));
  }
  std::sort(refused.begin(), refused.end());
  py::list refusals;
  for (const auto& [index, message] : refused) refusals.append(py::make_tuple(index, message));
  return py::make_tuple(py::bytes((*pdf)->bytes), refusals);
}

void saveSheet(py::handle target, const py::bytes& pdf) {
  writeToPath(target, systemPath(target), pdf);
}

}  // namespace

void addSheet(py::module_& module) {
  module.def("_sheet", &sheet, py::arg("items"), py::arg("sheet_options"), py::arg("options"),
             "The compiled half of dexmora.sheet(): (pdf, [(index, message), ...]).");
  module.def("_save_sheet", &saveSheet, py::arg("target"), py::arg("pdf"),
             "Writes a sheet's PDF to `target` atomically.");
}

}  // namespace dexmora_python
