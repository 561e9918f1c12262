// A real main window in the test process, started as the program starts it, with a tray and a
// hook library the test watches.
#pragma once
#include <gtest/gtest.h>
#include <memory>
#include "app/unit1.h"
#include "platform/messages.h"
#include "tests/unit/test_support.h"

namespace corvel::test {

class MainFormTest : public testing::Test {
 protected:
  void SetUp() override {
    RemoveSettingsFile();
    tray = std::make_unique<TestTray>();
  }
  void TearDown() override {
    if (form) form->FormDestroy();
    form.reset();
    tray.reset();
    RemoveSettingsFile();
  }
  // Writes the settings file (empty: none), creates the main window and runs the start-up. A
  // file that does not choose how the caption button shows has it drawn into title bars, on
  // every system the tests run as.
  void Start(const std::string& settings = std::string()) {
    if (!settings.empty()) WriteSettingsText(WithChosenCaptionButton(settings));
    form = std::make_unique<TForm1>(HookCalls::Recorder());
    ASSERT_TRUE(form->CreateForm());
    form->FormShow();
    ASSERT_TRUE(PumpUntil([this] { return !form->Timer1.Enabled() && !form->Timer2.Enabled(); }));
  }
  LRESULT Send(UINT msg, HWND window) { return SendMessageA(form->hwnd(), msg, 0, WindowToParam(window)); }
  void WaitTimers() {
    PumpUntil([this] { return !form->AddTrTimer.Enabled() && !form->DelTrTimer.Enabled(); });
  }
  // What the tray holds of a window's icon.
  const TestTray::Call* LiveIcon(HWND window) {
    live_ = tray->Live();
    for (const TestTray::Call& c : live_)
      if (c.hwnd == form->hwnd() && c.uid == TrayIconId(window)) return &c;
    return nullptr;
  }

  static std::string WithChosenCaptionButton(std::string settings) {
    if (settings.find("CaptionButton=") != std::string::npos) return settings;
    const std::string section = "[Visualization]\r\n";
    const size_t at = settings.find(section);
    if (at == std::string::npos) return settings + section + "CaptionButton=1\r\n";
    return settings.insert(at + section.size(), "CaptionButton=1\r\n");
  }

  ScopedEffects effects;
  std::unique_ptr<TestTray> tray;
  std::unique_ptr<TForm1> form;

 private:
  std::vector<TestTray::Call> live_;
};

}  // namespace corvel::test
