#pragma once

#include <QString>
#include <QValidator>

// Length of `text` in bytes of the locale's narrow encoding (UTF-8 on Linux):
// the bytes the encoder is handed.
int dmNarrowLength(const QString& text);

// Keeps a line edit's text within a number of narrow-encoding bytes. Typed or
// pasted text that would pass the limit is cut back by whole characters from
// the end of what was just inserted, so a multibyte character is either kept
// entirely or refused, never split.
class CByteLimitValidator : public QValidator {
 public:
  CByteLimitValidator(int maxBytes, QObject* parent);

  State validate(QString& input, int& pos) const override;
  int MaxBytes() const { return m_maxBytes; }

 private:
  int m_maxBytes;
};
