#pragma once

// The library's notices as Python warnings: dexmora.DexmoraWarning (a
// UserWarning) with `name` and `figures`, and one subclass per notice a
// caller may want to filter alone (SizeWarning for size_raised).

#include <pybind11/pybind11.h>

#include <cstddef>
#include <optional>
#include <vector>

#include <dexmora/notice.h>

namespace dexmora_python {

// Creates the warning classes as attributes of `module`.
void addWarnings(pybind11::module_& module);

// Issues one warning per notice, each message prefixed with the item of
// encode_many() it belongs to, when there is one.
void warnNotices(const std::vector<dexmora::Notice>& notices, std::optional<size_t> index = std::nullopt);

// The notices as a list of dicts: "name", each figure, "message".
pybind11::list noticeList(const std::vector<dexmora::Notice>& notices);

}  // namespace dexmora_python
