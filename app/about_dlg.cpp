#include "app/about_dlg.h"

#include <QLabel>
#include <QPushButton>

#include "app/app_icon.h"
#include "app/dialog_units.h"

namespace {

QLabel* addStatic(QWidget* parent, const QString& text, const QRect& geometry) {
  auto* label = new QLabel(text, parent);
  label->setGeometry(geometry);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  label->setTextFormat(Qt::PlainText);
  return label;
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("IDD_ABOUTBOX"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  setWindowTitle(QStringLiteral("关于 Dexmora"));
  setFont(dmDialogFont());
  const CDialogUnits du(font());
  setFixedSize(du.ToPixels(235, 55));

  // An icon control takes the icon's own size, whatever the template says.
  auto* icon = new QLabel(this);
  icon->setObjectName(QStringLiteral("IDR_MAINFRAME"));
  icon->setPixmap(dmLoadAppIcon().pixmap(32, 32));
  icon->setGeometry(du.ToPixelsX(11), du.ToPixelsY(17), 32, 32);

  addStatic(this, QStringLiteral("Dexmora Version 1.0"), du.ToPixels(40, 10, 119, 8));
  addStatic(this, QStringLiteral("版权所有 (C) 2025 Dexmora"), du.ToPixels(40, 25, 119, 8));

  auto* ok = new QPushButton(QStringLiteral("确定"), this);
  ok->setObjectName(QStringLiteral("IDOK"));
  ok->setAccessibleName(ok->text());
  ok->setGeometry(du.ToPixels(178, 7, 50, 16));
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
}
