#include "dexmora_frontend/process_start.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>

bool reserveStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (fcntl(fd, F_GETFD) != -1 || errno != EBADF) continue;
    // The lowest free descriptor is `fd` itself: the lower ones are open by now.
    const int reserved = open("/dev/null", (fd == 0 ? O_WRONLY : O_RDONLY) | O_NOCTTY);
    if (reserved != fd) {
      if (reserved >= 0) close(reserved);
      return false;
    }
  }
  return true;
}

void ignoreFileSizeSignal() { signal(SIGXFSZ, SIG_IGN); }
