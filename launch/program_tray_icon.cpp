#include "launch/program_tray_icon.h"
#include "platform/messages.h"
#include "platform/tray_icon.h"
#include "resources/resource_ids.h"

namespace corvel {

namespace {
constexpr UINT kProgramIconId = 0;
constexpr const char kIconWindowClass[] = "CorvelTrayIconWindow";
}  // namespace

TRxTrayIcon::TRxTrayIcon() {
  icon_ = static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(kProgramIconResource), IMAGE_ICON,
                                        GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
  if (!icon_) icon_ = LoadIcon(nullptr, IDI_APPLICATION);
}

TRxTrayIcon::~TRxTrayIcon() { Hide(); }

bool TRxTrayIcon::CreateIconWindow() { return Create(kIconWindowClass, "", WS_POPUP, 0, 0, 0, 0, 0); }

void TRxTrayIcon::Show() {
  if (!hwnd()) return;
  // After a shell restart the tray has forgotten the icon: a plain add brings it back.
  AddNotifyIcon(MakeNotifyIconData(hwnd(), kProgramIconId, kProgramTrayCallback, icon_, kProgramHint));
  shown_ = true;
}

void TRxTrayIcon::Hide() {
  if (!shown_ || !hwnd()) return;
  DeleteNotifyIcon(hwnd(), kProgramIconId);
  shown_ = false;
}

void TRxTrayIcon::RightClick() {
  POINT p{};
  GetCursorPos(&p);
  if (PopupMenu) {
    SetForegroundWindow(hwnd());
    PopupMenu(p.x, p.y);
    SetForegroundWindow(hwnd());
  } else if (OnClick) {
    OnClick(Button::Right, p.x, p.y);
  }
}

LRESULT TRxTrayIcon::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) noexcept {
  if (msg != kProgramTrayCallback) return Default(msg, wp, lp);
  try {
    switch (lp) {
      case WM_LBUTTONDOWN: leftPressed_ = true; break;
      case WM_LBUTTONUP:
        if (leftPressed_) {
          leftPressed_ = false;
          POINT p{};
          GetCursorPos(&p);
          if (OnClick) OnClick(Button::Left, p.x, p.y);
        }
        break;
      case WM_RBUTTONDOWN: rightPressed_ = true; break;
      case WM_RBUTTONUP:
        if (rightPressed_) {
          rightPressed_ = false;
          RightClick();
        }
        break;
      default: break;  // moves, double clicks and the middle button raise nothing the program uses
    }
  } catch (...) {
    // The icon keeps working after a failed handler.
  }
  return 0;
}

}  // namespace corvel
