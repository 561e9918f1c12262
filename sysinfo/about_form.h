// The about box: the maker, the program and its version, a link to the maker's home page, and
// the system's name and memory, rebuilt at each showing.
#pragma once
#include <string>
#include "corvel_version.h"
#include "platform/controls.h"
#include "platform/modal_form.h"
#include "platform/picture.h"
#include "settings/local.h"

namespace corvel {

// Texts of the box.
constexpr const char kAboutCaption[] = "About Corvel";
constexpr const char kMakerName[] = CORVEL_COMPANY;
constexpr const char kProgramName[] = CORVEL_PRODUCT;
constexpr const char kVersionNumber[] = CORVEL_VERSION_SHOWN;
constexpr const char kVersionLine[] = "Version " CORVEL_VERSION_SHOWN " beta";
constexpr const char kNotice[] = "Freeware. Copyright (C) Dravik";
constexpr const char kHomePage[] = "http://www.dravik.example/corvel/";
constexpr const char kMemoryUnit[] = " KB";

// Layout, in client pixels, and control ids: names of this box alone.
namespace about_layout {
constexpr int kAboutWidth = 411, kAboutHeight = 237;
constexpr RECT kImage1Box{8, 8, 8 + 133, 8 + 221};
constexpr POINT kLabel1At{148, 8}, kLabel2At{148, 32}, kLabel3At{152, 72}, kLabel4At{152, 88},
    kLabel5At{152, 104}, kLabel6At{152, 176}, kLabel7At{152, 188};
constexpr RECT kBevel1Box{152, 170, 152 + 253, 170 + 2};  // the rule, painted by the form
constexpr RECT kButton1Box{308, 208, 308 + 99, 208 + 25};
constexpr COLORREF kLinkColour = RGB(0, 0, 128);       // navy
constexpr COLORREF kLinkHoverColour = RGB(0, 0, 255);  // blue
constexpr COLORREF kImageFrameColour = RGB(128, 128, 128);

enum AboutControl { kLabel1Id = 101, kLabel2Id, kLabel3Id, kLabel4Id, kLabel5Id, kLabel6Id, kLabel7Id };
}  // namespace about_layout

class TAForm : public ModalForm {
 public:
  explicit TAForm(const TLocal& local);
  // Creates the box and its controls, hidden.
  bool CreateForm(HWND owner);

  // The version line as a language library gives it.
  void SetVersionText(const std::string& text) { SetLabel(Label3, text); }

  void Label5MouseMove();
  void FormMouseMove();
  void Label5Click();
  void Button1Click() { CloseModal(); }
  void FormPaint(HDC dc);

  Picture Image1;
  Label Label1, Label2, Label3, Label4, Label5, Label6, Label7;
  Button Button1;
  // Whether the link shows as under the pointer.
  bool LinkHot() const { return linkHot_; }

 protected:
  void FormShow() override;
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) noexcept override;

 private:
  void SetLabel(Label& label, const std::string& text);
  void SetLinkHot(bool hot);

  const TLocal& local_;
  FontHandle makerFont_, programFont_, linkFont_, linkHotFont_;
  bool linkHot_ = false;
};

}  // namespace corvel
