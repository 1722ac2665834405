#include "cli/batch_progress.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

namespace dexmora {

namespace {

constexpr const char* kWipeLine = "\r\033[K";

}  // namespace

std::string progressBarText(std::size_t done, std::size_t total, double seconds) {
  constexpr std::size_t kWidth = 24;
  const std::size_t filled = total == 0 ? kWidth : done * kWidth / total;
  std::string bar = "[" + std::string(filled, '#') + std::string(kWidth - filled, '-') + "] ";
  bar += std::to_string(done) + "/" + std::to_string(total);
  const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
  bar += "  " + std::to_string(static_cast<long long>(rate)) + "/s";
  if (rate > 0) {
    const long long left = static_cast<long long>(static_cast<double>(total - done) / rate + 0.5);
    char time[32];
    std::snprintf(time, sizeof time, "  %lld:%02lld left", left / 60, left % 60);
    bar += time;
  }
  return bar;
}

std::string progressCountText(std::size_t done, double seconds) {
  const double rate = seconds > 0 ? static_cast<double>(done) / seconds : 0;
  return std::to_string(done) + " done  " + std::to_string(static_cast<long long>(rate)) + "/s";
}

void writeStderr(const std::string& text) {
  std::size_t sent = 0;
  while (sent < text.size()) {
    const ssize_t n = write(STDERR_FILENO, text.data() + sent, text.size() - sent);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;  // nowhere left to complain to
    sent += static_cast<std::size_t>(n);
  }
}

void BatchReporter::say(const std::string& message) {
  const std::string line = "dexmora-cli: " + message + "\n";
  std::lock_guard<std::mutex> lock(m_mutex);
  writeStderr(m_barShown ? kWipeLine + line : line);
  m_barShown = false;
}

void BatchReporter::drawBar(const std::string& bar) {
  std::lock_guard<std::mutex> lock(m_mutex);
  writeStderr(kWipeLine + bar);
  m_barShown = true;
}

void BatchReporter::clearBar() {
  std::lock_guard<std::mutex> lock(m_mutex);
  if (m_barShown) writeStderr(kWipeLine);
  m_barShown = false;
}

}  // namespace dexmora
