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

#include "app/about_dlg.h"
#include "app/dm_app.h"
#include "app/dm_dlg.h"
#include "app/output_path.h"

namespace {

const QString kMissingInput = QStringLiteral("请输入编码字符串！");
const QString kWriteFailed = QStringLiteral("无法写入文件：");

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

void pasteText(QLineEdit* edit, int position, const QString& text) {
  QGuiApplication::clipboard()->setText(text);
  edit->setCursorPosition(position);
  edit->paste();
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

QString expectedPath(const QString& directory) {
  return QDir::toNativeSeparators(directory) + QDir::separator() + QStringLiteral("output.png");
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
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("side");
    QTest::addColumn<bool>("scannable");
    QTest::newRow("first entry, 10") << 0 << 70 << true;
    QTest::newRow("26") << 8 << 150 << true;
    // zxing-cpp 1.4 cannot read the 144x144 symbol; its size shows in pixels.
    QTest::newRow("last entry, 144") << 23 << 740 << false;
  }

  void outputWritesPicture() {
    QFETCH(int, row);
    QFETCH(int, side);
    QFETCH(bool, scannable);
    CTestDlg dialog;
    produce(dialog, QStringLiteral("ABC"), row);
    QCOMPARE(dialog.messages, QStringList());
    const QString expected = expectedPath(QDir::currentPath());
    QCOMPARE(control<QLineEdit>(dialog, "IDC_OUTPUT_PATH")->text(), expected);
    QCOMPARE(control<QLineEdit>(dialog, "IDC_TEXT")->text(), QStringLiteral("ABC"));
    const QImage picture(expected);
    QCOMPARE(picture.size(), QSize(side, side));
    if (scannable) QCOMPARE(scan(picture), QByteArray("ABC"));
  }

  void multibyteTextScansBack() {
    CTestDlg dialog;
    const QString text = QString::fromUtf8("Zürich €");
    produce(dialog, text, 8);
    QCOMPARE(dialog.messages, QStringList());
    QCOMPARE(scan(QImage(QStringLiteral("output.png"))), text.toUtf8());
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
    QCOMPARE(dialog.m_strOutputPath, expectedPath(QDir::currentPath()));
  }

  void messageBoxIsPlain() {
    CDmDlg dialog;
    dialog.show();
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::Warning;
    QMessageBox::StandardButtons buttons;
    WindowWatcher watcher([&](QWidget* window) {
      auto* box = qobject_cast<QMessageBox*>(window);
      if (box == nullptr) return WindowWatcher::dismiss(window);
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
  }

  void textLimitWhileTyping_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("kept");
    QTest::newRow("ascii stops at 12") << QStringLiteral("ABCDEFGHIJKLMNO") << QStringLiteral("ABCDEFGHIJKL");
    QTest::newRow("three-byte characters, 4 fit")
        << QString::fromUtf8("数据矩阵编码") << QString::fromUtf8("数据矩阵");
    QTest::newRow("character that would straddle the limit is refused")
        << QString::fromUtf8("ABCDEFGHIJK中X") << QStringLiteral("ABCDEFGHIJKX");
    QTest::newRow("four-byte character after 9 bytes is refused")
        << QString::fromUtf8("ABCDEFGHI\U0001F600Z") << QStringLiteral("ABCDEFGHIZ");
    QTest::newRow("four-byte character after 8 bytes fits")
        << QString::fromUtf8("ABCDEFGH\U0001F600Z") << QString::fromUtf8("ABCDEFGH\U0001F600");
  }

  void textLimitWhileTyping() {
    QFETCH(QString, typed);
    QFETCH(QString, kept);
    CTestDlg dialog;
    auto* edit = control<QLineEdit>(dialog, "IDC_TEXT");
    typeText(edit, typed);
    QCOMPARE(edit->text(), kept);
  }

  void textLimitWhilePasting_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("pasted");
    QTest::addColumn<QString>("kept");
    QTest::newRow("long ascii into empty") << QString() << 0 << QStringLiteral("0123456789ABCDEF")
                                           << QStringLiteral("0123456789AB");
    QTest::newRow("into the middle keeps the old text") << QStringLiteral("ABCD") << 2
                                                        << QStringLiteral("0123456789") << QStringLiteral("AB01234567CD");
    QTest::newRow("cut before a multibyte character")
        << QStringLiteral("ABCDEFGHIJ") << 10 << QString::fromUtf8("é中") << QString::fromUtf8("ABCDEFGHIJé");
    QTest::newRow("multibyte into empty") << QString() << 0 << QString::fromUtf8("二维码数据矩阵")
                                          << QString::fromUtf8("二维码数");
    QTest::newRow("nothing fits") << QStringLiteral("ABCDEFGHIJKL") << 12 << QString::fromUtf8("中")
                                  << QStringLiteral("ABCDEFGHIJKL");
  }

  void textLimitWhilePasting() {
    QFETCH(QString, before);
    QFETCH(int, cursor);
    QFETCH(QString, pasted);
    QFETCH(QString, kept);
    CTestDlg dialog;
    auto* edit = control<QLineEdit>(dialog, "IDC_TEXT");
    edit->setText(before);
    pasteText(edit, cursor, pasted);
    QCOMPARE(edit->text(), kept);
  }

  void outputPathForms_data() {
    QTest::addColumn<QString>("directory");
    QTest::addColumn<QString>("path");
    QTest::newRow("ordinary directory") << QStringLiteral("/home/user") << QStringLiteral("/home/user/output.png");
    QTest::newRow("root keeps both separators") << QStringLiteral("/") << QStringLiteral("//output.png");
    QTest::newRow("unknown directory stays relative") << QString() << QStringLiteral("output.png");
  }

  void outputPathForms() {
    QFETCH(QString, directory);
    QFETCH(QString, path);
    QCOMPARE(dmOutputPathIn(directory), path);
  }

  void systemCommands_data() {
    QTest::addColumn<unsigned>("command");
    QTest::addColumn<bool>("opensAbout");
    QTest::newRow("16") << 16u << true;
    QTest::newRow("31") << 31u << true;
    QTest::newRow("32") << 32u << false;
    QTest::newRow("close command 0xF060") << 0xF060u << false;
  }

  void systemCommands() {
    QFETCH(unsigned, command);
    QFETCH(bool, opensAbout);
    CTestDlg dialog;
    dialog.show();
    WindowWatcher watcher;
    dialog.OnSysCommand(command);
    const QStringList about = {QStringLiteral("CAboutDlg|关于 Dexmora")};
    QCOMPARE(watcher.seen, opensAbout ? about : QStringList());
  }

  void aboutBoxClosesOnEnter() {
    CAboutDlg about;
    auto* ok = control<QPushButton>(about, "IDOK");
    QVERIFY(ok != nullptr && ok->isDefault());
    about.show();
    QTest::keyClick(&about, Qt::Key_Return);
    QCOMPARE(about.result(), int(QDialog::Accepted));
  }

  void contextMenuOpensAbout() {
    CTestDlg dialog;
    dialog.show();
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
    QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(5, 5), dialog.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&dialog, &event);
    QCOMPARE(entries, QStringList{QStringLiteral("关于 Dexmora(&A)...")});
    QCOMPARE(watcher.seen.size(), 2);
    QCOMPARE(watcher.seen.last(), QStringLiteral("CAboutDlg|关于 Dexmora"));
  }

