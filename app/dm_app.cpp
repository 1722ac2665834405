#include "app/dm_app.h"

#include <QLibraryInfo>
#include <QLocale>

#include "app/app_icon.h"
#include "app/dm_dlg.h"

CDmApp::CDmApp(int& argc, char** argv) : QApplication(argc, argv) {
  setApplicationName(QStringLiteral("Dexmora"));
  setApplicationVersion(QStringLiteral("1.0.0.1"));
  setDesktopFileName(QStringLiteral("dexmora"));
  setWindowIcon(dmLoadAppIcon());
  // Every caption of the dialog is Chinese, so the buttons Qt labels itself
  // are too, whatever the user's locale.
  if (m_qtTranslator.load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    installTranslator(&m_qtTranslator);
  }
}

bool CDmApp::InitInstance() {
  // The per-user settings key; the program stores nothing under it.
  setOrganizationName(QStringLiteral("应用程序向导生成的本地应用程序"));
  CDmDlg dialog;
  dialog.exec();
  return false;
}
