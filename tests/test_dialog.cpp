// The Dexmora dialog driven the way a user drives it: keys, clicks, menus
// and the files it writes. Every test runs in its own temporary directory.
#include <ZXing/ReadBarcode.h>
#include <signal.h>
#include <sys/resource.h>

#include <QAbstractButton>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>
#include <optional>

#include "app/about_dlg.h"
#include "app/dm_app.h"
#include "app/dm_dlg.h"
#include "app/output_path.h"

namespace {

const QString kMissingInput = QStringLiteral("请输入编码字符串！");
const QString kWriteFailed = QStringLiteral("无法写入文件：");

enum AboutWay { SysCommand, ContextMenu, F1Key };
enum WriteFailureCause { SizeLimit, TargetIsDirectory, DirectoryDeleted };

// The main dialog with its message boxes recorded instead of shown.
class CTestDlg : public CDmDlg {
 public:
  using CDmDlg::m_strOutputPath;
  QStringList messages;

 protected:
  void ShowMessage(const QString& text) override { messages << text; }
};

// Answers every popup menu and modal window that opens while it lives, the
// way a person would, and records each one's class and title.
class WindowWatcher : public QObject {
 public:
  using Respond = std::function<void(QWidget*)>;

  explicit WindowWatcher(Respond respond = dismiss) : m_respond(std::move(respond)) {
    connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
    m_timer.start(5);
  }

  static void dismiss(QWidget* window) {
    if (auto* dialog = qobject_cast<QDialog*>(window)) {
      dialog->reject();
    } else {
      window->close();
    }
  }

  QStringList seen;

 private:
  void poll() {
    QWidget* top = QApplication::activePopupWidget();
    if (top == nullptr) top = QApplication::activeModalWidget();
    if (top == nullptr) return;
    for (const QPointer<QWidget>& handled : m_handled) {
      if (handled == top) return;
    }
    m_handled.append(top);
    seen << QString::fromLatin1(top->metaObject()->className()) + QLatin1Char('|') + top->windowTitle();
    m_respond(top);
  }

  Respond m_respond;
  QTimer m_timer;
  QList<QPointer<QWidget>> m_handled;
};

template <typename T>
T* control(const QWidget& dialog, const char* name) {
  return dialog.findChild<T*>(QString::fromLatin1(name));
}

// Key presses carrying one character each, as a keyboard or an input method
// delivers them; a surrogate pair travels as one character.
void typeText(QWidget* target, const QString& text) {
  for (int i = 0; i < text.size();) {
    const int units = text[i].isHighSurrogate() ? 2 : 1;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text.mid(i, units));
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, text.mid(i, units));
    QApplication::sendEvent(target, &press);
    QApplication::sendEvent(target, &release);
    i += units;
  }
}

void produce(CDmDlg& dialog, const QString& text, int row) {
  control<QLineEdit>(dialog, "IDC_TEXT")->setText(text);
  control<QListWidget>(dialog, "IDC_SIZE_LIST")->setCurrentRow(row);
  control<QPushButton>(dialog, "IDC_OUTPUT")->click();
}

// The bytes zxing-cpp reads from the picture; empty when it finds no symbol.
QByteArray scan(const QImage& picture) {
  const QImage gray = picture.convertToFormat(QImage::Format_Grayscale8);
  const ZXing::ImageView view(gray.constBits(), gray.width(), gray.height(), ZXing::ImageFormat::Lum,
                              static_cast<int>(gray.bytesPerLine()));
  const ZXing::Result result =
      ZXing::ReadBarcode(view, ZXing::DecodeHints().setFormats(ZXing::BarcodeFormat::DataMatrix));
  if (!result.isValid()) return {};
  return {reinterpret_cast<const char*>(result.bytes().data()), static_cast<qsizetype>(result.bytes().size())};
}

// Where the dialog writes while the tests run: output.png in the current directory.
QString outputInCurrentDir() { return QDir::currentPath() + QStringLiteral("/output.png"); }

