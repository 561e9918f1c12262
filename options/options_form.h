// The options dialog: the bar of page buttons with Help, the painted title strip, the four pages
// (Common here, Caption button in its own unit, Quick run and Control Panel filled by theirs),
// Set Default, OK and Cancel.
#pragma once
#include <functional>
#include <string>
#include <vector>
#include "options/caption_button_page.h"
#include "platform/common_dialogs.h"
#include "platform/controls.h"
#include "platform/modal_form.h"
#include "resources/speed_bar_glyphs.h"

namespace corvel {

class TForm1;

// Layout, in the dialog's client pixels.
constexpr int kForm2Width = 669, kForm2Height = 407;
constexpr int kSpeedBar1Width = 66;
constexpr int kSpeedItemLeft = 3, kSpeedItemWidth = 60, kSpeedItemHeight = 80;
constexpr int kSpeedItem1Top = 3, kSpeedItem2Top = 83, kSpeedItem3Top = 163, kSpeedItem5Top = 243,
              kSpeedItem4Top = 323;
constexpr RECT kPaintBox1Box{76, 4, 76 + 585, 4 + 21};
constexpr RECT kLabel2Box{100, 8, 100 + 200, 8 + 13};
constexpr RECT kPageControl1Box{72, 28, 72 + 589, 28 + 321};
constexpr int kPageInset = 4;  // the sheets inside the page frame
constexpr int kBottomButtonTop = 367, kBottomButtonWidth = 75, kBottomButtonHeight = 25;
constexpr int kButton2Left = 76, kButton11Left = 496, kButton10Left = 584;
// Title strip: the grey runs from 255 - 100 at the left to 255 - 40 at the right, over 60 steps.
constexpr int kStripSpan = 60, kStripBase = 40, kStripFontPoints = 10;

// The Common page, in the page's client pixels.
constexpr RECT kGroupBox1Box{8, 0, 8 + 317, 0 + 149};
constexpr RECT kGroupBox5Box{336, 0, 336 + 241, 0 + 149};
constexpr RECT kGroupBox2Box{8, 156, 8 + 317, 156 + 153};
constexpr RECT kGroupBox6Box{336, 156, 336 + 241, 156 + 153};
constexpr RECT kCheckBox1Box{16, 32, 16 + 289, 32 + 17};  // in GroupBox1
constexpr RECT kCheckBox2Box{16, 64, 16 + 289, 64 + 17};
constexpr RECT kCheckBox5Box{16, 96, 16 + 289, 96 + 17};
constexpr RECT kComboBox1Box{16, 48, 16 + 209, 48 + 120};  // in GroupBox5; the height is the drop-down's
constexpr RECT kCheckBox3Box{16, 24, 16 + 289, 24 + 17};   // in GroupBox2
constexpr RECT kCheckBox4Box{16, 56, 16 + 289, 56 + 17};
constexpr RECT kButton4Box{16, 88, 16 + 177, 88 + 25};
constexpr RECT kShape1Box{224, 88, 224 + 25, 88 + 25};
constexpr RECT kButton3Box{16, 32, 16 + 209, 32 + 25};  // in GroupBox6
constexpr RECT kLabel1Box{16, 80, 16 + 209, 80 + 40};
constexpr int kShape1PenWidth = 2;

// Control ids, unique in the dialog.
enum OptionsFormId {
  kSpeedItem1Id = 2001, kSpeedItem2Id, kSpeedItem3Id, kSpeedItem5Id, kSpeedItem4Id, kPaintBox1Id, kLabel2Id,
  kButton2Id, kButton11Id, kButton10Id,
  kGroupBox1Id = 2101, kCheckBox1Id, kCheckBox2Id, kCheckBox5Id, kGroupBox5Id, kComboBox1Id, kGroupBox2Id,
  kCheckBox3Id, kCheckBox4Id, kButton4Id, kShape1Id, kGroupBox6Id, kButton3Id, kLabel1Id,
};

// Page indices of PageControl1.
enum OptionsPage { kCommonPage = 0, kCaptionButtonPage = 1, kQuickRunPage = 2, kControlPanelPage = 3 };

constexpr const char kWarningCaption[] = "Warning !";
constexpr const char kWarningText[] =
    "You must check at least one of this options !\n\rIf no options - no minimization !";
constexpr const char kLanguageFilter[] = "Language library|*.lng";
constexpr const char kBuiltInLanguage[] = "Current language: English.";

// A large button of the bar: its caption (the page's title) and the text shown on it.
struct SpeedItem {
  std::string Caption;
  Button button;
  SpeedBarGlyph glyph = SpeedBarGlyph::Common;
  bool down = false;
};

class TForm2 : public ModalForm {
 public:
  explicit TForm2(TForm1& form1);
  // Creates the dialog hidden with every control; FormCreate runs in it.
  bool CreateForm(HWND owner);

