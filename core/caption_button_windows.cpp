#include "core/caption_button_windows.h"
#include <windowsx.h>
#include "platform/caption_bounds.h"
#include "platform/desktop_window_manager.h"
#include "platform/dpi.h"
#include "platform/handle_codec.h"
#include "platform/handles.h"
#include "platform/messages.h"
#include "platform/modal_form.h"

namespace corvel {

namespace {

constexpr char kButtonWindowClass[] = "TCaptionButton";

using MonitorFromWindowFn = HMONITOR(WINAPI*)(HWND, DWORD);
using GetMonitorInfoFn = BOOL(WINAPI*)(HMONITOR, LPMONITORINFO);

// The monitor the window is on; the primary screen where the system has no monitor calls.
RECT MonitorOf(HWND window) {
  static const HMODULE user32 = GetModuleHandleA("user32.dll");
  static const auto fromWindow = ModuleFunction<MonitorFromWindowFn>(user32, "MonitorFromWindow");
  static const auto info = ModuleFunction<GetMonitorInfoFn>(user32, "GetMonitorInfoA");
  MONITORINFO mi{};
  mi.cbSize = sizeof mi;
  if (fromWindow && info && info(fromWindow(window, MONITOR_DEFAULTTONEAREST), &mi)) return mi.rcMonitor;
  return RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

bool Covers(const RECT& outer, const RECT& inner) {
  return outer.left <= inner.left && outer.top <= inner.top && outer.right >= inner.right && outer.bottom >= inner.bottom;
}

}  // namespace

// What the window's styles and state tell without asking it anything.
bool MayShowSystemCaption(HWND window) {
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  const LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
  if ((style & WS_CAPTION) != WS_CAPTION || !(style & WS_MINIMIZEBOX) || (style & WS_CHILD)) return false;
  return !(exStyle & WS_EX_TOOLWINDOW) && IsWindowVisible(window) && !IsIconic(window);
}

bool FullScreen(HWND window) {
  RECT wr{};
  if (!GetWindowRect(window, &wr) || !Covers(wr, MonitorOf(window))) return false;
  const bool captioned = (GetWindowLongA(window, GWL_STYLE) & WS_CAPTION) == WS_CAPTION;
  return !(captioned && IsZoomed(window));
}

bool ShowsSystemCaption(HWND window, const RECT& minimize) {
  if (!MayShowSystemCaption(window) || FullScreen(window)) return false;
  // A program that draws its own title bar has its client area there.
  POINT client{0, 0};
  ClientToScreen(window, &client);
  return client.y >= minimize.bottom;
}

WindowShape ShapeOf(HWND window) {
  WindowShape shape;
  GetWindowRect(window, &shape.rect);
  shape.style = GetWindowLongA(window, GWL_STYLE);
  shape.exStyle = GetWindowLongA(window, GWL_EXSTYLE);
  shape.zoomed = IsZoomed(window) != 0;
  shape.dpi = MonitorDpi(window);
  return shape;
}

bool OnlyMoved(const WindowShape& then, const WindowShape& now) {
  return then.rect.right - then.rect.left == now.rect.right - now.rect.left &&
         then.rect.bottom - then.rect.top == now.rect.bottom - now.rect.top && then.style == now.style &&
         then.exStyle == now.exStyle && then.zoomed == now.zoomed && then.dpi == now.dpi;
}

// ---- One button window

CaptionButtonWindow::~CaptionButtonWindow() { Destroy(); }

bool CaptionButtonWindow::Create(const LayeredAttributes& layered) {
  if (!IsWindow(target_)) return false;
  const DWORD exStyle = WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE | (layered.Resolved() ? WS_EX_LAYERED : 0);
  // Not owned by the target: a window owned across threads shares its owner's input queue, and a
  // program that hangs would then hold up Corvel's own thread.
  if (!Window::Create(kButtonWindowClass, "", WS_POPUP, exStyle, 0, 0, 0, 0, nullptr)) return false;
  // Opaque: layered so that the system keeps its picture and repaints nothing of it.
  if (layered.Resolved()) layered(hwnd(), 0, 255, LWA_ALPHA);
  // It serves other programs: a dialog of Corvel's that is modal leaves it working.
  StayEnabledWhileModal(hwnd());
  return true;
}

void CaptionButtonWindow::Show(const RECT& screen, const Picture* picture, const WindowShape& shape) {
  picture_ = picture;
  shape_ = shape;
  // The foreground window is in front of every other: its button goes to the top. Otherwise just
  // above its window, which may have been stacked above it since (without a word under Wine:
  // docs/wine.md).
  HWND above = GetWindow(target_, GW_HWNDPREV);
  if (above == hwnd()) above = GetWindow(hwnd(), GW_HWNDPREV);
  if (GetForegroundWindow() == target_) above = nullptr;
  SetWindowPos(hwnd(), above ? above : HWND_TOP, screen.left, screen.top, screen.right - screen.left,
               screen.bottom - screen.top, SWP_NOACTIVATE | SWP_NOOWNERZORDER | SWP_SHOWWINDOW);
  place_ = screen;
  // The picture may be another one, or the same one drawn anew (the flat look of a new style).
  InvalidateRect(hwnd(), nullptr, FALSE);
}

void CaptionButtonWindow::MoveWith(const WindowShape& shape) {
  OffsetRect(&place_, shape.rect.left - shape_.rect.left, shape.rect.top - shape_.rect.top);
  shape_ = shape;
  SetWindowPos(hwnd(), nullptr, place_.left, place_.top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

void CaptionButtonWindow::Hide() {
  place_ = RECT{};
  shape_ = WindowShape{};
  if (Shown()) ShowWindow(hwnd(), SW_HIDE);
}

void CaptionButtonWindow::Paint() {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd(), &ps);
  RECT client{};
  GetClientRect(hwnd(), &client);
  if (picture_) picture_->StretchDraw(dc, client);
  EndPaint(hwnd(), &ps);
}

WPARAM CaptionButtonWindow::Where(LPARAM clientPoint) const noexcept {
  RECT client{};
  GetClientRect(hwnd(), &client);
  const POINT p{GET_X_LPARAM(clientPoint), GET_Y_LPARAM(clientPoint)};
  return PtInRect(&client, p) ? kPointOnButton : kPointOffButton;
}

LRESULT CaptionButtonWindow::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) noexcept {
  switch (msg) {
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_ERASEBKGND: return 1;
    case WM_PAINT: Paint(); return 0;
    case WM_DESTROY: StayEnabledWhileModal(hwnd(), false); return Default(msg, wp, lp);
    // As the hook library reports a press and a release in a title bar, with where the event
    // was. The release comes here wherever it is, so that one outside is seen.
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
      SetCapture(hwnd());
      SendMessageA(main_, HM_BUTTONDOWN, Where(lp), WindowToParam(target_));
      return 0;
    case WM_LBUTTONUP:
      if (GetCapture() == hwnd()) ReleaseCapture();
      SendMessageA(main_, HM_BUTTONUP, Where(lp), WindowToParam(target_));
      return 0;
    default: return Default(msg, wp, lp);
  }
}

// ---- The set

RECT CaptionButtonWindows::Update(HWND target, const Picture* picture) {
  RECT minimize{};
  // The window is asked where its buttons are only when its styles and state allow a button.
  const bool shows = picture && MayShowSystemCaption(target) && !Cloaked(target) &&
                     FindMinimizeButton(target, minimize, kCaptionQueryTimeoutMs) != CaptionSource::None &&
                     ShowsSystemCaption(target, minimize);
  auto found = windows_.find(target);
  if (!shows) {
    if (found != windows_.end()) found->second->Hide();
    return RECT{};
  }
  if (found == windows_.end() || !found->second->hwnd()) {
    auto window = std::make_unique<CaptionButtonWindow>(target, main_);
    if (!window->Create(layered_)) return RECT{};
    found = windows_.insert_or_assign(target, std::move(window)).first;
  }
  const RECT place = ButtonLeftOf(minimize);
  found->second->Show(place, picture, ShapeOf(target));
  return place;
}

bool CaptionButtonWindows::Follow(HWND target) {
  const auto found = windows_.find(target);
  if (found == windows_.end() || !found->second->Shown()) return false;
  CaptionButtonWindow& button = *found->second;
  const WindowShape now = ShapeOf(target);
  if (!OnlyMoved(button.Shape(), now) || IsIconic(target) || !IsWindowVisible(target)) return false;
  button.MoveWith(now);
  return true;
}

void CaptionButtonWindows::Hide(HWND target) {
  const auto found = windows_.find(target);
  if (found != windows_.end()) found->second->Hide();
}

void CaptionButtonWindows::SetCloaked(HWND target, bool cloaked) {
  if (cloaked) cloaked_.insert(target);
  else cloaked_.erase(target);
  if (cloaked) Hide(target);
}

bool CaptionButtonWindows::Cloaked(HWND target) const {
  if (cloaked_.count(target)) return true;
  return CloakQuery ? CloakQuery(target) : DwmCloaked(target);
}

void CaptionButtonWindows::Remove(HWND target) {
  windows_.erase(target);
  cloaked_.erase(target);
}

void CaptionButtonWindows::KeepOnly(const std::vector<HWND>& targets) {
  for (auto i = windows_.begin(); i != windows_.end();) {
    bool keep = false;
    for (HWND t : targets) keep = keep || t == i->first;
    i = keep ? std::next(i) : windows_.erase(i);
  }
  for (auto i = cloaked_.begin(); i != cloaked_.end();)
    i = IsWindow(*i) ? std::next(i) : cloaked_.erase(i);
}

bool CaptionButtonWindows::Hits(HWND target, POINT screen) const {
  const auto found = windows_.find(target);
  if (found == windows_.end() || !found->second->Shown()) return false;
  const RECT& r = found->second->Place();
  return PtInRect(&r, screen) != 0;
}

HWND CaptionButtonWindows::ButtonOf(HWND target) const {
  const auto found = windows_.find(target);
  return found == windows_.end() ? nullptr : found->second->hwnd();
}

}  // namespace corvel
