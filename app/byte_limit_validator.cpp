#include "app/byte_limit_validator.h"

namespace {

// The longest leading run of whole characters of `text` that fits in `budget`
// bytes. A surrogate pair is one character.
QString fittingPrefix(const QString& text, int budget) {
  int used = 0;
  int end = 0;
  while (end < text.size()) {
    const int units =
        text[end].isHighSurrogate() && end + 1 < text.size() && text[end + 1].isLowSurrogate() ? 2 : 1;
    used += dmNarrowLength(text.mid(end, units));
    if (used > budget) break;
    end += units;
  }
  return text.left(end);
}

}  // namespace

int dmNarrowLength(const QString& text) { return static_cast<int>(text.toLocal8Bit().size()); }

CByteLimitValidator::CByteLimitValidator(int maxBytes, QObject* parent)
    : QValidator(parent), m_maxBytes(maxBytes) {}

QValidator::State CByteLimitValidator::validate(QString& input, int& pos) const {
  if (dmNarrowLength(input) <= m_maxBytes) return Acceptable;
  // The text before the cursor ends with what was just typed or pasted; the
  // text after it was there before and is kept while it fits on its own.
  const QString tail = input.mid(pos);
  const int budget = m_maxBytes - dmNarrowLength(tail);
  if (budget < 0) {
    input = fittingPrefix(input, m_maxBytes);
    pos = static_cast<int>(input.size());
    return Acceptable;
  }
  const QString head = fittingPrefix(input.left(pos), budget);
  input = head + tail;
  pos = static_cast<int>(head.size());
  return Acceptable;
}
