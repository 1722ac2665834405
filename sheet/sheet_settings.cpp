#include <dexmora/sheet.h>

namespace dexmora {

struct SheetSettings::Data {
  SheetExtent paper{210, 297};
  SheetGrid grid;
  std::optional<SheetExtent> cell;
  std::optional<SheetPair> margin;
  std::optional<SheetPair> pitch;
  int skip = 0;
  CaptionSide captionSide = CaptionSide::Below;
  double captionSize = 8;
  std::string font = "sans-serif";
  bool outline = false;
  bool xdimFit = false;
  RenderSettings render;
};

SheetSettings::SheetSettings() : m_data(std::make_unique<Data>()) {}
SheetSettings::SheetSettings(const SheetSettings& other) : m_data(std::make_unique<Data>(*other.m_data)) {}
SheetSettings& SheetSettings::operator=(const SheetSettings& other) {
  if (this != &other) m_data = std::make_unique<Data>(*other.m_data);
  return *this;
}
SheetSettings::SheetSettings(SheetSettings&& other) noexcept = default;
SheetSettings& SheetSettings::operator=(SheetSettings&& other) noexcept = default;
SheetSettings::~SheetSettings() = default;

SheetExtent SheetSettings::paper() const { return m_data->paper; }
void SheetSettings::setPaper(const SheetExtent& paper) { m_data->paper = paper; }
SheetGrid SheetSettings::grid() const { return m_data->grid; }
void SheetSettings::setGrid(const SheetGrid& grid) { m_data->grid = grid; }
std::optional<SheetExtent> SheetSettings::cell() const { return m_data->cell; }
void SheetSettings::setCell(const std::optional<SheetExtent>& cell) { m_data->cell = cell; }
std::optional<SheetPair> SheetSettings::margin() const { return m_data->margin; }
void SheetSettings::setMargin(const std::optional<SheetPair>& margin) { m_data->margin = margin; }
std::optional<SheetPair> SheetSettings::pitch() const { return m_data->pitch; }
void SheetSettings::setPitch(const std::optional<SheetPair>& pitch) { m_data->pitch = pitch; }
int SheetSettings::skip() const { return m_data->skip; }
void SheetSettings::setSkip(int skip) { m_data->skip = skip; }
CaptionSide SheetSettings::captionSide() const { return m_data->captionSide; }
void SheetSettings::setCaptionSide(CaptionSide side) { m_data->captionSide = side; }
double SheetSettings::captionSize() const { return m_data->captionSize; }
void SheetSettings::setCaptionSize(double points) { m_data->captionSize = points; }
const std::string& SheetSettings::font() const { return m_data->font; }
void SheetSettings::setFont(std::string pattern) { m_data->font = std::move(pattern); }
bool SheetSettings::outline() const { return m_data->outline; }
void SheetSettings::setOutline(bool outline) { m_data->outline = outline; }
bool SheetSettings::xdimFit() const { return m_data->xdimFit; }
void SheetSettings::setXdimFit(bool fit) { m_data->xdimFit = fit; }
const RenderSettings& SheetSettings::render() const { return m_data->render; }
void SheetSettings::setRender(const RenderSettings& render) { m_data->render = render; }

}  // namespace dexmora
