#pragma once

#include <cstddef>
#include <mutex>
#include <string>

namespace dexmora {

// The bar's text: "[####----] done/total  N/s  M:SS left", at most 72 columns.
std::string progressBarText(std::size_t done, std::size_t total, double seconds);

// The same for a list of unknown length: "N done  R/s".
std::string progressCountText(std::size_t done, double seconds);

// Everything a batch says on stderr goes through here, so a message and the
// progress bar never share a line: each message is one write that first
// wipes the bar, which the next tick redraws.
class BatchReporter {
 public:
  // `message` without the "dexmora-cli: " prefix and the newline.
  void say(const std::string& message);
  void drawBar(const std::string& bar);
  void clearBar();

 private:
  std::mutex m_mutex;
  bool m_barShown = false;
};

// Writes all of `text` to stderr in as few writes as the kernel allows.
void writeStderr(const std::string& text);

}  // namespace dexmora
