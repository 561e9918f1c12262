#include "floating/blend_win.h"
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>
#include <tlhelp32.h>
#include <windowsx.h>
#include <cstdio>
#include <exception>
#include "app/unit1.h"
#include "floating/set_blend_form.h"
#include "platform/dpi.h"
#include "platform/menu_margin.h"
#include "platform/messages.h"
#include "platform/profile.h"
#include "platform/rotated_font.h"
#include "platform/text.h"
#include "settings/settings_location.h"
#include "resources/menu_images.h"

namespace corvel {

namespace {

constexpr int kMarginTextAngle = 90;
constexpr int kMarginTextDx = -1;
constexpr int kMarginFontPoints = 8;
constexpr COLORREF kMarginTop = RGB(0, 0, 0);
constexpr COLORREF kMarginBottom = RGB(0, 0, 255);
constexpr const char kMarginText[] = "Corvel";
constexpr COLORREF kSystemColourFlag = 0x80000000;
constexpr COLORREF kSystemColourIndex = 0xFF;
// The part of the caption-icon picture that holds the icon, and where it is drawn.
constexpr RECT kPictureSource{1, 1, 17, 17};
constexpr RECT kPictureTarget{2, 1, 34, 33};
// ExtractIcon's answer for a file that is no program, library or icon file.
const HICON kNotAnIconFile = reinterpret_cast<HICON>(static_cast<UINT_PTR>(1));

bool EndsInE(const char* name) {
  const size_t n = std::char_traits<char>::length(name);
  return n > 0 && (name[n - 1] == 'E' || name[n - 1] == 'e');
}

}  // namespace

std::string GetWindowExePath(HWND window) {
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  FileHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid));
  if (!snapshot) return std::string();
  MODULEENTRY32 entry{};
  entry.dwSize = sizeof entry;
  if (!Module32First(snapshot.get(), &entry)) return std::string();
  // The program's own module is normally the one whose name ends in "exe"; else the last one read.
  while (entry.hModule && !EndsInE(entry.szModule)) {
    MODULEENTRY32 next{};
    next.dwSize = sizeof next;
    if (!Module32Next(snapshot.get(), &next)) break;
    entry = next;
  }
  return entry.szExePath;
}

COLORREF ColorToRgb(COLORREF colour) {
  return (colour & kSystemColourFlag) ? GetSysColor(static_cast<int>(colour & kSystemColourIndex)) : colour;
}

TBlendWin::TBlendWin(TForm1& mainForm)
    : ImageList1(kFloatingMenuImageSize, kFloatingMenuImageSize), RxPopupMenu1(&ImageList1), main_(mainForm) {
  AddFloatingMenuImages(ImageList1);
  BuildMenu();
}

TBlendWin::~TBlendWin() {
  // Destroyed here, while the handlers still exist, so that the position is saved.
  Destroy();
  ReleaseIcon();
}

bool TBlendWin::CreateForm(HWND owner) {
  return Create(kBlendWinClass, "", WS_POPUP, WS_EX_TOPMOST, 0, 0, kPictureWindowSize, kPictureWindowSize, owner);
}

void TBlendWin::BuildMenu() {
  auto item = [](const char* caption, FloatingMenuImage image, std::function<void()> click) {
    return PopupMenu::Command(Widen(caption), static_cast<int>(image), std::move(click));
  };
  Restore1 = RxPopupMenu1.Append(item("Restore", FloatingMenuImage::Restore, [this] { Restore1Click(); }));
  Hide1 = RxPopupMenu1.Append(item("Hide", FloatingMenuImage::Hide, [this] { Hide1Click(); }));
  Closeprogram1 = RxPopupMenu1.Append(item("Close program", FloatingMenuImage::Close, [this] { Closeprogram1Click(); }));
  N1 = RxPopupMenu1.Append(PopupMenu::Separator());
  Transparency1 =
      RxPopupMenu1.Append(item("Floating window", FloatingMenuImage::Transparency, [this] { Transparency1Click(); }));
  Options1 = RxPopupMenu1.Append(item("Options", FloatingMenuImage::Options, [this] { Options1Click(); }));
  RxPopupMenu1.LeftMargin = Scaled(kFloatingMenuMargin, WindowDpi(hwnd()));
  RxPopupMenu1.OnDrawMargin = [this](HDC dc, const RECT& strip) { RxPopupMenu1DrawMargin(dc, strip); };
}

