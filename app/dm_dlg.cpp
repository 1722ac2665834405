#include "app/dm_dlg.h"

#include <cerrno>

#include <QAction>
#include <QContextMenuEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QShortcut>
#include <algorithm>

#include "app/about_dlg.h"
#include "app/app_icon.h"
#include "app/byte_limit_validator.h"
#include "app/dialog_units.h"
#include "app/output_path.h"
#include "app/write_error_text.h"
#include "classic/encode_job.h"
#include "classic/symbol_tables.h"

namespace {

const char* const kControlNames[] = {"IDC_TEXT", "IDC_SIZE_LIST", "IDC_OUTPUT_PATH",
                                     "IDC_OUTPUT", "IDC_CLOSE", "", "IDC_CHOOSE_PATH"};

QString controlName(int id) { return QString::fromLatin1(kControlNames[id - IDC_TEXT]); }

// A caption keeps its template box unless its text is wider in the font at
// hand; then the box grows toward its free side (leftward for a caption that
// ends at its field, both ways for a centred one) rather than cut the text.
QLabel* addStatic(QWidget* parent, const QString& text, QRect box, Qt::Alignment align) {
  auto* label = new QLabel(text, parent);
  const int extra = label->fontMetrics().horizontalAdvance(text) - box.width();
  if (extra > 0 && (align & Qt::AlignHCenter)) {
    box.adjust(-(extra + 1) / 2, 0, extra / 2, 0);
  } else if (extra > 0) {
    box.setLeft(std::max(0, box.left() - extra));
  }
  label->setGeometry(box);
  label->setAlignment(align | Qt::AlignTop);
  label->setTextFormat(Qt::PlainText);
  label->setWordWrap(true);
  return label;
}

// An edit field is named after the caption that labels it.
QLineEdit* addEdit(QWidget* parent, int id, const QString& caption, const QRect& geometry) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(controlName(id));
  edit->setAccessibleName(caption);
  edit->setGeometry(geometry);
  return edit;
}

// A plain push button: never the default, so Enter reaches the dialog
// unless the button itself has the focus.
QPushButton* addButton(QWidget* parent, int id, const QString& text, const QRect& geometry) {
  auto* button = new QPushButton(text, parent);
  button->setObjectName(controlName(id));
  button->setAccessibleName(text);
  button->setGeometry(geometry);
  button->setAutoDefault(false);
  button->setDefault(false);
  return button;
}

}  // namespace

CDmDlg::CDmDlg(QWidget* parent) : QDialog(parent), m_hIcon(dmLoadAppIcon()) {
  CreateControls();
  OnInitDialog();
}

