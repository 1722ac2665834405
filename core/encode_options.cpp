#include <dexmora/options.h>

#include "core/encode_settings.h"

namespace dexmora {

EncodeOptions::EncodeOptions() : m_settings(std::make_unique<EncodeSettings>()) {}
EncodeOptions::EncodeOptions(const EncodeOptions& other)
    : m_settings(std::make_unique<EncodeSettings>(*other.m_settings)) {}
EncodeOptions& EncodeOptions::operator=(const EncodeOptions& other) {
  *m_settings = *other.m_settings;
  return *this;
}
EncodeOptions::~EncodeOptions() = default;

EncodeOptions& EncodeOptions::setSize(int rows, int cols) {
  m_settings->size.rows = rows;
  m_settings->size.cols = cols;
  return *this;
}
EncodeOptions& EncodeOptions::setShape(Shape shape) {
  m_settings->size.shape = shape;
  return *this;
}
EncodeOptions& EncodeOptions::setDmre(bool dmre) {
  m_settings->size.dmre = dmre;
  return *this;
}
EncodeOptions& EncodeOptions::setExactSize(bool exact) {
  m_settings->size.exact = exact;
  return *this;
}
EncodeOptions& EncodeOptions::setDm144(Dm144Layout layout) {
  m_settings->dm144 = layout;
  return *this;
}
EncodeOptions& EncodeOptions::setEncodation(Encodation encodation) {
  m_settings->data.encodation = encodation;
  return *this;
}
EncodeOptions& EncodeOptions::setGs1(bool gs1) {
  m_settings->data.gs1 = gs1;
  return *this;
}
EncodeOptions& EncodeOptions::setGs1Parens(bool parens) {
  m_settings->data.gs1Parens = parens;
  return *this;
}
EncodeOptions& EncodeOptions::setGs1GroupSeparator(bool groupSeparator) {
  m_settings->data.gs1GroupSeparator = groupSeparator;
  return *this;
}
EncodeOptions& EncodeOptions::setGs1NoCheck(bool noCheck) {
  m_settings->data.gs1NoCheck = noCheck;
  return *this;
}
EncodeOptions& EncodeOptions::setEci(std::optional<int> eci) {
  m_settings->data.eci = eci;
  return *this;
}
EncodeOptions& EncodeOptions::setReaderInit(bool readerInit) {
  m_settings->data.readerInit = readerInit;
  return *this;
}
EncodeOptions& EncodeOptions::setMacro(int macro) {
  m_settings->data.macro = macro;
  return *this;
}
EncodeOptions& EncodeOptions::setStructuredAppend(const StructuredAppend& append) {
  m_settings->data.structuredAppend = append;
  return *this;
}

int EncodeOptions::sizeRows() const { return m_settings->size.rows; }
int EncodeOptions::sizeCols() const { return m_settings->size.cols; }
Shape EncodeOptions::shape() const { return m_settings->size.shape; }
bool EncodeOptions::dmre() const { return m_settings->size.dmre; }
bool EncodeOptions::exactSize() const { return m_settings->size.exact; }
Dm144Layout EncodeOptions::dm144() const { return m_settings->dm144; }
Encodation EncodeOptions::encodation() const { return m_settings->data.encodation; }
bool EncodeOptions::gs1() const { return m_settings->data.gs1 || m_settings->data.gs1Parens; }
bool EncodeOptions::gs1Parens() const { return m_settings->data.gs1Parens; }
bool EncodeOptions::gs1GroupSeparator() const { return m_settings->data.gs1GroupSeparator; }
bool EncodeOptions::gs1NoCheck() const { return m_settings->data.gs1NoCheck; }
std::optional<int> EncodeOptions::eci() const { return m_settings->data.eci; }
bool EncodeOptions::readerInit() const { return m_settings->data.readerInit; }
int EncodeOptions::macro() const { return m_settings->data.macro; }
StructuredAppend EncodeOptions::structuredAppend() const { return m_settings->data.structuredAppend; }

}  // namespace dexmora