  // What the Quick run and Control Panel pages do at the dialog's moments. Their unit builds
  // them on TabSheet3 and TabSheet4 and sets these; unset ones do nothing.
  struct PageHooks {
    std::function<void()> FormShow;        // after the Common and Caption button pages are loaded
    std::function<void()> FormClose;       // when the dialog closes
    std::function<void()> ApplyQuickRun;   // OK: the Quick Run list written, read back, menu rebuilt
    std::function<void()> ApplyControlPanel;  // OK: the ticked applets written
    // A language library's text for a key of those pages ("SelItem", "AllItems").
    std::function<void(const std::string& key, const std::string& text)> SetText;
  } Pages;

  // ---- Frame
  SpeedItem SpeedItem1, SpeedItem2, SpeedItem3, SpeedItem5, SpeedItem4;
  Label PaintBox1;
  Label Label2;  // invisible: the title of the current page
  Panel PageControl1;
  Panel TabSheet1, TabSheet2, TabSheet3, TabSheet4;
  Button Button2, Button11, Button10;
  ColorDialog ColorDialog1;
  OpenFileDialog OpenDialog1;

  // ---- Common page
  GroupBox GroupBox1, GroupBox5, GroupBox2, GroupBox6;
  CheckBox CheckBox1, CheckBox2, CheckBox5, CheckBox3, CheckBox4;
  ComboBox ComboBox1;
  Button Button4, Button3;
  Label Shape1;  // the border colour's sample, drawn by the dialog
  COLORREF Shape1PenColor = RGB(0, 0, 0);
  Label Label1;

  // ---- Caption button page
  TCaptionButtonPage CaptionButtonPage;

  int ActivePageIndex() const { return activePage_; }

  void FormCreate();
  void SpeedItem1Click() { ShowPage(SpeedItem1, kCommonPage); }
  void SpeedItem2Click() { ShowPage(SpeedItem2, kCaptionButtonPage); }
  void SpeedItem5Click() { ShowPage(SpeedItem5, kQuickRunPage); }
  void SpeedItem3Click() { ShowPage(SpeedItem3, kControlPanelPage); }
  void SpeedItem4Click();
  void CheckBox1Click() { WarnWhenNoMinimization(); }
  void CheckBox2Click() { WarnWhenNoMinimization(); }
  void CheckBox5Click() { WarnWhenNoMinimization(); }
  void Button4Click();
  void Button3Click();
  // What a confirmed choice of a language library does.
  void LoadLanguageLibrary(const std::string& path);
  void Button2Click();
  void Button10Click() { CloseModal(); }
  // False, with the dialog left open, when the settings file refused a write.
  bool Button11Click();
  // Draws the title strip into a canvas of `width` x `height`.
  void PaintTitleStrip(HDC dc, int width, int height) const;
  // A language library's text for `key`.
  void ApplyLanguageText(const std::string& key, const std::string& text);

 protected:
  void FormShow() override;
  void FormClose() override;

 private:
  void CreateFrame();
  void CreateCommonPage();
  void ShowPage(SpeedItem& item, int page);
  void DrawSpeedItem(const SpeedItem& item, const DRAWITEMSTRUCT& draw) const;
  void DrawShape1(const DRAWITEMSTRUCT& draw) const;
  void SetSpeedItemText(SpeedItem& item, const std::string& text);
  // Sets a check box and runs its click handler when the state changes.
  void SetCheck(CheckBox& box, bool checked, void (TForm2::*click)());
  void WarnWhenNoMinimization();
  // Every element a language library key sets, but for the frame's own cases.
  Control* LanguageElement(const std::string& key);

  TForm1& form1_;
  FontHandle speedBarFont_, titleFont_;
  int activePage_ = kCommonPage;
  std::string curLib_;
};

}  // namespace corvel