void TBlendWin::SetHint(const std::wstring& hint) { Hint = CutWide(hint, kHintChars); }

void TBlendWin::Show() {
  if (!hwnd()) return;
  FormShow();
  SetWindowPos(hwnd(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  AddTooltip();
}

void TBlendWin::AddTooltip() {
  if (tooltip_ || Hint.empty()) return;
  tooltip_ = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, 0, 0,
                             0, 0, hwnd(), nullptr, GetModuleHandleA(nullptr), nullptr);
  if (!tooltip_) return;
  // The records of the common controls that come with every system this runs on; the title in
  // full where the system has UTF-16.
  if (UnicodeSystem()) {
    TOOLINFOW tool{};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd());
    tool.lpszText = const_cast<wchar_t*>(Hint.c_str());
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  } else {
    std::string hint = Narrow(Hint);
    TOOLINFOA tool{};
    tool.cbSize = TTTOOLINFOA_V2_SIZE;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = hwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd());
    tool.lpszText = &hint[0];
    SendMessageA(tooltip_, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
  }
  SendMessageA(tooltip_, TTM_SETMAXTIPWIDTH, 0, GetSystemMetrics(SM_CXSCREEN) / 2);
}

HICON TBlendWin::GetWindowIcon(HWND window) {
  const std::string path = GetWindowExePath(window);
  if (HICON classIcon = reinterpret_cast<HICON>(GetClassLongPtrA(window, GCLP_HICON))) return classIcon;
  HICON icon = path.empty() ? nullptr : ExtractIconA(GetModuleHandleA(nullptr), path.c_str(), 0);
  if (icon == kNotAnIconFile) return nullptr;
  ownsIcon_ = icon != nullptr;
  return icon;
}

void TBlendWin::ReleaseIcon() {
  // A class icon belongs to the target's program; one taken from its file is ours.
  if (ownsIcon_ && WindowIcon) DestroyIcon(WindowIcon);
  ownsIcon_ = false;
  WindowIcon = nullptr;
}

std::string PositionKeyFor(const std::wstring& title) {
  const std::wstring head = CutWide(title, kPositionKeyChars);
  std::string key;
  for (size_t i = 0; i < head.size(); ++i) {
    // A surrogate pair is looked at whole.
    const size_t n = i + 1 < head.size() && head[i] >= 0xD800 && head[i] <= 0xDBFF ? 2 : 1;
    std::wstring ch = head.substr(i, n);
    if (ch[0] < L' ') ch = L" ";
    bool lossless = false;
    const std::string ansi = Narrow(ch, &lossless);
    if (lossless) {
      key += ansi;
    } else {
      char code[8];
      for (wchar_t unit : ch) {
        std::snprintf(code, sizeof code, "\\u%04X", static_cast<unsigned>(unit));
        key += code;
      }
    }
    i += n - 1;
  }
  return key;
}

std::string LegacyPositionKeyFor(const std::wstring& title) {
  std::string key = Narrow(title).substr(0, kPositionKeyChars);
  for (char& c : key)
    if (static_cast<unsigned char>(c) < ' ') c = ' ';
  return key;
}

std::string TBlendWin::PositionKey() const { return PositionKeyFor(Hint); }

RECT TBlendWin::Bounds() const {
  RECT r{};
  if (hwnd()) GetWindowRect(hwnd(), &r);
  return r;
}

POINT TBlendWin::CursorInClient() const {
  // Where the pointer is now: a move queued before the window last moved would count twice.
  POINT at{};
  GetCursorPos(&at);
  ScreenToClient(hwnd(), &at);
  return at;
}

