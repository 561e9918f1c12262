#include "sysinfo/about_form.h"
#include <vector>
#include "platform/effects.h"
#include "platform/rotated_font.h"
#include "resources/resource_ids.h"
#include "sysinfo/os_info.h"

namespace corvel {

namespace {

FontHandle MakeFont(const char* face, int height, bool bold, bool underline = false) {
  FontSpec font;
  font.name = face;
  font.height = height;
  font.bold = bold;
  font.underline = underline;
  return CreateRotatedFont(font, 0);
}

// The box's picture, a .bmp kept among the program's resources.
void LoadPicture(Picture& picture) {
  HMODULE module = GetModuleHandleA(nullptr);
  HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(kAboutPictureResource), MAKEINTRESOURCEA(10));  // RT_RCDATA
  HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
  const auto* bytes = static_cast<const unsigned char*>(loaded ? LockResource(loaded) : nullptr);
  if (!bytes) return;
  picture.LoadFromMemory(std::vector<unsigned char>(bytes, bytes + SizeofResource(module, found)));
}

}  // namespace

TAForm::TAForm(const TLocal& local) : ModalForm("TAForm", kAboutCaption, kAboutWidth, kAboutHeight), local_(local) {}

bool TAForm::CreateForm(HWND owner) {
  if (!ModalForm::CreateForm(owner)) return false;
  makerFont_ = MakeFont("Arial", -24, true);
  programFont_ = MakeFont("Arial", -32, true);
  linkFont_ = MakeFont("MS Sans Serif", -11, false);
  linkHotFont_ = MakeFont("MS Sans Serif", -11, false, true);
  LoadPicture(Image1);
  HWND h = hwnd();
  const DWORD text = WS_VISIBLE | SS_NOPREFIX | SS_LEFTNOWORDWRAP;
  Label1.Create(h, kLabel1Id, kMakerName, kLabel1At.x, kLabel1At.y, 0, 0, text);
  Label1.SetFont(makerFont_.get());
  Label2.Create(h, kLabel2Id, kProgramName, kLabel2At.x, kLabel2At.y, 0, 0, text);
  Label2.SetFont(programFont_.get());
  Label3.Create(h, kLabel3Id, kVersionLine, kLabel3At.x, kLabel3At.y, 0, 0, text);
  Label4.Create(h, kLabel4Id, kNotice, kLabel4At.x, kLabel4At.y, 0, 0, text);
  // SS_NOTIFY: the link takes the pointer and reports clicks.
  Label5.Create(h, kLabel5Id, kHomePage, kLabel5At.x, kLabel5At.y, 0, 0, text | SS_NOTIFY);
  Label5.SetFont(linkFont_.get());
  Label6.Create(h, kLabel6Id, "Operation system:", kLabel6At.x, kLabel6At.y, 0, 0, text);
  Label7.Create(h, kLabel7Id, "Memory available:", kLabel7At.x, kLabel7At.y, 0, 0, text);
  for (Label* label : {&Label1, &Label2, &Label3, &Label4, &Label5, &Label6, &Label7}) label->AutoSize();
  Button1.Create(h, IDOK, "OK", kButton1Box.left, kButton1Box.top, kButton1Box.right - kButton1Box.left,
                 kButton1Box.bottom - kButton1Box.top, WS_VISIBLE | BS_DEFPUSHBUTTON);
  Events().OnClick(IDOK, [this] { Button1Click(); });
  Events().OnCommand(kLabel5Id, [this](WORD code) {
    if (code == STN_CLICKED) Label5Click();
  });
  return true;
}

void TAForm::FormShow() {
  SetLabel(Label6, local_.OsText + " " + GetOsName());
  SetLabel(Label7, local_.MemText + " " + std::to_string(GetTotalMemoryKb()) + kMemoryUnit);
}

void TAForm::SetLabel(Label& label, const std::string& text) {
  label.SetText(text);
  label.AutoSize();
}

void TAForm::Label5MouseMove() { SetLinkHot(true); }

void TAForm::FormMouseMove() { SetLinkHot(false); }

void TAForm::SetLinkHot(bool hot) {
  if (hot == linkHot_) return;
  linkHot_ = hot;
  Label5.SetFont(hot ? linkHotFont_.get() : linkFont_.get());
  Label5.Invalidate();
}

void TAForm::Label5Click() {
  CurrentEffects().ShellExecuteFile(GetWindow(hwnd(), GW_OWNER), "open", kHomePage, nullptr, nullptr, SW_HIDE);
}

void TAForm::FormPaint(HDC dc) {
  const RECT& box = kImage1Box;
  Image1.StretchDraw(dc, box);
  // A gray frame one pixel outside the picture.
  PenHandle pen(CreatePen(PS_SOLID, 1, kImageFrameColour));
  SelectGuard select(dc, pen.get());
  MoveToEx(dc, box.left - 1, box.top - 1, nullptr);
  LineTo(dc, box.right, box.top - 1);
  LineTo(dc, box.right, box.bottom);
  LineTo(dc, box.left - 1, box.bottom);
  LineTo(dc, box.left - 1, box.top - 1);
  // The rule: a shadow line over a highlight line.
  RECT rule = kBevel1Box;
  DrawEdge(dc, &rule, EDGE_ETCHED, BF_TOP);
}

LRESULT TAForm::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) noexcept {
  switch (msg) {
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd(), &ps);
      FormPaint(dc);
      EndPaint(hwnd(), &ps);
      return 0;
    }
    case WM_MOUSEMOVE:
      FormMouseMove();
      break;
    case WM_SETCURSOR:
      if (reinterpret_cast<HWND>(wp) == Label5.hwnd()) {
        Label5MouseMove();
        HCURSOR hand = LoadCursor(nullptr, IDC_HAND);
        SetCursor(hand ? hand : LoadCursor(nullptr, IDC_ARROW));
        return TRUE;
      }
      break;
    case WM_CTLCOLORSTATIC:
      if (reinterpret_cast<HWND>(lp) == Label5.hwnd()) {
        HDC dc = reinterpret_cast<HDC>(wp);
        SetTextColor(dc, linkHot_ ? kLinkHoverColour : kLinkColour);
        SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
        return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
      }
      break;
    default:
      break;
  }
  return ModalForm::HandleMessage(msg, wp, lp);
}

}  // namespace corvel
