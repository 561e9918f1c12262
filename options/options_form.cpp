#include "options/options_form.h"
#include "app/unit1.h"

namespace corvel {

namespace {
constexpr int kPageX = 72, kPageY = 28, kPageW = 589, kPageH = 321;
constexpr int kBarX = 3, kBarButtonW = 60, kBarButtonH = 80, kControlPanelTop = 163, kQuickRunTop = 243;
constexpr int kButtonY = 367, kButtonW = 75, kButtonH = 25, kOkX = 496, kCancelX = 584;
constexpr int kControlPanelButtonId = 3001, kQuickRunButtonId = 3002, kOkId = 3003, kCancelId = 3004;
}  // namespace

void TForm2::CreatePages(TForm1& form1, TChangeNameForm& changeName) {
  form1_ = &form1;
  TabSheet3.Create(hwnd(), kPageX, kPageY, kPageW, kPageH, 0);
  TabSheet4.Create(hwnd(), kPageX, kPageY, kPageW, kPageH, WS_VISIBLE);
  QuickRunPage.Create(TabSheet3.hwnd(), Events(), form1, changeName);
  ControlPanelPage.Create(TabSheet4.hwnd(), Events());
  SpeedItem3.Create(hwnd(), kControlPanelButtonId, "Control Panel", kBarX, kControlPanelTop, kBarButtonW, kBarButtonH);
  SpeedItem5.Create(hwnd(), kQuickRunButtonId, "Quick run", kBarX, kQuickRunTop, kBarButtonW, kBarButtonH);
  Button11.Create(hwnd(), kOkId, "OK", kOkX, kButtonY, kButtonW, kButtonH);
  Button10.Create(hwnd(), kCancelId, "Cancel", kCancelX, kButtonY, kButtonW, kButtonH);
  Events().OnClick(kControlPanelButtonId, [this] {
    TabSheet3.SetVisible(false);
    TabSheet4.SetVisible(true);
  });
  Events().OnClick(kQuickRunButtonId, [this] {
    TabSheet4.SetVisible(false);
    TabSheet3.SetVisible(true);
  });
  Events().OnClick(kOkId, [this] { Button11Click(); });
  Events().OnClick(kCancelId, [this] { CloseModal(); });
}

void TForm2::FormShow() {
  ControlPanelPage.EnumerateAppletFiles();
  ControlPanelPage.MarkSavedApplets();
}

void TForm2::FormClose() { ControlPanelPage.Clear(); }

void TForm2::Button11Click() {
  QuickRunPage.ApplyOk();
  ControlPanelPage.ApplyOk(*form1_);
  CloseModal();
}

}  // namespace corvel