void TBlendWin::MoveTo(int left, int top) {
  SetWindowPos(hwnd(), nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TBlendWin::LoadPosition() {
  const ProfileFile ini(SettingsFile());
  std::string key = PositionKey();
  // A place stored by an earlier version under the key it wrote still counts.
  const std::string legacy = LegacyPositionKeyFor(Hint);
  if (legacy != key && !ini.HasKey(kPositionSection, key + "_Left") && !ini.HasKey(kPositionSection, key + "_Top"))
    key = legacy;
  const int left = ini.ReadInteger(kPositionSection, key + "_Left", 0);
  const int top = ini.ReadInteger(kPositionSection, key + "_Top", 0);
  const int cx = GetSystemMetrics(SM_CXSCREEN);
  const int cy = GetSystemMetrics(SM_CYSCREEN);
  if (!(left == 0 && top == 0) && left >= 0 && left <= cx && top >= 0 && top <= cy) MoveTo(left, top);
  else MoveTo(cx / 2, cy / 2);
}

void TBlendWin::SavePosition() const {
  if (!hwnd()) return;
  const RECT r = Bounds();
  const ProfileFile ini(SettingsFile());
  const std::string key = PositionKey();
  try {
    ini.WriteInteger(kPositionSection, key + "_Left", r.left);
    ini.WriteInteger(kPositionSection, key + "_Top", r.top);
  } catch (const ProfileWriteError&) {
    // The window goes all the same; the position stored before stays.
  }
}

void TBlendWin::Repaint() {
  if (hwnd()) InvalidateRect(hwnd(), nullptr, TRUE);
}

void TBlendWin::FormShow() {
  // The window is owned by the hidden main window, so the program shows no task bar button.
  BorderColor = RGB(0, 0, 0);
  ReleaseIcon();
  WindowIcon = GetWindowIcon(TargetWindow);
  if (!WindowIcon) Image1 = main_.MakeMenuImage(TargetWindow);
  LoadPosition();
  // At the DPI of the monitor it stands on.
  const int size = Scaled(WindowIcon ? kIconWindowSize : kPictureWindowSize, WindowDpi(hwnd()));
  SetWindowPos(hwnd(), nullptr, 0, 0, size, size, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void TBlendWin::FormPaint(HDC dc) {
  RECT client{};
  GetClientRect(hwnd(), &client);
  BrushHandle ground(CreateSolidBrush(ColorToRgb(Color)));
  FillRect(dc, &client, ground.get());
  const UINT dpi = WindowDpi(hwnd());
  if (WindowIcon) {
    DrawIconEx(dc, Scaled(kIconInset, dpi), Scaled(kIconInset, dpi), WindowIcon, Scaled(kIconSize, dpi),
               Scaled(kIconSize, dpi), 0, nullptr, DI_NORMAL);
  } else if (Image1) {
    MemoryDc src = CreateScreenCompatibleDc();
    SelectGuard sel(src.get(), Image1.get());
    SetStretchBltMode(dc, COLORONCOLOR);
    const int left = Scaled(kPictureTarget.left, dpi), top = Scaled(kPictureTarget.top, dpi);
    StretchBlt(dc, left, top, Scaled(kPictureTarget.right, dpi) - left, Scaled(kPictureTarget.bottom, dpi) - top,
               src.get(), kPictureSource.left, kPictureSource.top, kPictureSource.right - kPictureSource.left,
               kPictureSource.bottom - kPictureSource.top, SRCCOPY);
  }
  const int w = client.right, h = client.bottom;
  PenHandle pen(CreatePen(PS_SOLID, kBorderWidth, ColorToRgb(BorderColor)));
  SelectGuard selPen(dc, pen.get());
  // The top side runs down one pixel to the right corner.
  MoveToEx(dc, 0, 0, nullptr);
  LineTo(dc, w - 1, 1);
  LineTo(dc, w - 1, h - 1);
  LineTo(dc, 1, h - 1);
  LineTo(dc, 1, 1);
}

void TBlendWin::FormMouseDown(Button button, int x, int y) {
  if (button != Button::Left) return;
  DragStartX = x;
  DragStartY = y;
  Dragging = true;
  // Moves that outrun the window still reach it.
  SetCapture(hwnd());
}

void TBlendWin::FormMouseMove(bool leftHeld, int x, int y) {
  if (!Dragging || !leftHeld) return;
  const int dx = x - DragStartX, dy = y - DragStartY;
  if (dx == 0 && dy == 0) return;
  const RECT r = Bounds();
  MoveTo(r.left + dx, r.top + dy);
}

void TBlendWin::FormMouseUp(Button button, int x, int y) {
  if (button != Button::Left) return;
  // The release may come without the move that brought the pointer there.
  FormMouseMove(true, x, y);
  const RECT r = Bounds();
  if (r.top > 0 && r.top < kSnapBelow) MoveTo(r.left, kSnapTop);
  Dragging = false;
  if (GetCapture() == hwnd()) ReleaseCapture();
}

void TBlendWin::RxPopupMenu1DrawMargin(HDC dc, const RECT& strip) {
  RxPopupMenu1.LeftMargin = Scaled(kFloatingMenuMargin, WindowDpi(hwnd()));
  FontSpec face;
  face.name = "Tahoma";
  face.bold = true;
  face.height = FontHeightForPoints(kMarginFontPoints);
  FontHandle font = CreateRotatedFont(face, kMarginTextAngle);
  PaintMenuMargin(dc, strip, MarginStyle{kMarginTop, kMarginBottom, font.get(), kMarginTextDx}, kMarginText);
}

void TBlendWin::Restore1Click() {
  if (!hwnd()) return;
  main_.CloseAfterRestore = false;
  main_.CurrentWindow = TargetWindow;
  main_.DelTrTimer.Enable();
}

void TBlendWin::Closeprogram1Click() {
  if (!hwnd()) return;
  main_.CloseAfterRestore = true;
  main_.CurrentWindow = TargetWindow;
  main_.DelTrTimer.Enable();
}

void TBlendWin::Hide1Click() {
  if (hwnd()) ShowWindow(hwnd(), SW_HIDE);
}

void TBlendWin::Transparency1Click() {
  TSetBlendForm* dialog = main_.SetBlendForm();
  if (!hwnd() || !dialog) return;
  dialog->FloatingWindowHandle = hwnd();
  dialog->FloatingWindow = this;
  // The dialog runs its own loop, in which this window may be removed.
  ++busy_;
  dialog->ShowModalOnce();
  --busy_;
}

void TBlendWin::Options1Click() {
  if (!hwnd()) return;
  ++busy_;
  main_.RxPopupMenu1.Click(main_.Options2);
  --busy_;
}

void TBlendWin::FormDestroy() {
  SavePosition();
  ReleaseIcon();
}

LRESULT TBlendWin::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) noexcept {
  ++busy_;
  LRESULT result = 0;
  try {
    result = WndProc(msg, wp, lp);
  } catch (const std::exception& e) {
    MessageBoxA(hwnd(), e.what(), "Corvel", MB_OK | MB_ICONERROR);
  } catch (...) {
    MessageBoxA(hwnd(), "Unexpected error", "Corvel", MB_OK | MB_ICONERROR);
  }
  --busy_;
  return result;
}

LRESULT TBlendWin::WndProc(UINT msg, WPARAM wp, LPARAM lp) {
  LRESULT result = 0;
  if (RxPopupMenu1.HandleOwnerMessage(msg, wp, lp, result)) return result;
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;  // painted whole in WM_PAINT
    case kDpiChangedMessage:
      // Moved to a monitor of another DPI: the size the system suggests, drawn anew.
      if (const auto* r = reinterpret_cast<const RECT*>(lp))
        SetWindowPos(hwnd(), nullptr, r->left, r->top, r->right - r->left, r->bottom - r->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
      Repaint();
      return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      HDC dc = BeginPaint(hwnd(), &ps);
      FormPaint(dc);
      EndPaint(hwnd(), &ps);
      return 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      FormMouseDown(msg == WM_LBUTTONDOWN ? Button::Left : msg == WM_RBUTTONDOWN ? Button::Right : Button::Middle,
                    GET_X_LPARAM(lp), GET_Y_LPARAM(lp));
      break;
    case WM_MOUSEMOVE: {
      const POINT at = CursorInClient();
      FormMouseMove((wp & MK_LBUTTON) != 0, at.x, at.y);
      return 0;
    }
    case WM_LBUTTONUP:
    case WM_MBUTTONUP: {
      const POINT at = CursorInClient();
      FormMouseUp(msg == WM_LBUTTONUP ? Button::Left : Button::Middle, at.x, at.y);
      return 0;
    }
    case WM_CAPTURECHANGED:
      Dragging = false;
      return 0;
    case WM_CONTEXTMENU: {
      POINT at{GET_X_LPARAM(lp), GET_Y_LPARAM(lp)};
      if (at.x == -1 && at.y == -1) {
        const RECT r = Bounds();
        at = POINT{r.left, r.top};
      }
      SetForegroundWindow(hwnd());
      RxPopupMenu1.Popup(hwnd(), at.x, at.y);
      return 0;
    }
    case WM_DESTROY:
      FormDestroy();
      break;
    default:
      break;
  }
  return Default(msg, wp, lp);
}

}  // namespace corvel
