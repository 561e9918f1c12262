#include "options/caption_button_page.h"
#include <tuple>
#include "app/unit1.h"
#include "core/caption_button.h"
#include "sysinfo/os_info.h"

namespace corvel {

namespace {

// Places `r`, given inside `frame`, on the page.
RECT InFrame(const RECT& frame, const RECT& r) {
  return {frame.left + r.left, frame.top + r.top, frame.left + r.right, frame.top + r.bottom};
}

template <typename C, typename... Extra>
bool Place(C& control, HWND page, int id, const std::string& text, const RECT& r, Extra... extra) {
  return control.Create(page, id, text, r.left, r.top, r.right - r.left, r.bottom - r.top, extra...);
}

RECT RadioBox(const RECT& frame, int left, int width, int row) {
  const int top = kFirstRadioTop + row * kRadioStep;
  return InFrame(frame, {left, top, left + width, top + kRadioHeight});
}

}  // namespace

bool TCaptionButtonPage::Create(HWND page, ControlEvents& events) {
  bool ok = Place(GroupBox3, page, kGroupBox3Id, " Set Caption button ", kGroupBox3Box);
  RadioButton* filters[] = {&RadioButton1, &RadioButton2, &RadioButton3};
  const char* filterTexts[] = {"Only for the main windows of applications", "For all windows on the desktop",
                               "Only for the windows in the list"};
  for (int i = 0; i < 3; ++i)
    ok &= Place(*filters[i], page, kRadioButton1Id + i, filterTexts[i],
                RadioBox(kGroupBox3Box, kFilterRadioLeft, kFilterRadioWidth, i), i == 0);
  ok &= Place(Button5, page, kButton5Id, "Add to list", InFrame(kGroupBox3Box, kButton5Box));
  ok &= Place(Button1, page, kButton1Id, "Remove ", InFrame(kGroupBox3Box, kButton1Box));
  const RECT list = InFrame(kGroupBox3Box, kListBox1Box);
  ok &= ListBox1.Create(page, kListBox1Id, list.left, list.top, list.right - list.left, list.bottom - list.top);

  ok &= Place(GroupBox4, page, kGroupBox4Id, " Caption button visualization ", kGroupBox4Box);
  const char* styleTexts[] = {"Normal (Windows 2k) caption button style", "Windows XP caption button style",
                              "System depend", "Rigth-click on standard minimization button",
                              "Do not draw button but Hot Key", "Draw user's BitMap on the button"};
  const int styleIds[] = {kRadioButton4Id, kRadioButton5Id, kRadioButton6Id,
                          kRadioButton9Id, kRadioButton8Id, kRadioButton7Id};
  for (int i = 0; i < 6; ++i)
    ok &= Place(*styles_[i].button, page, styleIds[i], styleTexts[i],
                RadioBox(kGroupBox4Box, kStyleRadioLeft, kStyleRadioWidth, i), i == 0);
  ok &= Place(Button7, page, kButton7Id, "Load BMP for Pressed Button", InFrame(kGroupBox4Box, kButton7Box));
  ok &= Place(Button8, page, kButton8Id, "Load BMP for Unpressed Button ", InFrame(kGroupBox4Box, kButton8Box));
  for (auto [box, id, r] : {std::tuple{&Image1, kImage1Id, kImage1Box}, std::tuple{&Image2, kImage2Id, kImage2Box}}) {
    const RECT at = InFrame(kGroupBox4Box, r);
    ok &= box->Create(page, id, events, at.left, at.top, at.right - at.left, at.bottom - at.top);
  }

  OpenDialog2.Filter = kExecutableFilter;
  OpenDialog2.FileName = "*.exe";
  OpenPictureDialog1.Filter = kPictureFilter;
  events.OnClick(kRadioButton1Id, [this] { RadioButton1Click(); });
  events.OnClick(kRadioButton2Id, [this] { RadioButton2Click(); });
  events.OnClick(kRadioButton3Id, [this] { RadioButton3Click(); });
  events.OnClick(kButton5Id, [this] { Button5Click(); });
  events.OnClick(kButton1Id, [this] { Button1Click(); });
  events.OnClick(kButton7Id, [this] { Button7Click(); });
  events.OnClick(kButton8Id, [this] { Button8Click(); });
  return ok;
}

void TCaptionButtonPage::Load() {
  const TOptions& o = form1_.Options;
  RadioButton* filters[] = {&RadioButton1, &RadioButton2, &RadioButton3};
  if (o.WinFilter <= kFilterListedPrograms) filters[o.WinFilter]->SetChecked(true);
  ListBox1.SetItems(o.Applications);
  ListBox1.SetEnabled(o.WinFilter == kFilterListedPrograms);
  for (const StyleChoice& s : styles_)
    if (s.symbolType == o.SymbolType) s.button->SetChecked(true);
  Image1.picture.CopyFrom(form1_.BDownUser);
  Image2.picture.CopyFrom(form1_.BUpUser);
  Image1.Invalidate();
  Image2.Invalidate();
}

void TCaptionButtonPage::Apply() {
  TOptions& o = form1_.Options;
  if (RadioButton1.Checked()) o.WinFilter = kFilterMainWindows;
  else if (RadioButton2.Checked()) o.WinFilter = kFilterAllWindows;
  else if (RadioButton3.Checked()) o.WinFilter = kFilterListedPrograms;
  o.Applications = ListBox1.Items();
  for (const StyleChoice& s : styles_) {
    if (!s.button->Checked()) continue;
    o.SymbolType = static_cast<uint8_t>(s.symbolType);
    // "System depend" asks the system at this moment.
    form1_.SetButtonStyle(ButtonStyleFor(s.symbolType, GetOsCode()));
    break;
  }
  form1_.BDownUser.CopyFrom(Image1.picture);
  form1_.BUpUser.CopyFrom(Image2.picture);
  // The hook library draws the user's pictures too.
  form1_.PublishButtonPictures();
}

void TCaptionButtonPage::RadioButton1Click() {
  if (RadioButton1.Checked()) ListBox1.SetEnabled(false);
}

void TCaptionButtonPage::RadioButton2Click() {
  if (RadioButton2.Checked()) ListBox1.SetEnabled(false);
}

void TCaptionButtonPage::RadioButton3Click() {
  if (RadioButton3.Checked()) ListBox1.SetEnabled(true);
}

void TCaptionButtonPage::Button5Click() {
  if (OpenDialog2.Execute(GetAncestor(ListBox1.hwnd(), GA_ROOT))) AddProgram(OpenDialog2.FileName);
}

void TCaptionButtonPage::AddProgram(const std::string& path) { ListBox1.Add(path); }

void TCaptionButtonPage::Button1Click() {
  const int n = ListBox1.Count();
  for (int i = 0; i < n; ++i)
    if (ListBox1.Selected(i)) {
      ListBox1.Delete(i);
      return;
    }
}

void TCaptionButtonPage::Button7Click() {
  if (OpenPictureDialog1.Execute(GetAncestor(Image1.hwnd(), GA_ROOT))) LoadPicture(Image1, OpenPictureDialog1.FileName);
}

void TCaptionButtonPage::Button8Click() {
  if (OpenPictureDialog1.Execute(GetAncestor(Image2.hwnd(), GA_ROOT))) LoadPicture(Image2, OpenPictureDialog1.FileName);
}

bool TCaptionButtonPage::LoadPicture(PictureBox& image, const std::string& path) {
  Picture loaded;
  std::string why;
  if (!loaded.LoadFromFile(path, &why)) {
    const std::string text = "The picture " + path + " cannot be used: " + why + ".";
    MessageBoxA(GetAncestor(image.hwnd(), GA_ROOT), text.c_str(), "Corvel", MB_OK | MB_ICONWARNING);
    return false;
  }
  image.picture.CopyFrom(loaded);
  image.Invalidate();
  return true;
}

}  // namespace corvel
