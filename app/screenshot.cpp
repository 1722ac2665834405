// Opens the main dialog, encodes a sample text the way a user would and
// saves a picture of the dialog:  dexmora-screenshot DIALOG.png
// The symbol itself lands as output.png in the current directory. Meant for
// the offscreen platform (QT_QPA_PLATFORM=offscreen), so no display is needed.
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <cstdio>

#include "app/dm_app.h"
#include "app/dm_dlg.h"

namespace {

constexpr char kSampleText[] = "Dexmora 2025";
constexpr int kSampleRow = 7;  // "24"

// Prints message boxes instead of waiting for someone to close them.
class CScreenshotDlg : public CDmDlg {
 public:
  bool failed = false;

 protected:
  void ShowMessage(const QString& text) override {
    std::fprintf(stderr, "dexmora-screenshot: %s\n", text.toLocal8Bit().constData());
    failed = true;
  }
};

}  // namespace

int main(int argc, char* argv[]) {
  CDmApp app(argc, argv);
  if (argc != 2) {
    std::fprintf(stderr, "usage: dexmora-screenshot DIALOG.png\n");
    return 2;
  }
  CScreenshotDlg dialog;
  dialog.show();
  dialog.findChild<QLineEdit*>(QStringLiteral("IDC_TEXT"))->setText(QString::fromLatin1(kSampleText));
  auto* sizes = dialog.findChild<QListWidget*>(QStringLiteral("IDC_SIZE_LIST"));
  sizes->setCurrentRow(kSampleRow);
  sizes->scrollToItem(sizes->item(kSampleRow));
  dialog.findChild<QPushButton*>(QStringLiteral("IDC_OUTPUT"))->click();
  CDmApp::processEvents();
  if (dialog.failed) return 1;
  if (!dialog.grab().save(QString::fromLocal8Bit(argv[1]))) {
    std::fprintf(stderr, "dexmora-screenshot: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
