#include <dexmora/notice.h>

namespace dexmora {

std::string_view noticeName(NoticeCode code) {
  switch (code) {
    case NoticeCode::SizeRaised: return "size_raised";
    case NoticeCode::ModuleRounded: return "module_rounded";
  }
  return "unknown";
}

Notice::Notice(NoticeCode code, std::vector<NoticeFigure> figures, std::string message)
    : m_code(code), m_figures(std::move(figures)), m_message(std::move(message)) {}

NoticeCode Notice::code() const { return m_code; }

std::string_view Notice::name() const { return noticeName(m_code); }

const std::vector<NoticeFigure>& Notice::figures() const { return m_figures; }

std::string_view Notice::figure(std::string_view name) const {
  for (const NoticeFigure& figure : m_figures)
    if (figure.first == name) return figure.second;
  return {};
}

const std::string& Notice::message() const { return m_message; }

}  // namespace dexmora
