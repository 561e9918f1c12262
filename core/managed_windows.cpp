#include "core/managed_windows.h"
#include <vector>
#include "app/unit1.h"
#include "floating/blend_win.h"
#include "floating/set_blend_form.h"
#include "platform/messages.h"
#include "platform/text.h"
#include "platform/tray_icon.h"
#include "sysinfo/os_info.h"

namespace corvel {

namespace {

// Runs `change` over the 32-bit pixels (0x00RRGGBB plus the alpha byte) of a w x h bitmap.
template <typename Change>
void ChangePixels(HBITMAP bitmap, int w, int h, Change change) {
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof bi.bmiHeader;
  bi.bmiHeader.biWidth = w;
  bi.bmiHeader.biHeight = -h;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  bi.bmiHeader.biCompression = BI_RGB;
  std::vector<DWORD> bits(static_cast<size_t>(w) * h);
  HDC screen = GetDC(nullptr);
  if (GetDIBits(screen, bitmap, 0, h, bits.data(), &bi, DIB_RGB_COLORS) == h && !bits.empty()) {
    change(bits);
    SetDIBits(screen, bitmap, 0, h, bits.data(), &bi, DIB_RGB_COLORS);
  }
  ReleaseDC(nullptr, screen);
}

constexpr DWORD kRgbBits = 0xFFFFFF;
constexpr DWORD kOpaqueAlpha = 0xFF000000;

// Every pixel of exactly the colour of pixel (0, 0) becomes `replacement`.
void ReplaceCornerColour(HBITMAP bitmap, int w, int h, COLORREF replacement) {
  ChangePixels(bitmap, w, h, [replacement](std::vector<DWORD>& bits) {
    const DWORD corner = bits[0] & kRgbBits;
    const DWORD with = (GetRValue(replacement) << 16) | (GetGValue(replacement) << 8) | GetBValue(replacement);
    for (DWORD& px : bits)
      if ((px & kRgbBits) == corner) px = with;
  });
}

// A caption icon with an alpha channel leaves alpha bytes in the picture; the system would then
// draw the icon by them and drop the background and border. Every pixel is made opaque.
void MakeOpaque(HBITMAP bitmap, int w, int h) {
  ChangePixels(bitmap, w, h, [](std::vector<DWORD>& bits) {
    for (DWORD& px : bits) px |= kOpaqueAlpha;
  });
}

}  // namespace

UINT FreeTrayCallback(const std::vector<std::unique_ptr<TrayWindowRecord>>& records,
                      const std::function<bool(UINT)>& taken) {
  for (UINT n = kWindowTrayCallbackFirst; n <= kWindowTrayCallbackLast; ++n) {
    bool used = taken && taken(n);
    for (const auto& r : records) used = used || r->CallbackMessage == n;
    if (!used) return n;
  }
  return 0;
}

IconHandle TForm1::MakeTrayIcon(HWND window) const {
  // A caption button's size less its edge; from Vista on, where caption buttons are far wider
  // than a slot of the tray, the system's small-icon size (which follows the DPI).
  const bool small = IsVistaOrLater(OsCode);
  const int w = small ? GetSystemMetrics(SM_CXSMICON) : GetSystemMetrics(SM_CXSIZE) - 2;
  const int h = small ? GetSystemMetrics(SM_CYSMICON) : GetSystemMetrics(SM_CYSIZE) - 2;
  BitmapHandle mask(CreateBitmap(w, h, 1, 1, nullptr));
  BitmapHandle colour = CreateScreenBitmap(w, h);
  const RECT all{0, 0, w, h};
  {
    MemoryDc dc = CreateScreenCompatibleDc();
    SelectGuard sel(dc.get(), mask.get());
    FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
  }
  {
    MemoryDc dc = CreateScreenCompatibleDc();
    SelectGuard sel(dc.get(), colour.get());
    FillRect(dc.get(), &all, GetSysColorBrush(COLOR_INACTIVECAPTION));
    RECT r = all;
    DrawCaption(window, dc.get(), &r, DC_ICON);
  }
  ReplaceCornerColour(colour.get(), w, h, GetSysColor(COLOR_BTNFACE));
  {
    MemoryDc dc = CreateScreenCompatibleDc();
    SelectGuard sel(dc.get(), colour.get());
    PenHandle pen(CreatePen(PS_SOLID, 2, Options.IconBrColor));
    SelectGuard selPen(dc.get(), pen.get());
    MoveToEx(dc.get(), 0, 0, nullptr);
    LineTo(dc.get(), w, 0);
    LineTo(dc.get(), w, h);
    LineTo(dc.get(), 0, h);
    LineTo(dc.get(), 0, 0);
  }
  MakeOpaque(colour.get(), w, h);
  ICONINFO info{};
  info.fIcon = TRUE;
  info.hbmMask = mask.get();
  info.hbmColor = colour.get();
  return IconHandle(CreateIconIndirect(&info));
}

BitmapHandle TForm1::MakeMenuImage(HWND window) const {
  const int cx = GetSystemMetrics(SM_CXICON);
  const int cy = GetSystemMetrics(SM_CYICON);
  BitmapHandle bitmap = CreateScreenBitmap(cx + 1, cy + 1);
  MemoryDc dc = CreateScreenCompatibleDc();
  SelectGuard sel(dc.get(), bitmap.get());
  RECT r{0, 0, cx, cy};
  DrawCaption(window, dc.get(), &r, DC_ICON);
  // The source overlaps the target: stretch through a copy.
  BitmapHandle copy = CreateScreenBitmap(cx + 1, cy + 1);
  MemoryDc copyDc = CreateScreenCompatibleDc();
  SelectGuard selCopy(copyDc.get(), copy.get());
  BitBlt(copyDc.get(), 0, 0, cx + 1, cy + 1, dc.get(), 0, 0, SRCCOPY);
  const int left = cx / 4 + 2, top = cy / 4 - 1, right = cx - cx / 4 + 2, bottom = cy - cy / 4;
  SetStretchBltMode(dc.get(), COLORONCOLOR);
  StretchBlt(dc.get(), 0, 0, kMenuImageSize, kMenuImageSize, copyDc.get(), left, top, right - left, bottom - top,
             SRCCOPY);
  return bitmap;
}

void TForm1::AddTrayIcon(HWND window) {
  // One icon per window: a second add for the same window would only leave a dead record.
  for (const auto& r : TrayWindows)
    if (r->Handle == window) return;
  // An applet icon that drew this identifier makes room: the tray takes one icon per identifier.
  Applets.GiveUpId(TrayIconId(window));
  auto record = std::make_unique<TrayWindowRecord>();
  record->Handle = window;
  record->CallbackMessage = FreeTrayCallback(TrayWindows, [this](UINT n) { return Applets.UsesCallback(n); });
  record->Icon = MakeTrayIcon(window);
  const NOTIFYICONDATAW data = MakeNotifyIconDataW(hwnd(), TrayIconId(window), record->CallbackMessage,
                                                   record->Icon.get(), WindowTitle(window, kTrayTipChars));
  TrayWindows.push_back(std::move(record));
  NotifyIcon(NIM_ADD, data);
}

bool TForm1::TrayIconIdInUse(UINT id) const {
  for (const auto& r : TrayWindows)
    if (TrayIconId(r->Handle) == id) return true;
  return false;
}

void TForm1::RemoveTrayIcon(HWND window) {
  for (auto it = TrayWindows.begin(); it != TrayWindows.end(); ++it) {
    if ((*it)->Handle != window) continue;
    TrayWindows.erase(it);
    break;
  }
  DeleteNotifyIcon(hwnd(), TrayIconId(window));
}

void TForm1::ReAddTrayIcons() {
  RxTrayIcon1.Show();
  for (const auto& r : TrayWindows) {
    NotifyIcon(NIM_ADD, MakeNotifyIconDataW(hwnd(), TrayIconId(r->Handle), r->CallbackMessage, r->Icon.get(),
                                            WindowTitle(r->Handle, kTrayTipChars)));
  }
  Applets.ReAddAppletTrayIcons();
}

void TForm1::HandleTrayIconMessage(UINT msg, LPARAM lp) {
  for (const auto& r : TrayWindows) {
    if (r->CallbackMessage != msg) continue;
    // The tray closes up the gap of a restored icon at once: the second half of a double
    // click (a double-click message and a release, no press) lands on the neighbour.
    if (lp == WM_LBUTTONDOWN) r->LeftPressed = true;
    if (lp == WM_LBUTTONUP && r->LeftPressed) {
      r->LeftPressed = false;
      CurrentWindow = r->Handle;
      DelTrTimer.Enable();
    }
    return;
  }
}

void TForm1::AddMenuEntry(HWND window) {
  for (const auto& r : MenuWindows)
    if (r->Handle == window) return;
  auto record = std::make_unique<MenuWindowRecord>();
  record->Handle = window;
  record->Bitmap = MakeMenuImage(window);
  PopupMenu::Item item;
  item.caption = WindowTitle(window, kMenuCaptionChars);
  record->ImageIndex = ImageList1.AddMasked(record->Bitmap.get(), GetSysColor(COLOR_INACTIVECAPTION));
  item.image = record->ImageIndex;
  const int n6 = RxPopupMenu1.IndexOf(N6);
  const UINT command = RxPopupMenu1.Insert(static_cast<size_t>(n6 < 0 ? RxPopupMenu1.Count() : n6), item);
  record->Command = command;
  // The handler finds the record by the command at the time of the click.
  RxPopupMenu1.SetOnClick(command, [this, command] { MenuEntryClick(command); });
  MenuWindows.push_back(std::move(record));
}

void TForm1::RemoveMenuEntry(HWND window) {
  for (auto it = MenuWindows.begin(); it != MenuWindows.end(); ++it) {
    if ((*it)->Handle != window) continue;
    const int image = (*it)->ImageIndex;
    RxPopupMenu1.Remove((*it)->Command);
    MenuWindows.erase(it);
    // Give the image back so a long session does not grow the list.
    if (image >= 0 && ImageList1.Remove(image)) {
      for (const auto& r : MenuWindows) {
        if (r->ImageIndex > image) {
          --r->ImageIndex;
          RxPopupMenu1.SetImage(r->Command, r->ImageIndex);
        }
      }
    }
    return;
  }
}

void TForm1::MenuEntryClick(UINT command) {
  for (const auto& r : MenuWindows) {
    if (r->Command != command) continue;
    CurrentWindow = r->Handle;
    DelTrTimer.Enable();
  }
}

void TForm1::AddFloatingWindow(HWND window) {
  FreeRetiredFloatingWindows();
  FloatingWindows.push_back(FloatingWindowRecord{});
  auto form = std::make_unique<TBlendWin>(*this);
  if (!form->CreateForm(hwnd())) return;
  // A layered window without attributes is not shown at all on later systems: where there are
  // none to set, the window stays plain.
  if (SetLayeredAttributes.Resolved()) SetWindowLongPtrA(form->hwnd(), GWL_EXSTYLE, kLayeredStyle);
  SetLayeredAttributes(form->hwnd(), 0, kFloatingAlpha, kLayeredAlphaFlag);
  form->TargetWindow = window;
  form->SetHint(WindowTitle(window, kHintChars));
  FloatingWindowRecord& record = FloatingWindows.back();
  record.Handle = window;
  record.Form = std::move(form);
  record.Form->Show();
}

void TForm1::RemoveFloatingWindow(HWND window) {
  FreeRetiredFloatingWindows();
  for (FloatingWindowRecord& r : FloatingWindows) {
    if (r.Handle != window || !r.Form) continue;
    FreeFloatingWindow(r);
    return;
  }
}

void TForm1::FreeFloatingWindow(FloatingWindowRecord& record) {
  std::unique_ptr<TBlendWin> form = std::move(record.Form);
  record.Handle = nullptr;
  if (!form) return;
  if (setBlendForm_) setBlendForm_->FloatingWindowGone(form.get());
  // Closing saves the position.
  form->Destroy();
  if (form->Busy()) retiredFloating_.push_back(std::move(form));
}

void TForm1::FreeRetiredFloatingWindows() {
  for (auto it = retiredFloating_.begin(); it != retiredFloating_.end();) {
    if ((*it)->Busy()) ++it;
    else it = retiredFloating_.erase(it);
  }
}

}  // namespace corvel