  void f1OpensAbout() {
    CTestDlg dialog;
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    WindowWatcher watcher;
    QTest::keyClick(control<QLineEdit>(dialog, "IDC_TEXT"), Qt::Key_F1);
    QCOMPARE(watcher.seen, QStringList{QStringLiteral("CAboutDlg|关于 Dexmora")});
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

  void writeFailureKeepsEverything() {
    CTestDlg dialog;
    produce(dialog, QStringLiteral("ABC"), 0);
    const QString earlierPath = control<QLineEdit>(dialog, "IDC_OUTPUT_PATH")->text();
    QVERIFY(QDir().mkdir(QStringLiteral("full")));
    QVERIFY(QDir::setCurrent(QStringLiteral("full")));
    {
      QFile previous(QStringLiteral("output.png"));
      QVERIFY(previous.open(QIODevice::WriteOnly));
      previous.write("previous");
    }
    {
      const FileSizeCap cap(16);
      produce(dialog, QStringLiteral("XYZ"), 23);
    }
    QCOMPARE(dialog.messages, QStringList{kWriteFailed + expectedPath(QDir::currentPath())});
    QCOMPARE(control<QLineEdit>(dialog, "IDC_OUTPUT_PATH")->text(), earlierPath);
    QFile previous(QStringLiteral("output.png"));
    QVERIFY(previous.open(QIODevice::ReadOnly));
    QCOMPARE(previous.readAll(), QByteArray("previous"));
    QCOMPARE(QDir().entryList(QDir::Files), QStringList{QStringLiteral("output.png")});
  }

  void writeFailure_data() {
    QTest::addColumn<bool>("deleteDirectory");
    QTest::newRow("output.png is a directory") << false;
    QTest::newRow("current directory deleted") << true;
  }

  void writeFailure() {
    QFETCH(bool, deleteDirectory);
    CTestDlg dialog;
    QVERIFY(QDir().mkdir(QStringLiteral("sub")));
    QVERIFY(QDir::setCurrent(QStringLiteral("sub")));
    QString path;
    if (deleteDirectory) {
      QVERIFY(QDir(m_dir->path()).rmdir(QStringLiteral("sub")));
      path = QStringLiteral("output.png");
    } else {
      QVERIFY(QDir().mkdir(QStringLiteral("output.png")));
      path = expectedPath(QDir::currentPath());
    }
    produce(dialog, QStringLiteral("ABC"), 0);
    QCOMPARE(dialog.messages, QStringList{kWriteFailed + path});
    QVERIFY(control<QLineEdit>(dialog, "IDC_OUTPUT_PATH")->text().isEmpty());
    QVERIFY(!QFile::exists(QDir(m_dir->path()).filePath(QStringLiteral("output.png"))));
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
