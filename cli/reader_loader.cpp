#include "cli/reader_loader.h"

#include <new>

#include "cli/module_load.h"
#include "cli/module_path.h"
#include "reader/reader_module.h"

namespace {

using ReadFunction = int (*)(const uint8_t*, int, int, dexmora_reading_sink, void*);

// What the module hands over, copied on this side of the boundary.
struct Delivery {
  dexmora::Reading reading;
  bool outOfMemory = false;
};

void receive(void* context, const char* bytes, size_t length, const char* identifier) {
  auto* delivery = static_cast<Delivery*>(context);
  try {
    delivery->reading.bytes.assign(bytes, length);
    delivery->reading.symbologyIdentifier = identifier;
  } catch (const std::bad_alloc&) {
    delivery->outOfMemory = true;  // thrown again once back from the module
  }
}

class ModuleReader final : public dexmora::Reader {
 public:
  explicit ModuleReader(ReadFunction read) : m_read(read) {}

  std::optional<dexmora::Reading> read(const uint8_t* grey, int width, int height) const override {
    Delivery delivery;
    const int found = m_read(grey, width, height, receive, &delivery);
    if (found < 0 || delivery.outOfMemory) throw std::bad_alloc();
    if (found == 0) return std::nullopt;
    return std::move(delivery.reading);
  }

 private:
  ReadFunction m_read;
};

#ifdef DEXMORA_READER_INSTALL_DIR

LoadedReader findVerifyReader() {
  return loadReaderModule(findModule("DEXMORA_READER_MODULE", DEXMORA_READER_MODULE_FILE));
}

#else

LoadedReader findVerifyReader() { return {}; }

#endif

}  // namespace

LoadedReader loadReaderModule(const std::string& path) {
  LoadedReader loaded;
  const std::string failed = "--verify needs zxing-cpp's reader: " + path + " cannot be loaded: ";
  const auto read = reinterpret_cast<ReadFunction>(loadModuleEntry(path, "dexmora_reader_module_abi",
                                                                    "dexmora_reader_module_read",
                                                                    DEXMORA_READER_MODULE_ABI, "reader", failed, loaded.error));
  if (read != nullptr) loaded.reader = std::make_unique<ModuleReader>(read);
  return loaded;
}

const LoadedReader& loadVerifyReader() {
  static const LoadedReader loaded = findVerifyReader();
  return loaded;
}
