#include <cstdio>
#include <cstring>

#include "app/dm_app.h"

namespace {

constexpr char kHelp[] =
    "Usage: dexmora [QT-OPTIONS]\n"
    "\n"
    "Opens the Dexmora dialog: type a text of up to 12 bytes, pick one of the 24\n"
    "square sizes and press 输出; the Data Matrix symbol is written to output.png\n"
    "in the current directory.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "  --version      show the version and exit\n"
    "  Qt's standard options, such as -platform NAME, are accepted.\n"
    "\n"
    "The dialog needs a display (DISPLAY or WAYLAND_DISPLAY). Without one,\n"
    "dexmora-cli writes the same picture: dexmora-cli \"Hello\" writes output.png.\n";

bool hasArgument(int argc, char* argv[], const char* name) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], name) == 0) {
      return true;
    }
  }
  return false;
}

}  // namespace

int main(int argc, char* argv[]) {
  // Answered before QApplication exists: it needs a display and aborts
  // without one, and printing text needs none.
  if (hasArgument(argc, argv, "--help") || hasArgument(argc, argv, "-h")) {
    return std::fputs(kHelp, stdout) >= 0 && std::fflush(stdout) == 0 ? 0 : 74;
  }
  if (hasArgument(argc, argv, "--version")) {
    return std::printf("dexmora %s\n", DEXMORA_VERSION) > 0 && std::fflush(stdout) == 0 ? 0 : 74;
  }
  CDmApp app(argc, argv);
  return app.InitInstance() ? CDmApp::exec() : 0;
}
