// The transparency and colour dialog of the floating windows: the alpha, the outline colour and
// the background colour of one floating window, each applied as soon as it changes. The controls
// keep what was last chosen from one showing to the next.
#pragma once
#include <array>
#include "platform/controls.h"
#include "platform/image_list.h"
#include "platform/modal_form.h"

namespace corvel {

class TForm1;
class TBlendWin;

// The colours both combo boxes offer, in their order.
struct NamedColour {
  const char* name;
  COLORREF colour;
};
constexpr std::array<NamedColour, 16> kBlendColours{{{"Black", 0x000000},
                                                     {"Maroon", 0x000080},
                                                     {"Green", 0x008000},
                                                     {"Olive", 0x008080},
                                                     {"Navy", 0x800000},
                                                     {"Purple", 0x800080},
                                                     {"Teal", 0x808000},
                                                     {"Gray", 0x808080},
                                                     {"Silver", 0xC0C0C0},
                                                     {"Red", 0x0000FF},
                                                     {"Lime", 0x00FF00},
                                                     {"Yellow", 0x00FFFF},
                                                     {"Blue", 0xFF0000},
                                                     {"Fuchsia", 0xFF00FF},
                                                     {"Aqua", 0xFFFF00},
                                                     {"White", 0xFFFFFF}}};

// Layout of the form (client 222 x 214), in client pixels; the controls of a group box are
// placed by their offset inside it.
namespace set_blend_layout {
constexpr int kClientWidth = 222, kClientHeight = 214;
constexpr int kGroupLeft = 4, kGroupWidth = 213, kGroupHeight = 53;
constexpr int kGroup1Top = 4, kGroup2Top = 64, kGroup3Top = 124;
constexpr int kLabelX = 12, kLabelY = 24, kLabelWidth = 110, kLabelHeight = 13;
constexpr int kSpinX = 128, kSpinY = 16, kSpinWidth = 65, kSpinHeight = 21;
constexpr int kComboX = 12, kComboY = 20, kComboWidth = 185, kComboHeight = 22;
constexpr int kComboItemHeight = 16, kComboDropItems = 8;
constexpr int kCloseX = 152, kCloseY = 184, kCloseWidth = 65, kCloseHeight = 25;
constexpr int kAlphaMin = 0, kAlphaMax = 255, kAlphaInitial = 120;
constexpr int kBorderInitial = 0;       // Black
constexpr int kBackgroundInitial = 8;   // Silver
}  // namespace set_blend_layout

class TSetBlendForm : public ModalForm {
 public:
  explicit TSetBlendForm(TForm1& mainForm);

  // Creates the form and its controls, hidden.
  bool CreateForm(HWND owner);

  // The floating window being edited; set by the caller before each showing.
  HWND FloatingWindowHandle = nullptr;
  TBlendWin* FloatingWindow = nullptr;

  GroupBox GroupBox1, GroupBox2, GroupBox3;
  Label RxLabel1;
  SpinEdit RxSpinEdit1;
  ComboBox ColorComboBox1, ColorComboBox2;
  Button RxSpeedButton2;

  void RxSpinEdit1Change();
  void ColorComboBox1Change();
  void ColorComboBox2Change();
  void RxSpeedButton2Click();
  // The colour chosen in a colour combo box.
  static COLORREF SelectedColour(const ComboBox& box);

  // The floating window goes: nothing refers to it any more, and the dialog closes if it edits it.
  void FloatingWindowGone(const TBlendWin* window);

 protected:
  void FormShow() override;

 private:
  void CreateControls();
  void DrawColourItem(const DRAWITEMSTRUCT& item) const;
  void DrawCloseButton(const DRAWITEMSTRUCT& item) const;

  TForm1& main_;
  ImageList glyphs_;
};

}  // namespace corvel
