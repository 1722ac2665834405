#include <dexmora/render.h>

namespace dexmora {

struct RenderSettings::Values {
  std::optional<int> modulePixels;
  std::optional<double> xdimMm;
  std::optional<int> dpi;
  std::optional<int> quietZone;
  std::optional<Colour> foreground;
  std::optional<Colour> background;
  std::optional<bool> invert;
  PictureLimits limits;
};

RenderSettings::RenderSettings() : m_values(std::make_unique<Values>()) {}
RenderSettings::RenderSettings(const RenderSettings& other) : m_values(std::make_unique<Values>(*other.m_values)) {}
RenderSettings& RenderSettings::operator=(const RenderSettings& other) {
  *m_values = *other.m_values;
  return *this;
}
RenderSettings::~RenderSettings() = default;

RenderSettings& RenderSettings::setModulePixels(int pixels) {
  m_values->modulePixels = pixels;
  return *this;
}
RenderSettings& RenderSettings::setXdimMm(double millimetres) {
  m_values->xdimMm = millimetres;
  return *this;
}
RenderSettings& RenderSettings::setDpi(int dpi) {
  m_values->dpi = dpi;
  return *this;
}
RenderSettings& RenderSettings::setQuietZone(int modules) {
  m_values->quietZone = modules;
  return *this;
}
RenderSettings& RenderSettings::setForeground(const Colour& colour) {
  m_values->foreground = colour;
  return *this;
}
RenderSettings& RenderSettings::setBackground(const Colour& colour) {
  m_values->background = colour;
  return *this;
}
RenderSettings& RenderSettings::setInvert(bool invert) {
  m_values->invert = invert;
  return *this;
}
RenderSettings& RenderSettings::setLimits(const PictureLimits& limits) {
  m_values->limits = limits;
  return *this;
}

std::optional<int> RenderSettings::modulePixels() const { return m_values->modulePixels; }
std::optional<double> RenderSettings::xdimMm() const { return m_values->xdimMm; }
std::optional<int> RenderSettings::dpi() const { return m_values->dpi; }
std::optional<int> RenderSettings::quietZone() const { return m_values->quietZone; }
std::optional<Colour> RenderSettings::foreground() const { return m_values->foreground; }
std::optional<Colour> RenderSettings::background() const { return m_values->background; }
std::optional<bool> RenderSettings::invert() const { return m_values->invert; }
const PictureLimits& RenderSettings::limits() const { return m_values->limits; }

bool RenderSettings::exact() const {
  const Values& v = *m_values;
  return v.modulePixels || v.xdimMm || v.dpi || v.quietZone || v.foreground || v.background || v.invert;
}

}  // namespace dexmora
