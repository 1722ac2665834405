#pragma once

#include <QApplication>
#include <QTranslator>

// The application object: starts the main dialog and ends the program when
// that dialog closes.
class CDmApp : public QApplication {
  Q_OBJECT

 public:
  CDmApp(int& argc, char** argv);

  // Runs the main dialog modally. Returns false: the program ends when the
  // dialog does, without an event loop of its own.
  virtual bool InitInstance();

 private:
  // Qt's own texts (the message boxes' standard buttons) in the dialog's language.
  QTranslator m_qtTranslator;
};
