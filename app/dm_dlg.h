#pragma once

#include <QDialog>
#include <QIcon>
#include <QString>

#include "app/resource_ids.h"

class QLineEdit;
class QListWidget;

// The main dialog: the user types a text of at most 12 bytes, picks one of
// the 24 symbol sizes and presses "输出"; the symbol is written as
// output.png in the current directory and the file's path shows in a
// read-only field.
class CDmDlg : public QDialog {
  Q_OBJECT

 public:
  enum { IDD = IDD_MAIN_DIALOG };
  static constexpr int kMaxTextBytes = 12;

  explicit CDmDlg(QWidget* parent = nullptr);

 public slots:
  // Commands of the window menu: 16..31 open the About box. Other commands
  // have nothing to go to, as the window manager keeps its own menu.
  void OnSysCommand(unsigned commandId);
  void OnBnClickedOutput();
  // Runs a file chooser whose answer is not used; its button stays hidden.
  void OnBnClickedChoosePath();
  void OnBnClickedClose();

 protected:
  // Copies the fields into the strings and checks the text's byte limit
  // (saveAndValidate), or shows the strings in the fields. Returns false
  // when the check fails, after saying so.
  bool UpdateData(bool saveAndValidate = true);
  // Enter: ends the dialog when the fields pass the check.
  virtual void OnOK();
  // Escape and the close button: ends the dialog.
  virtual void OnCancel();
  // Every message box of the dialog goes through here.
  virtual void ShowMessage(const QString& text);

  void keyPressEvent(QKeyEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

  QIcon m_hIcon;
  QString m_strOutputPath;
  QString m_strText;
  QListWidget* m_listSize = nullptr;

 private:
  void CreateControls();
  bool OnInitDialog();
  int SelectedPosition() const;

  QLineEdit* m_editText = nullptr;
  QLineEdit* m_editOutputPath = nullptr;
};
