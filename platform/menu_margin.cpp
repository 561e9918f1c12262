#include "platform/menu_margin.h"
#include "platform/handles.h"

namespace corvel {

namespace {

constexpr int kGradientBands = 32;
constexpr int kMinBands = 2;
constexpr int kLinesWidth = 3;
constexpr int kTextLift = 5;
constexpr COLORREF kWhite = 0xFFFFFF;

BYTE Blend(BYTE a, BYTE b, int i, int n) { return static_cast<BYTE>(a + (b - a) * i / (n - 1)); }

}  // namespace

std::vector<MarginBand> MarginGradientBands(const RECT& strip, COLORREF top, COLORREF bottom) {
  const int height = strip.bottom - strip.top;
  int bands = height < kGradientBands ? height : kGradientBands;
  if (bands < kMinBands) bands = kMinBands;
  std::vector<MarginBand> result;
  result.reserve(bands);
  for (int i = 0; i < bands; ++i) {
    RECT r{strip.left, strip.top + MulDiv(height, i, bands), strip.right - kLinesWidth,
           strip.top + MulDiv(height, i + 1, bands)};
    const COLORREF c = RGB(Blend(GetRValue(top), GetRValue(bottom), i, bands),
                           Blend(GetGValue(top), GetGValue(bottom), i, bands),
                           Blend(GetBValue(top), GetBValue(bottom), i, bands));
    result.push_back({r, c});
  }
  return result;
}

void PaintMenuMargin(HDC dc, const RECT& strip, const MarginStyle& style, const std::string& text) {
  for (const MarginBand& band : MarginGradientBands(strip, style.top, style.bottom)) {
    BrushHandle brush(CreateSolidBrush(band.colour));
    FillRect(dc, &band.rect, brush.get());
  }
  const RECT shadow{strip.right - 2, strip.top, strip.right - 1, strip.bottom};
  const RECT light{strip.right - 1, strip.top, strip.right, strip.bottom};
  FillRect(dc, &shadow, GetSysColorBrush(COLOR_BTNSHADOW));
  FillRect(dc, &light, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
  SelectGuard font(dc, style.font);
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColour = SetTextColor(dc, kWhite);
  ExtTextOutA(dc, strip.left + style.textDx, strip.bottom - kTextLift, ETO_CLIPPED, &strip, text.c_str(),
              static_cast<UINT>(text.size()), nullptr);
  SetTextColor(dc, oldColour);
  SetBkMode(dc, oldMode);
}

}  // namespace corvel
