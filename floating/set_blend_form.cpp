#include "floating/set_blend_form.h"
#include "app/unit1.h"
#include "floating/blend_win.h"
#include "platform/messages.h"
#include "resources/menu_images.h"
#include "sysinfo/os_info.h"

namespace corvel {

using namespace set_blend_layout;

namespace {

enum ControlId : int { kGroupBox1 = 101, kGroupBox2, kGroupBox3, kRxLabel1, kRxSpinEdit1, kColorComboBox1,
                       kColorComboBox2, kRxSpeedButton2 };

constexpr int kSwatchInset = 2;
constexpr int kSwatchWidth = 24;
constexpr int kSwatchGap = 6;
constexpr int kGlyphLeft = 8;

}  // namespace

TSetBlendForm::TSetBlendForm(TForm1& mainForm)
    : ModalForm("TSetBlendForm", "Transparency and color", kClientWidth, kClientHeight),
      main_(mainForm),
      glyphs_(kFloatingMenuImageSize, kFloatingMenuImageSize) {
  AddFloatingMenuImages(glyphs_);
}

bool TSetBlendForm::CreateForm(HWND owner) {
  if (!ModalForm::CreateForm(owner)) return false;
  CreateControls();
  return true;
}

void TSetBlendForm::CreateControls() {
  const HWND form = hwnd();
  GroupBox1.Create(form, kGroupBox1, " Transparency level ", kGroupLeft, kGroup1Top, kGroupWidth, kGroupHeight);
  RxLabel1.Create(form, kRxLabel1, "Set transperancy level", kGroupLeft + kLabelX, kGroup1Top + kLabelY, kLabelWidth,
                  kLabelHeight);
  RxSpinEdit1.Create(form, kRxSpinEdit1, kGroupLeft + kSpinX, kGroup1Top + kSpinY, kSpinWidth, kSpinHeight, kAlphaMin,
                     kAlphaMax, kAlphaInitial);
  GroupBox2.Create(form, kGroupBox2, " Select border color ", kGroupLeft, kGroup2Top, kGroupWidth, kGroupHeight);
  GroupBox3.Create(form, kGroupBox3, " Select background color ", kGroupLeft, kGroup3Top, kGroupWidth, kGroupHeight);
  const int dropHeight = kComboHeight + kComboDropItems * kComboItemHeight;
  ColorComboBox1.Create(form, kColorComboBox1, kGroupLeft + kComboX, kGroup2Top + kComboY, kComboWidth, dropHeight,
                        true, kComboItemHeight);
  ColorComboBox2.Create(form, kColorComboBox2, kGroupLeft + kComboX, kGroup3Top + kComboY, kComboWidth, dropHeight,
                        true, kComboItemHeight);
  for (const NamedColour& c : kBlendColours) {
    ColorComboBox1.Add(c.name, static_cast<LONG_PTR>(c.colour));
    ColorComboBox2.Add(c.name, static_cast<LONG_PTR>(c.colour));
  }
  ColorComboBox1.SetItemIndex(kBorderInitial);
  ColorComboBox2.SetItemIndex(kBackgroundInitial);
  RxSpeedButton2.Create(form, kRxSpeedButton2, "  Close", kCloseX, kCloseY, kCloseWidth, kCloseHeight, BS_OWNERDRAW);

  ControlEvents& events = Events();
  events.OnCommand(kRxSpinEdit1, [this](WORD code) {
    if (code == EN_CHANGE) RxSpinEdit1Change();
    // A typed value beyond the range is brought back when the field is left.
    if (code == EN_KILLFOCUS) RxSpinEdit1.SetValue(RxSpinEdit1.Value());
  });
  events.OnCommand(kColorComboBox1, [this](WORD code) {
    if (code == CBN_SELCHANGE) ColorComboBox1Change();
  });
  events.OnCommand(kColorComboBox2, [this](WORD code) {
    if (code == CBN_SELCHANGE) ColorComboBox2Change();
  });
  events.OnClick(kRxSpeedButton2, [this] { RxSpeedButton2Click(); });
  for (int id : {kColorComboBox1, kColorComboBox2})
    events.OnDrawItem(id, [this](const DRAWITEMSTRUCT& item) { DrawColourItem(item); });
  events.OnDrawItem(kRxSpeedButton2, [this](const DRAWITEMSTRUCT& item) { DrawCloseButton(item); });
}

void TSetBlendForm::FormShow() {
  // No layered windows on these systems: the level cannot be set.
  if (main_.ButtonStyle == kOsWin95 || main_.ButtonStyle == kOsWin98) {
    GroupBox1.SetEnabled(false);
    RxLabel1.SetEnabled(false);
    RxSpinEdit1.SetEnabled(false);
    if (RxSpinEdit1.UpDown()) EnableWindow(RxSpinEdit1.UpDown(), FALSE);
  }
}

void TSetBlendForm::RxSpinEdit1Change() {
  if (!FloatingWindowHandle) return;
  main_.SetLayeredAttributes(FloatingWindowHandle, 0, static_cast<BYTE>(RxSpinEdit1.Value()), kLayeredAlphaFlag);
}

COLORREF TSetBlendForm::SelectedColour(const ComboBox& box) {
  const int i = box.ItemIndex();
  return i < 0 ? kBlendColours[0].colour : static_cast<COLORREF>(box.ItemData(i));
}

void TSetBlendForm::ColorComboBox1Change() {
  if (!FloatingWindow) return;
  FloatingWindow->BorderColor = SelectedColour(ColorComboBox1);
  FloatingWindow->Repaint();
}

void TSetBlendForm::ColorComboBox2Change() {
  if (!FloatingWindow) return;
  FloatingWindow->Color = SelectedColour(ColorComboBox2);
  FloatingWindow->Repaint();
}

void TSetBlendForm::RxSpeedButton2Click() { CloseModal(); }

void TSetBlendForm::FloatingWindowGone(const TBlendWin* window) {
  if (!window || window != FloatingWindow) return;
  FloatingWindow = nullptr;
  FloatingWindowHandle = nullptr;
  CloseModal();
}

void TSetBlendForm::DrawColourItem(const DRAWITEMSTRUCT& item) const {
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  FillRect(dc, &r, GetSysColorBrush(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
  if (item.itemID == static_cast<UINT>(-1) || item.itemID >= kBlendColours.size()) return;
  const NamedColour& c = kBlendColours[item.itemID];
  RECT swatch{r.left + kSwatchInset, r.top + kSwatchInset, r.left + kSwatchInset + kSwatchWidth, r.bottom - kSwatchInset};
  BrushHandle fill(CreateSolidBrush(c.colour));
  FillRect(dc, &swatch, fill.get());
  FrameRect(dc, &swatch, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  RECT text = r;
  text.left = swatch.right + kSwatchGap;
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColour = SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
  DrawTextA(dc, c.name, -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  SetTextColor(dc, oldColour);
  SetBkMode(dc, oldMode);
}

void TSetBlendForm::DrawCloseButton(const DRAWITEMSTRUCT& item) const {
  HDC dc = item.hDC;
  RECT r = item.rcItem;
  const bool pushed = (item.itemState & ODS_SELECTED) != 0;
  DrawFrameControl(dc, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
  const int shift = pushed ? 1 : 0;
  const int glyphTop = (r.top + r.bottom - glyphs_.Height()) / 2 + shift;
  glyphs_.Draw(static_cast<int>(FloatingMenuImage::Close), dc, r.left + kGlyphLeft + shift, glyphTop);
  RECT text = r;
  text.left += kGlyphLeft + glyphs_.Width() + shift;
  text.top += shift;
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColour = SetTextColor(dc, GetSysColor(COLOR_BTNTEXT));
  const std::string caption = WindowText(item.hwndItem);
  DrawTextA(dc, caption.c_str(), -1, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);
  SetTextColor(dc, oldColour);
  SetBkMode(dc, oldMode);
  if (item.itemState & ODS_FOCUS) {
    RECT focus = r;
    InflateRect(&focus, -3, -3);
    DrawFocusRect(dc, &focus);
  }
}

}  // namespace corvel
