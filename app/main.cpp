#include "app/dm_app.h"

int main(int argc, char* argv[]) {
  CDmApp app(argc, argv);
  return app.InitInstance() ? CDmApp::exec() : 0;
}
