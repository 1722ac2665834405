#include "app/dm_app.h"

#include "app/app_icon.h"
#include "app/dm_dlg.h"

CDmApp::CDmApp(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("Dexmora"));
  setApplicationVersion(QStringLiteral("1.0.0.1"));
  setDesktopFileName(QStringLiteral("dexmora"));
  setWindowIcon(dmLoadAppIcon());
}

bool CDmApp::InitInstance() {
  // The per-user settings key; the program stores nothing under it.
  setOrganizationName(QStringLiteral("应用程序向导生成的本地应用程序"));
  CDmDlg dialog;
  dialog.exec();
  return false;
}
