#include "options/options_form.h"
#include <cmath>
#include "app/unit1.h"
#include "platform/help.h"
#include "platform/messages.h"
#include "platform/picture.h"
#include "platform/profile.h"
#include "sysinfo/os_info.h"

namespace corvel {

namespace {

constexpr COLORREF kSpeedBarTop = RGB(96, 112, 148);
constexpr COLORREF kSpeedBarBottom = RGB(36, 44, 68);
constexpr int kGlyphTop = 8;
constexpr int kMajorVersionWithEffects = 4;  // effects need a major version above this
constexpr const char kSettingsWriteCaption[] = "Corvel";

RECT InFrame(const RECT& frame, const RECT& r) {
  return {frame.left + r.left, frame.top + r.top, frame.left + r.right, frame.top + r.bottom};
}

template <typename C, typename... Extra>
bool Place(C& control, HWND parent, int id, const std::string& text, const RECT& r, Extra... extra) {
  return control.Create(parent, id, text, r.left, r.top, r.right - r.left, r.bottom - r.top, extra...);
}

// The bar's background picture: a vertical gradient over the whole height of the dialog.
void PaintSpeedBarBackground(HDC dc, const RECT& r, int barTop, int formHeight) {
  for (int y = r.top; y < r.bottom; ++y) {
    const int at = y + barTop;
    const auto mix = [at, formHeight](int a, int b) { return a + (b - a) * at / formHeight; };
    const COLORREF c = RGB(mix(GetRValue(kSpeedBarTop), GetRValue(kSpeedBarBottom)),
                           mix(GetGValue(kSpeedBarTop), GetGValue(kSpeedBarBottom)),
                           mix(GetBValue(kSpeedBarTop), GetBValue(kSpeedBarBottom)));
    BrushHandle brush(CreateSolidBrush(c));
    RECT line{r.left, y, r.right, y + 1};
    FillRect(dc, &line, brush.get());
  }
}

}  // namespace

TForm2::TForm2(TForm1& form1)
    : ModalForm("TForm2", "Options", kForm2Width, kForm2Height), CaptionButtonPage(form1), form1_(form1) {}

bool TForm2::CreateForm(HWND owner) {
  if (!ModalForm::CreateForm(owner)) return false;
  speedBarFont_ = CreatePointFont("Tahoma", 8);
  titleFont_ = CreateBoldCopy(Font(), kStripFontPoints);
  CreateFrame();
  CreateCommonPage();
  CaptionButtonPage.Create(TabSheet2.hwnd(), Events());
  FormCreate();
  return true;
}

void TForm2::CreateFrame() {
  struct Item {
    SpeedItem* item;
    int id, top;
    const char* caption;
    const char* buttonCaption;
    SpeedBarGlyph glyph;
    void (TForm2::*click)();
  } items[] = {
      {&SpeedItem1, kSpeedItem1Id, kSpeedItem1Top, "Common", "Common", SpeedBarGlyph::Common, &TForm2::SpeedItem1Click},
      {&SpeedItem2, kSpeedItem2Id, kSpeedItem2Top, "Caption Button", "Caption\r\nButton", SpeedBarGlyph::CaptionButton,
       &TForm2::SpeedItem2Click},
      {&SpeedItem3, kSpeedItem3Id, kSpeedItem3Top, "Control Panel", "Control Panel", SpeedBarGlyph::ControlPanel,
       &TForm2::SpeedItem3Click},
      {&SpeedItem5, kSpeedItem5Id, kSpeedItem5Top, "Quick run", "Quick run", SpeedBarGlyph::QuickRun,
       &TForm2::SpeedItem5Click},
      {&SpeedItem4, kSpeedItem4Id, kSpeedItem4Top, "Help", "Help", SpeedBarGlyph::Help, &TForm2::SpeedItem4Click},
  };
  for (const Item& i : items) {
    i.item->Caption = i.caption;
    i.item->glyph = i.glyph;
    i.item->button.Create(hwnd(), i.id, i.buttonCaption, kSpeedItemLeft, i.top, kSpeedItemWidth, kSpeedItemHeight,
                          BS_OWNERDRAW);
    i.item->button.SetFont(speedBarFont_.get());
    SpeedItem* item = i.item;
    Events().OnDrawItem(i.id, [this, item](const DRAWITEMSTRUCT& d) { DrawSpeedItem(*item, d); });
    Events().OnClick(i.id, [this, click = i.click] { (this->*click)(); });
  }
  Place(PaintBox1, hwnd(), kPaintBox1Id, "", kPaintBox1Box, static_cast<DWORD>(SS_OWNERDRAW));
  Events().OnDrawItem(kPaintBox1Id, [this](const DRAWITEMSTRUCT& d) {
    PaintTitleStrip(d.hDC, d.rcItem.right - d.rcItem.left, d.rcItem.bottom - d.rcItem.top);
  });
  Place(Label2, hwnd(), kLabel2Id, "", kLabel2Box);
  Label2.SetVisible(false);

  const RECT& pc = kPageControl1Box;
  PageControl1.Create(hwnd(), pc.left, pc.top, pc.right - pc.left, pc.bottom - pc.top);
  PageControl1.onPaint = [](HDC dc, const RECT& r) {
    RECT frame = r;
    DrawEdge(dc, &frame, EDGE_RAISED, BF_RECT);
  };
  const int sheetW = pc.right - pc.left - 2 * kPageInset, sheetH = pc.bottom - pc.top - 2 * kPageInset;
  for (Panel* sheet : {&TabSheet1, &TabSheet2, &TabSheet3, &TabSheet4})
    sheet->Create(PageControl1.hwnd(), kPageInset, kPageInset, sheetW, sheetH, sheet == &TabSheet1 ? WS_VISIBLE : 0);

  const auto bottom = [](int left) {
    return RECT{left, kBottomButtonTop, left + kBottomButtonWidth, kBottomButtonTop + kBottomButtonHeight};
  };
  Place(Button2, hwnd(), kButton2Id, "Set Default", bottom(kButton2Left));
  Place(Button11, hwnd(), kButton11Id, "OK", bottom(kButton11Left), static_cast<DWORD>(BS_DEFPUSHBUTTON));
  Place(Button10, hwnd(), kButton10Id, "Cancel", bottom(kButton10Left));
  Events().OnClick(kButton2Id, [this] { Button2Click(); });
  Events().OnClick(kButton11Id, [this] { Button11Click(); });
  Events().OnClick(kButton10Id, [this] { Button10Click(); });
  // Escape and the title bar's close button cancel.
  Events().OnClick(IDCANCEL, [this] { Button10Click(); });
}

void TForm2::CreateCommonPage() {
  const HWND page = TabSheet1.hwnd();
  Place(GroupBox1, page, kGroupBox1Id, " Minimization options ", kGroupBox1Box);
  Place(CheckBox1, page, kCheckBox1Id, "Minimize to tray", InFrame(kGroupBox1Box, kCheckBox1Box));
  Place(CheckBox2, page, kCheckBox2Id, "Minimize to tray's menu", InFrame(kGroupBox1Box, kCheckBox2Box));
  Place(CheckBox5, page, kCheckBox5Id, "Minimize to transparent window", InFrame(kGroupBox1Box, kCheckBox5Box));
  for (CheckBox* box : {&CheckBox1, &CheckBox2, &CheckBox5}) box->SetChecked(true);

  Place(GroupBox5, page, kGroupBox5Id, " Hot key for caption button event ", kGroupBox5Box);
  const RECT combo = InFrame(kGroupBox5Box, kComboBox1Box);
  ComboBox1.Create(page, kComboBox1Id, combo.left, combo.top, combo.right - combo.left, combo.bottom - combo.top);
  for (const char* item : {"Hot Key is not selected", "Ctrl + Tab", "Ctrl + Space"}) ComboBox1.Add(item);

  Place(GroupBox2, page, kGroupBox2Id, " Visual effects ", kGroupBox2Box);
  Place(CheckBox3, page, kCheckBox3Id, "Slow apiarence while windows is restore", InFrame(kGroupBox2Box, kCheckBox3Box));
  Place(CheckBox4, page, kCheckBox4Id, "Slow disappiarence while minimization", InFrame(kGroupBox2Box, kCheckBox4Box));
  CheckBox3.SetEnabled(false);
  CheckBox4.SetEnabled(false);
  Place(Button4, page, kButton4Id, "Tray icon border color", InFrame(kGroupBox2Box, kButton4Box));
  Place(Shape1, page, kShape1Id, "", InFrame(kGroupBox2Box, kShape1Box), static_cast<DWORD>(SS_OWNERDRAW));

  Place(GroupBox6, page, kGroupBox6Id, " Localization ", kGroupBox6Box);
  Place(Button3, page, kButton3Id, "Load language library", InFrame(kGroupBox6Box, kButton3Box));
  Place(Label1, page, kLabel1Id, kBuiltInLanguage, InFrame(kGroupBox6Box, kLabel1Box), static_cast<DWORD>(SS_NOPREFIX));

  OpenDialog1.Filter = kLanguageFilter;
  OpenDialog1.FileName = "*.lng";
  Events().OnClick(kCheckBox1Id, [this] { CheckBox1Click(); });
  Events().OnClick(kCheckBox2Id, [this] { CheckBox2Click(); });
  Events().OnClick(kCheckBox5Id, [this] { CheckBox5Click(); });
  Events().OnClick(kButton4Id, [this] { Button4Click(); });
  Events().OnClick(kButton3Id, [this] { Button3Click(); });
  Events().OnDrawItem(kShape1Id, [this](const DRAWITEMSTRUCT& d) { DrawShape1(d); });
}

void TForm2::FormCreate() { SpeedItem1Click(); }

void TForm2::ShowPage(SpeedItem& item, int page) {
  for (SpeedItem* s : {&SpeedItem1, &SpeedItem2, &SpeedItem3, &SpeedItem5}) {
    s->down = s == &item;
    s->button.Invalidate();
  }
  activePage_ = page;
  Panel* sheets[] = {&TabSheet1, &TabSheet2, &TabSheet3, &TabSheet4};
  for (int i = 0; i < 4; ++i)
    if (i != page) sheets[i]->SetVisible(false);
  sheets[page]->SetVisible(true);
  Label2.SetText(item.Caption);
  PaintBox1.Invalidate();
}

void TForm2::DrawSpeedItem(const SpeedItem& item, const DRAWITEMSTRUCT& d) const {
  RECT r = d.rcItem;
  PaintSpeedBarBackground(d.hDC, r, item.button.Bounds().top, Scaled(kForm2Height, Dpi()));
  const bool pressed = (d.itemState & ODS_SELECTED) != 0;
  if (item.down || pressed) DrawEdge(d.hDC, &r, BDR_SUNKENOUTER, BF_RECT);
  // Inactive group buttons show their glyph greyed; Help is coloured while it is pressed.
  const bool greyed = item.glyph == SpeedBarGlyph::Help ? !pressed : !item.down;
  const int offset = pressed ? 1 : 0;
  const int glyphTop = Scaled(kGlyphTop, Dpi());
  DrawSpeedBarGlyph(d.hDC, item.glyph, r.left + (r.right - r.left - kSpeedBarGlyphSize) / 2 + offset,
                    r.top + glyphTop + offset, greyed);
  const std::string text = WindowText(d.hwndItem);
  SelectGuard font(d.hDC, speedBarFont_.get());
  SetBkMode(d.hDC, TRANSPARENT);
  SetTextColor(d.hDC, RGB(255, 255, 255));
  RECT t{r.left + 2 + offset, r.top + glyphTop + kSpeedBarGlyphSize + 4 + offset, r.right - 2 + offset, r.bottom};
  DrawTextA(d.hDC, text.c_str(), -1, &t, DT_CENTER | DT_WORDBREAK | DT_NOPREFIX);
  if (d.itemState & ODS_FOCUS) {
    RECT f{r.left + 3, r.top + 3, r.right - 3, r.bottom - 3};
    DrawFocusRect(d.hDC, &f);
  }
}

void TForm2::PaintTitleStrip(HDC dc, int width, int height) const {
  for (int x = 0; x < width; ++x) {
    // Halves round to even, as the default rounding mode does.
    const int d = static_cast<int>(std::nearbyint(static_cast<double>(kStripSpan) / width * (width - x))) + kStripBase;
    const int level = 255 - d;
    PenHandle pen(CreatePen(PS_SOLID, 1, RGB(level, level, level)));
    SelectGuard sel(dc, pen.get());
    MoveToEx(dc, x, 0, nullptr);
    LineTo(dc, x, height);
  }
  SelectGuard font(dc, titleFont_.get());
  SetBkMode(dc, TRANSPARENT);
  SetTextColor(dc, GetSysColor(COLOR_WINDOWTEXT));
  const std::string title = Label2.Text();
  TextOutA(dc, Scaled(kLabel2Box.left - kPaintBox1Box.left, Dpi()), Scaled(kLabel2Box.top - kPaintBox1Box.top - 2, Dpi()),
           title.c_str(), static_cast<int>(title.size()));
}

void TForm2::DrawShape1(const DRAWITEMSTRUCT& d) const {
  FillRect(d.hDC, &d.rcItem, GetSysColorBrush(COLOR_BTNFACE));
  // A square with a diagonal-cross hatch, its 2-pixel pen inside the frame.
  BrushHandle hatch(CreateHatchBrush(HS_DIAGCROSS, RGB(255, 255, 255)));
  PenHandle pen(CreatePen(PS_INSIDEFRAME, kShape1PenWidth, Shape1PenColor));
  SelectGuard b(d.hDC, hatch.get());
  SelectGuard p(d.hDC, pen.get());
  SetBkMode(d.hDC, TRANSPARENT);
  Rectangle(d.hDC, d.rcItem.left, d.rcItem.top, d.rcItem.right, d.rcItem.bottom);
}

void TForm2::SetCheck(CheckBox& box, bool checked, void (TForm2::*click)()) {
  if (box.Checked() == checked) return;
  box.SetChecked(checked);
  if (click) (this->*click)();
}

void TForm2::FormShow() {
  const TOptions& o = form1_.Options;
  SetCheck(CheckBox1, o.MinToTray, &TForm2::CheckBox1Click);
  SetCheck(CheckBox2, o.MinToMenu, &TForm2::CheckBox2Click);
  SetCheck(CheckBox5, o.MinToWindow, &TForm2::CheckBox5Click);
  CheckBox3.SetChecked(o.SlowA);
  CheckBox4.SetChecked(o.SlowD);
  Shape1PenColor = o.IconBrColor;
  Shape1.Invalidate();
  if (GetOsMajorVersion() > kMajorVersionWithEffects) {
    CheckBox3.SetEnabled(true);
    CheckBox4.SetEnabled(true);
  }
  ComboBox1.SetItemIndex(o.HotKey);
  CaptionButtonPage.Load();
  if (Pages.FormShow) Pages.FormShow();
  if (form1_.ButtonStyle == kOsWin98 || form1_.ButtonStyle == kOsWin95) {
    CheckBox3.SetEnabled(false);
    CheckBox4.SetEnabled(false);
  }
}

void TForm2::FormClose() {
  if (Pages.FormClose) Pages.FormClose();
}

void TForm2::WarnWhenNoMinimization() {
  if (CheckBox1.Checked() || CheckBox2.Checked() || CheckBox5.Checked()) return;
  MessageBoxA(hwnd(), kWarningText, kWarningCaption, MB_OK | MB_ICONWARNING);
}

void TForm2::Button4Click() {
  if (!ColorDialog1.Execute(hwnd())) return;
  Shape1PenColor = ColorDialog1.Color;
  form1_.Options.IconBrColor = ColorDialog1.Color;
  Shape1.Invalidate();
}

void TForm2::Button3Click() {
  OpenDialog1.InitialDir = ProgramFolder();
  if (OpenDialog1.Execute(hwnd())) LoadLanguageLibrary(OpenDialog1.FileName);
}

void TForm2::LoadLanguageLibrary(const std::string& path) {
  form1_.Options.LocalLibrary = path;
  form1_.Local.ApplyLanguageLibrary(path);
}

// The help at its contents, without waiting on the viewer: WinHelp where the system has it, the
// help page through the shell on Vista and later.
void TForm2::SpeedItem4Click() {
  if (IsVistaOrLater(form1_.OsCode)) OpenHelpPage(hwnd(), form1_.HelpPage);
  else OpenHelpContents(hwnd(), form1_.HelpFile);
}

void TForm2::Button2Click() {
  form1_.Options.SetDefaults();
  // Shown again, so that every control is loaded from the defaults; the dialog stays modal.
  ShowWindow(hwnd(), SW_HIDE);
  FormShow();
  ShowWindow(hwnd(), SW_SHOW);
}

bool TForm2::Button11Click() {
  TOptions& o = form1_.Options;
  o.MinToTray = CheckBox1.Checked();
  o.MinToMenu = CheckBox2.Checked();
  o.MinToWindow = CheckBox5.Checked();
  o.SlowA = CheckBox3.Checked();
  o.SlowD = CheckBox4.Checked();
  // The hot key held now is released whatever HotKey says (Set Default changes HotKey alone).
  form1_.ReleaseHotKey();
  o.HotKey = ComboBox1.ItemIndex();
  form1_.RegisterHotKeyFromOptions();
  CaptionButtonPage.Apply();
  try {
    o.Save();
    if (Pages.ApplyQuickRun) Pages.ApplyQuickRun();
    if (Pages.ApplyControlPanel) Pages.ApplyControlPanel();
  } catch (const ProfileWriteError& e) {
    MessageBoxA(hwnd(), e.what(), kSettingsWriteCaption, MB_OK | MB_ICONERROR);
    return false;
  }
  if (HWND foreground = GetForegroundWindow()) UpdateWindow(foreground);
  form1_.Applets.RemoveAppletTrayIcons();
  form1_.Applets.AddAppletTrayIcons(form1_.hwnd());
  CloseModal();
  return true;
}

void TForm2::SetSpeedItemText(SpeedItem& item, const std::string& text) {
  item.Caption = text;
  item.button.SetText(text);
  item.button.Invalidate();
  // The strip shows the visible page's title in the new language at once.
  if (item.down) {
    Label2.SetText(text);
    PaintBox1.Invalidate();
  }
}

Control* TForm2::LanguageElement(const std::string& key) {
  TCaptionButtonPage& c = CaptionButtonPage;
  const std::pair<const char*, Control*> elements[] = {
      {"MinOptions", &GroupBox1},   {"MinToTray", &CheckBox1},    {"MinToMenu", &CheckBox2},
      {"HotKey", &GroupBox5},       {"VisEffects", &GroupBox2},   {"SlowApp", &CheckBox3},
      {"SlowDis", &CheckBox4},      {"BorColor", &Button4},       {"Localization", &GroupBox6},
      {"Load", &Button3},           {"SetCapBut", &c.GroupBox3},  {"MainWin", &c.RadioButton1},
      {"AllDeskTop", &c.RadioButton2}, {"ListWin", &c.RadioButton3}, {"AddList", &c.Button5},
      {"DelList", &c.Button1},      {"CapVis", &c.GroupBox4},     {"Normal", &c.RadioButton4},
      {"WinXP", &c.RadioButton5},   {"SysDep", &c.RadioButton6},  {"ButHotKey", &c.RadioButton8},
      {"UsersBMP", &c.RadioButton7}, {"Pressed", &c.Button7},     {"Unpressed", &c.Button8},
      {"SetDef", &Button2},         {"BtnOk", &Button11},         {"BtnCancel", &Button10},
  };
  for (const auto& e : elements)
    if (key == e.first) return e.second;
  return nullptr;
}

void TForm2::ApplyLanguageText(const std::string& key, const std::string& text) {
  if (key == "Common") SetSpeedItemText(SpeedItem1, text);
  else if (key == "CapButton") SetSpeedItemText(SpeedItem2, text);
  else if (key == "ConPanel") SetSpeedItemText(SpeedItem3, text);
  else if (key == "BtnHelp") SetSpeedItemText(SpeedItem4, text);
  else if (key == "CurLib") curLib_ = text;
  else if (key == "LibName") Label1.SetText(curLib_ + ": " + text);
  else if (key == "CaptionOptions") SetCaption(text);
  else if (key == "SelItem" || key == "AllItems") {
    if (Pages.SetText) Pages.SetText(key, text);
  } else if (Control* element = LanguageElement(key)) {
    element->SetText(text);
  }
}

}  // namespace corvel