QByteArray fileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Caps the size of files this process may write, so the next picture fails
// to be written; restores the old cap when it ends.
class FileSizeCap {
 public:
  explicit FileSizeCap(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &m_saved);
    m_savedHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit capped = m_saved;
    capped.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &capped);
  }
  ~FileSizeCap() {
    setrlimit(RLIMIT_FSIZE, &m_saved);
    signal(SIGXFSZ, m_savedHandler);
  }
  FileSizeCap(const FileSizeCap&) = delete;
  FileSizeCap& operator=(const FileSizeCap&) = delete;

 private:
  rlimit m_saved{};
  void (*m_savedHandler)(int);
};

}  // namespace

class DialogTest : public QObject {
  Q_OBJECT

 private slots:
  void init() {
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_previousDir = QDir::currentPath();
    QVERIFY(QDir::setCurrent(m_dir->path()));
  }

  void cleanup() {
    QDir::setCurrent(m_previousDir);
    m_dir.reset();
  }

  void initialState() {
    CTestDlg dialog;
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Dexmora"));
    const Qt::WindowFlags flags = dialog.windowFlags();
    QVERIFY(!(flags & (Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint |
                       Qt::WindowMaximizeButtonHint | Qt::WindowSystemMenuHint)));
    QCOMPARE(dialog.minimumSize(), dialog.maximumSize());

    auto* sizes = control<QListWidget>(dialog, "IDC_SIZE_LIST");
    QVERIFY(sizes != nullptr);
    const QStringList expected = {"10", "12", "14", "16", "18", "20", "22", "24",  "26",  "32",  "36",  "40",
                                  "44", "48", "52", "64", "72", "80", "88", "96", "104", "120", "132", "144"};
    QStringList shown;
    for (int i = 0; i < sizes->count(); ++i) shown << sizes->item(i)->text();
    QCOMPARE(shown, expected);
    QCOMPARE(sizes->selectedItems().size(), 1);
    QCOMPARE(sizes->selectedItems().first()->text(), QStringLiteral("10"));

    auto* text = control<QLineEdit>(dialog, "IDC_TEXT");
    auto* path = control<QLineEdit>(dialog, "IDC_OUTPUT_PATH");
    QVERIFY(text != nullptr && path != nullptr);
    QVERIFY(text->text().isEmpty());
    QVERIFY(path->text().isEmpty());
    QVERIFY(path->isReadOnly());

    dialog.show();
    QVERIFY(!control<QPushButton>(dialog, "IDC_CHOOSE_PATH")->isVisible());
    QCOMPARE(dialog.focusWidget(), text);
  }

  void controlsAndTabOrder() {
    CTestDlg dialog;
    dialog.show();
    const QList<QPair<const char*, QString>> order = {
        {"IDC_TEXT", QStringLiteral("编码字符：")},       {"IDC_SIZE_LIST", QStringLiteral("版本大小：")},
        {"IDC_OUTPUT_PATH", QStringLiteral("输出图片路径：")}, {"IDC_OUTPUT", QStringLiteral("输出")},
        {"IDC_CLOSE", QStringLiteral("关闭")}};
    QWidget* current = control<QWidget>(dialog, "IDC_TEXT");
    for (int i = 0; i < order.size(); ++i) {
      QCOMPARE(current->objectName(), QString::fromLatin1(order[i].first));
      QCOMPARE(current->accessibleName(), order[i].second);
      do {
        current = current->nextInFocusChain();
      } while (!(current->focusPolicy() & Qt::TabFocus) || !current->isVisible());
    }
    QCOMPARE(current->objectName(), QStringLiteral("IDC_TEXT"));

    for (QPushButton* button : dialog.findChildren<QPushButton*>()) {
      QVERIFY2(!button->isDefault() && !button->autoDefault(), qPrintable(button->objectName()));
    }
    for (QLabel* label : dialog.findChildren<QLabel*>()) {
      QVERIFY2(dialog.rect().contains(label->geometry()), qPrintable(label->text()));
      QVERIFY2(label->fontMetrics().horizontalAdvance(label->text()) <= label->width(), qPrintable(label->text()));
    }
  }