void CDmDlg::CreateControls() {
  setObjectName(QStringLiteral("IDD_MAIN_DIALOG"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
  setWindowTitle(QStringLiteral("Dexmora"));
  setFont(dmDialogFont());
  const CDialogUnits du(font());
  setFixedSize(du.ToPixels(320, 200));
  const Qt::Alignment left = Qt::AlignLeft;

  // Created in template order, which is also the tab order.
  const QString textCaption = QStringLiteral("编码字符：");
  m_editText = addEdit(this, IDC_TEXT, textCaption, du.ToPixels(68, 32, 139, 14));
  m_editText->setValidator(new CByteLimitValidator(kMaxTextBytes, m_editText));
  addStatic(this, textCaption, du.ToPixels(30, 35, 35, 8), left)->setBuddy(m_editText);
  auto* sizeCaption = addStatic(this, QStringLiteral("版本大小："), du.ToPixels(31, 57, 34, 11), left);

  m_listSize = new QListWidget(this);
  m_listSize->setObjectName(controlName(IDC_SIZE_LIST));
  m_listSize->setAccessibleName(sizeCaption->text());
  m_listSize->setGeometry(du.ToPixels(68, 53, 138, 63));
  m_listSize->setSelectionMode(QAbstractItemView::SingleSelection);
  m_listSize->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  m_listSize->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  sizeCaption->setBuddy(m_listSize);

  auto* pathCaption = addStatic(this, QStringLiteral("输出图片路径："), du.ToPixels(14, 132, 51, 15), left);
  m_editOutputPath = addEdit(this, IDC_OUTPUT_PATH, pathCaption->text(), du.ToPixels(68, 129, 192, 14));
  pathCaption->setBuddy(m_editOutputPath);
  m_editOutputPath->setReadOnly(true);

  auto* output = addButton(this, IDC_OUTPUT, QStringLiteral("输出"), du.ToPixels(254, 32, 50, 14));
  auto* close = addButton(this, IDC_CLOSE, QStringLiteral("关闭"), du.ToPixels(254, 54, 50, 14));
  addStatic(this, QStringLiteral("Dexmora 1.0 Data Matrix 编码器  版权所有 (C) 2025"),
            du.ToPixels(44, 166, 221, 14), Qt::AlignHCenter);
  auto* choosePath = addButton(this, IDC_CHOOSE_PATH, QStringLiteral("选择路径"), du.ToPixels(265, 129, 31, 14));
  choosePath->hide();

  connect(output, &QPushButton::clicked, this, &CDmDlg::OnBnClickedOutput);
  connect(choosePath, &QPushButton::clicked, this, &CDmDlg::OnBnClickedChoosePath);
  connect(close, &QPushButton::clicked, this, &CDmDlg::OnBnClickedClose);
}

bool CDmDlg::OnInitDialog() {
  UpdateData(false);

  // The window manager owns the title-bar menu, so the About entry lives in
  // the dialog's context menu and on F1.
  new QShortcut(QKeySequence(Qt::Key_F1), this, [this] { OnSysCommand(IDM_ABOUTBOX); });

  setWindowIcon(m_hIcon);

  // Inserted by position, so a list position is an index into SelectableSizes.
  for (int i = 0; i < DM_SYMBOL_SIZE_COUNT; ++i) {
    m_listSize->insertItem(i, QString::number(SelectableSizes[i]));
  }
  m_listSize->setCurrentRow(0);

  m_editText->setFocus();
  return true;
}

bool CDmDlg::UpdateData(bool saveAndValidate) {
  if (!saveAndValidate) {
    m_editOutputPath->setText(m_strOutputPath);
    m_editText->setText(m_strText);
    return true;
  }
  m_strOutputPath = m_editOutputPath->text();
  m_strText = m_editText->text();
  if (dmNarrowLength(m_strText) > kMaxTextBytes) {
    ShowMessage(QStringLiteral("请输入不超过 %1 个字符。").arg(kMaxTextBytes));
    m_editText->setFocus();
    return false;
  }
  return true;
}

int CDmDlg::SelectedPosition() const {
  const QList<QListWidgetItem*> selected = m_listSize->selectedItems();
  return selected.isEmpty() ? -1 : m_listSize->row(selected.first());
}

void CDmDlg::OnSysCommand(unsigned commandId) {
  if ((commandId & 0xFFF0) == IDM_ABOUTBOX) {
    CAboutDlg about(this);
    about.exec();
  }
}

void CDmDlg::OnBnClickedOutput() {
  UpdateData(true);
  m_strOutputPath = dmOutputPathIn(QDir::currentPath());

  const int position = SelectedPosition();
  if (position < 0 || position >= DM_SYMBOL_SIZE_COUNT || m_strText.isEmpty()) {
    ShowMessage(QStringLiteral("请输入编码字符串！"));
    return;
  }
  const QByteArray text = m_strText.toLocal8Bit();
  const QByteArray path = QFile::encodeName(m_strOutputPath);
  if (dmEncodeToFile(SelectableSizes[position], text.constData(), path.constData()) != 0) {
    const int reason = errno;
    ShowMessage(QStringLiteral("无法写入文件：") + m_strOutputPath + QStringLiteral("（") + dmWriteErrorText(reason) +
                QStringLiteral("）"));
    return;
  }
  UpdateData(false);
}

void CDmDlg::OnBnClickedChoosePath() {
  QFileDialog chooser(this);
  chooser.setAcceptMode(QFileDialog::AcceptOpen);
  chooser.setFileMode(QFileDialog::ExistingFiles);
  chooser.exec();
}

void CDmDlg::OnBnClickedClose() { OnCancel(); }

void CDmDlg::OnOK() {
  if (UpdateData(true)) accept();
}

void CDmDlg::OnCancel() { reject(); }

void CDmDlg::ShowMessage(const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, QGuiApplication::applicationDisplayName(), text, QMessageBox::Ok, this);
  box.exec();
}

void CDmDlg::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
  if (enter && mods == Qt::NoModifier) {
    // A focused push button takes Enter as a press; anywhere else it is OK.
    if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
      button->click();
    } else {
      OnOK();
    }
    return;
  }
  if (event->matches(QKeySequence::Cancel)) {
    OnCancel();
    return;
  }
  QDialog::keyPressEvent(event);
}

void CDmDlg::contextMenuEvent(QContextMenuEvent* event) {
  QMenu menu(this);
  QAction* about = menu.addAction(QStringLiteral("关于 Dexmora(&A)..."));
  about->setData(IDM_ABOUTBOX);
  if (QAction* chosen = menu.exec(event->globalPos())) OnSysCommand(chosen->data().toUInt());
}
