// The Caption button page of the options dialog: which windows get the caption button, and how
// the button looks (its style and the user's two pictures).
#pragma once
#include <string>
#include "platform/common_dialogs.h"
#include "platform/controls.h"

namespace corvel {

class TForm1;

// Layout, in the page's client pixels. The frames' children stand at their place in the frame
// plus the frame's corner.
constexpr RECT kGroupBox3Box{8, 0, 8 + 269, 0 + 309};
constexpr RECT kGroupBox4Box{288, 0, 288 + 293, 0 + 309};
constexpr int kRadioHeight = 17, kRadioStep = 32, kFirstRadioTop = 24;
constexpr int kFilterRadioLeft = 12, kFilterRadioWidth = 249;
constexpr int kStyleRadioLeft = 12, kStyleRadioWidth = 273;
constexpr RECT kButton5Box{16, 144, 16 + 97, 144 + 25};   // in GroupBox3
constexpr RECT kButton1Box{132, 144, 132 + 91, 144 + 25};
constexpr RECT kListBox1Box{12, 184, 12 + 245, 184 + 105};
constexpr RECT kButton7Box{16, 228, 16 + 177, 228 + 25};  // in GroupBox4
constexpr RECT kImage1Box{224, 228, 224 + 25, 228 + 25};
constexpr RECT kButton8Box{16, 264, 16 + 177, 264 + 25};
constexpr RECT kImage2Box{224, 264, 224 + 25, 264 + 25};

// Control ids, unique in the dialog.
enum CaptionButtonPageId {
  kGroupBox3Id = 2201, kGroupBox4Id, kRadioButton1Id, kRadioButton2Id, kRadioButton3Id, kButton5Id,
  kButton1Id, kListBox1Id, kRadioButton4Id, kRadioButton5Id, kRadioButton6Id, kRadioButton9Id,
  kRadioButton8Id, kRadioButton7Id, kButton7Id, kImage1Id, kButton8Id, kImage2Id,
};

constexpr const char kExecutableFilter[] = "Executable files|*.exe";
constexpr const char kPictureFilter[] =
    "All pictures (*.bmp;*.jpg;*.jpeg;*.jpe;*.jfif)|*.bmp;*.jpg;*.jpeg;*.jpe;*.jfif|Bitmaps (*.bmp)|*.bmp|"
    "JPEG pictures (*.jpg;*.jpeg;*.jpe;*.jfif)|*.jpg;*.jpeg;*.jpe;*.jfif";

class TCaptionButtonPage {
 public:
  explicit TCaptionButtonPage(TForm1& form1) : form1_(form1) {}
  // Builds the controls on `page` (the dialog's TabSheet2), handlers into the dialog's `events`.
  bool Create(HWND page, ControlEvents& events);

  // From the settings and the main form, when the dialog is shown.
  void Load();
  // Into the settings and the main form, on OK.
  void Apply();

  void RadioButton1Click();
  void RadioButton2Click();
  void RadioButton3Click();
  void Button5Click();
  void Button1Click();
  void Button7Click();
  void Button8Click();
  // What a confirmed choice of the dialogs does: a program appended to the list; a picture
  // read into a preview, or a message when it cannot be read (the preview then stays).
  void AddProgram(const std::string& path);
  bool LoadPicture(PictureBox& image, const std::string& path);

  GroupBox GroupBox3, GroupBox4;
  RadioButton RadioButton1, RadioButton2, RadioButton3;
  Button Button5, Button1;
  ListBox ListBox1;
  RadioButton RadioButton4, RadioButton5, RadioButton6, RadioButton9, RadioButton8, RadioButton7;
  Button Button7, Button8;
  PictureBox Image1, Image2;  // pressed, unpressed
  OpenFileDialog OpenDialog2, OpenPictureDialog1;

 private:
  struct StyleChoice {
    RadioButton* button;
    int symbolType;
  };
  // The six style buttons from top to bottom with their SymbolType.
  StyleChoice styles_[6] = {{&RadioButton4, 0}, {&RadioButton5, 1}, {&RadioButton6, 2},
                            {&RadioButton9, 5}, {&RadioButton8, 4}, {&RadioButton7, 3}};
  TForm1& form1_;
};

}  // namespace corvel