  void outputWritesPicture_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("side");
    QTest::addColumn<bool>("scannable");
    QTest::newRow("first entry, 10") << QStringLiteral("ABC") << 0 << 70 << true;
    QTest::newRow("26") << QStringLiteral("ABC") << 8 << 150 << true;
    QTest::newRow("multibyte text, 26") << QString::fromUtf8("Zürich €") << 8 << 150 << true;
    // zxing-cpp 1.4 cannot read the 144x144 symbol; its size shows in pixels.
    QTest::newRow("last entry, 144") << QStringLiteral("ABC") << 23 << 740 << false;
  }

  void outputWritesPicture() {
    QFETCH(QString, text);
    QFETCH(int, row);
    QFETCH(int, side);
    QFETCH(bool, scannable);
    CTestDlg dialog;
    produce(dialog, text, row);
    QCOMPARE(dialog.messages, QStringList());
    QCOMPARE(control<QLineEdit>(dialog, "IDC_OUTPUT_PATH")->text(), outputInCurrentDir());
    QCOMPARE(control<QLineEdit>(dialog, "IDC_TEXT")->text(), text);
    const QImage picture(outputInCurrentDir());
    QCOMPARE(picture.size(), QSize(side, side));
    if (scannable) QCOMPARE(scan(picture), text.toUtf8());
  }

  void missingInput_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("selected");
    QTest::newRow("empty text") << QString() << true;
    QTest::newRow("no size selected") << QStringLiteral("ABC") << false;
  }

  void missingInput() {
    QFETCH(QString, text);
    QFETCH(bool, selected);
    CTestDlg dialog;
    produce(dialog, QStringLiteral("ABC"), 0);
    const QString earlierPath = control<QLineEdit>(dialog, "IDC_OUTPUT_PATH")->text();
    QVERIFY(QDir().mkdir(QStringLiteral("elsewhere")));
    QVERIFY(QDir::setCurrent(QStringLiteral("elsewhere")));

    control<QLineEdit>(dialog, "IDC_TEXT")->setText(text);
    if (!selected) control<QListWidget>(dialog, "IDC_SIZE_LIST")->clearSelection();
    control<QPushButton>(dialog, "IDC_OUTPUT")->click();

    QCOMPARE(dialog.messages, QStringList{kMissingInput});
    QVERIFY(!QFile::exists(QStringLiteral("output.png")));
    QCOMPARE(control<QLineEdit>(dialog, "IDC_OUTPUT_PATH")->text(), earlierPath);
    QCOMPARE(dialog.m_strOutputPath, outputInCurrentDir());
  }

  void messageBoxIsPlain() {
    CDmDlg dialog;
    dialog.show();
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::Warning;
    QMessageBox::StandardButtons buttons;
    QString okText;
    WindowWatcher watcher([&](QWidget* window) {
      auto* box = qobject_cast<QMessageBox*>(window);
      if (box == nullptr) return WindowWatcher::dismiss(window);
      okText = box->button(QMessageBox::Ok)->text();
      text = box->text();
      title = box->windowTitle();
      icon = box->icon();
      buttons = box->standardButtons();
      box->button(QMessageBox::Ok)->click();
    });
    control<QPushButton>(dialog, "IDC_OUTPUT")->click();
    QCOMPARE(text, kMissingInput);
    QCOMPARE(title, QStringLiteral("Dexmora"));
    QCOMPARE(icon, QMessageBox::NoIcon);
    QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    // Qt's own button text in the dialog's language.
    QCOMPARE(okText, QStringLiteral("确定"));
  }

  // The 12-byte limit, typed one character at a time into an empty field
  // or pasted at the cursor into the text shown in "before".
  void textLimit_data() {
    QTest::addColumn<bool>("paste");
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("input");
    QTest::addColumn<QString>("kept");
    const QString empty;
    QTest::newRow("typed ascii stops at 12")
        << false << empty << 0 << QStringLiteral("ABCDEFGHIJKLMNO") << QStringLiteral("ABCDEFGHIJKL");
    QTest::newRow("typed three-byte characters, 4 fit")
        << false << empty << 0 << QString::fromUtf8("数据矩阵编码") << QString::fromUtf8("数据矩阵");
    QTest::newRow("typed character that would straddle the limit is refused")
        << false << empty << 0 << QString::fromUtf8("ABCDEFGHIJK中X") << QStringLiteral("ABCDEFGHIJKX");
    QTest::newRow("typed four-byte character after 9 bytes is refused")
        << false << empty << 0 << QString::fromUtf8("ABCDEFGHI\U0001F600Z") << QStringLiteral("ABCDEFGHIZ");
    QTest::newRow("typed four-byte character after 8 bytes fits")
        << false << empty << 0 << QString::fromUtf8("ABCDEFGH\U0001F600Z") << QString::fromUtf8("ABCDEFGH\U0001F600");
    QTest::newRow("pasted long ascii into empty")
        << true << empty << 0 << QStringLiteral("0123456789ABCDEF") << QStringLiteral("0123456789AB");
    QTest::newRow("pasted into the middle keeps the old text")
        << true << QStringLiteral("ABCD") << 2 << QStringLiteral("0123456789") << QStringLiteral("AB01234567CD");
    QTest::newRow("pasted, cut before a multibyte character")
        << true << QStringLiteral("ABCDEFGHIJ") << 10 << QString::fromUtf8("é中") << QString::fromUtf8("ABCDEFGHIJé");
    QTest::newRow("pasted multibyte into empty")
        << true << empty << 0 << QString::fromUtf8("二维码数据矩阵") << QString::fromUtf8("二维码数");
    QTest::newRow("pasted, nothing fits")
        << true << QStringLiteral("ABCDEFGHIJKL") << 12 << QString::fromUtf8("中") << QStringLiteral("ABCDEFGHIJKL");
  }

  void textLimit() {
    QFETCH(bool, paste);
    QFETCH(QString, before);
    QFETCH(int, cursor);
    QFETCH(QString, input);
    QFETCH(QString, kept);
    CTestDlg dialog;
    auto* edit = control<QLineEdit>(dialog, "IDC_TEXT");
    edit->setText(before);
    edit->setCursorPosition(cursor);
    if (paste) {
      QGuiApplication::clipboard()->setText(input);
      edit->paste();
    } else {
      typeText(edit, input);
    }
    QCOMPARE(edit->text(), kept);
  }

  void outputPathForms_data() {
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("path");
    QTest::newRow("root keeps both separators") << QStringLiteral("/") << QStringLiteral("//output.png");
    QTest::newRow("unknown directory stays relative") << QString() << QStringLiteral("output.png");
  }

  void outputPathForms() {
    QFETCH(QString, directory);
    QFETCH(QString, path);
    QCOMPARE(dmOutputPathIn(directory), path);
  }

  // The ways to the About box: system command ids, the context menu (its
  // one entry chosen) and F1; "seen" lists every window that opened.
  void aboutBox_data() {
    QTest::addColumn<int>("way");
    QTest::addColumn<unsigned>("command");
    QTest::addColumn<QStringList>("seen");
    QTest::addColumn<QStringList>("menuEntries");
    const QStringList about = {QStringLiteral("CAboutDlg|关于 Dexmora")};
    const QStringList none;
    QTest::newRow("command 16") << int(SysCommand) << 16u << about << none;
    QTest::newRow("command 31") << int(SysCommand) << 31u << about << none;
    QTest::newRow("command 32") << int(SysCommand) << 32u << none << none;
    QTest::newRow("close command 0xF060") << int(SysCommand) << 0xF060u << none << none;
    QTest::newRow("context menu") << int(ContextMenu) << 0u << QStringList{QStringLiteral("QMenu|"), about.first()}
                                  << QStringList{QStringLiteral("关于 Dexmora(&A)...")};
    QTest::newRow("F1") << int(F1Key) << 0u << about << none;
  }

  void aboutBox() {
    QFETCH(int, way);
    QFETCH(unsigned, command);
    QFETCH(QStringList, seen);
    QFETCH(QStringList, menuEntries);
    CTestDlg dialog;
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QStringList entries;
    WindowWatcher watcher([&](QWidget* window) {
      if (auto* menu = qobject_cast<QMenu*>(window)) {
        for (QAction* action : menu->actions()) entries << action->text();
        QTest::keyClick(menu, Qt::Key_Down);
        QTest::keyClick(menu, Qt::Key_Return);
      } else {
        WindowWatcher::dismiss(window);
      }
    });
    if (way == SysCommand) {
      dialog.OnSysCommand(command);
    } else if (way == ContextMenu) {
      QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), dialog.mapToGlobal(QPoint(5, 5)));
      QApplication::sendEvent(&dialog, &event);
    } else {
      QTest::keyClick(control<QLineEdit>(dialog, "IDC_TEXT"), Qt::Key_F1);
    }
    QCOMPARE(watcher.seen, seen);
    QCOMPARE(entries, menuEntries);
  }

  void aboutBoxClosesOnEnter() {
    CAboutDlg about;
    auto* ok = control<QPushButton>(about, "IDOK");
    QVERIFY(ok != nullptr && ok->isDefault());
    about.show();
    QTest::keyClick(&about, Qt::Key_Return);
    QCOMPARE(about.result(), int(QDialog::Accepted));
  }

  void dialogEnds_data() {
    QTest::addColumn<QString>("focus");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("result");
    QTest::newRow("Escape in the text field") << "IDC_TEXT" << int(Qt::Key_Escape) << "ABC" << int(QDialog::Rejected);
    QTest::newRow("Enter in the text field") << "IDC_TEXT" << int(Qt::Key_Return) << "ABC" << int(QDialog::Accepted);
    QTest::newRow("keypad Enter in the text field")
        << "IDC_TEXT" << int(Qt::Key_Enter) << "ABC" << int(QDialog::Accepted);
    QTest::newRow("Enter with an empty text") << "IDC_TEXT" << int(Qt::Key_Return) << "" << int(QDialog::Accepted);
    QTest::newRow("Enter in the size list") << "IDC_SIZE_LIST" << int(Qt::Key_Return) << "" << int(QDialog::Accepted);
    QTest::newRow("Enter in the path field")
        << "IDC_OUTPUT_PATH" << int(Qt::Key_Return) << "" << int(QDialog::Accepted);
    QTest::newRow("Enter on the close button") << "IDC_CLOSE" << int(Qt::Key_Return) << "" << int(QDialog::Rejected);
    QTest::newRow("close button clicked") << "IDC_CLOSE" << 0 << "ABC" << int(QDialog::Rejected);
  }

  void dialogEnds() {
    QFETCH(QString, focus);
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(int, result);
    CTestDlg dialog;
    dialog.show();
    control<QLineEdit>(dialog, "IDC_TEXT")->setText(text);
    auto* target = dialog.findChild<QWidget*>(focus);
    target->setFocus();
    if (key == 0) {
      QTest::mouseClick(target, Qt::LeftButton);
    } else {
      QTest::keyClick(target, Qt::Key(key), key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);
    }
    QVERIFY(!dialog.isVisible());
    QCOMPARE(dialog.result(), result);
    QCOMPARE(dialog.messages, QStringList());
  }

  void enterRefusedWhenTextTooLong() {
    CTestDlg dialog;
    dialog.show();
    // Past the field's own limit, as only a program could set it.
    auto* edit = control<QLineEdit>(dialog, "IDC_TEXT");
    edit->setValidator(nullptr);
    edit->setText(QString::fromUtf8("ABCDEFGHIJK中"));
    QTest::keyClick(edit, Qt::Key_Return);
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.messages.size(), 1);
    QVERIFY(dialog.messages.first().contains(QStringLiteral("12")));
  }

  // Each way the picture cannot be written, after an earlier picture in the
  // parent directory: the message names the path, the path field and every
  // file stay as they were, and no temporary file is left.
  void writeFailure_data() {
    QTest::addColumn<int>("cause");
    QTest::addColumn<QString>("reason");
    QTest::newRow("file size limit reached mid-write") << int(SizeLimit) << QStringLiteral("（文件过大）");
    QTest::newRow("output.png is a directory") << int(TargetIsDirectory) << QStringLiteral("（该路径是一个文件夹）");
    QTest::newRow("current directory deleted") << int(DirectoryDeleted) << QStringLiteral("（文件夹不存在）");
  }

  void writeFailure() {
    QFETCH(int, cause);
    QFETCH(QString, reason);
    CTestDlg dialog;
    produce(dialog, QStringLiteral("ABC"), 0);
    const QString earlierPath = control<QLineEdit>(dialog, "IDC_OUTPUT_PATH")->text();
    const QByteArray earlierPicture = fileBytes(earlierPath);
    QVERIFY(!earlierPicture.isEmpty());
    QVERIFY(QDir().mkdir(QStringLiteral("sub")));
    QVERIFY(QDir::setCurrent(QStringLiteral("sub")));
    QString failedPath = outputInCurrentDir();
    QStringList left = {QStringLiteral("output.png")};
    if (cause == SizeLimit) {
      QFile previous(QStringLiteral("output.png"));
      QVERIFY(previous.open(QIODevice::WriteOnly));
      previous.write("previous");
    } else if (cause == TargetIsDirectory) {
      QVERIFY(QDir().mkdir(QStringLiteral("output.png")));
    } else {
      QVERIFY(QDir(m_dir->path()).rmdir(QStringLiteral("sub")));
      failedPath = QStringLiteral("output.png");
      left.clear();
    }
    {
      std::optional<FileSizeCap> cap;
      if (cause == SizeLimit) cap.emplace(16);
      produce(dialog, QStringLiteral("XYZ"), 23);
    }
    QCOMPARE(dialog.messages, QStringList{kWriteFailed + failedPath + reason});
    QCOMPARE(control<QLineEdit>(dialog, "IDC_OUTPUT_PATH")->text(), earlierPath);
    QCOMPARE(fileBytes(earlierPath), earlierPicture);
    QCOMPARE(QDir().entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), left);
    if (cause == SizeLimit) QCOMPARE(fileBytes(QStringLiteral("output.png")), QByteArray("previous"));
    if (cause == TargetIsDirectory) QVERIFY(QFileInfo(QStringLiteral("output.png")).isDir());
  }

  void initInstanceRunsDialogAndEnds() {
    auto* app = qobject_cast<CDmApp*>(QCoreApplication::instance());
    QVERIFY(app != nullptr);
    WindowWatcher watcher([](QWidget* window) {
      if (auto* close = window->findChild<QPushButton*>(QStringLiteral("IDC_CLOSE"))) {
        close->click();
      } else {
        WindowWatcher::dismiss(window);
      }
    });
    QCOMPARE(app->InitInstance(), false);
    QCOMPARE(watcher.seen, QStringList{QStringLiteral("CDmDlg|Dexmora")});
    QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("应用程序向导生成的本地应用程序"));
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("Dexmora"));
  }

 private:
  std::unique_ptr<QTemporaryDir> m_dir;
  QString m_previousDir;
};

int main(int argc, char* argv[]) {
  if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  CDmApp app(argc, argv);
  DialogTest test;
  return QTest::qExec(&test, argc, argv);
}

#include "test_dialog.moc"
