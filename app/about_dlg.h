#pragma once

#include <QDialog>

#include "app/resource_ids.h"

// The About box: the icon, the program's name and version, a rights notice
// and an OK button that closes it.
class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  enum { IDD = IDD_ABOUTBOX };

  explicit CAboutDlg(QWidget* parent = nullptr);
};
