#include "options/quick_run_page.h"
#include <cstring>
#include "app/unit1.h"
#include "launch/quick_run_menu.h"
#include "options/change_name_form.h"
#include "options/options_form.h"
#include "platform/common_dialogs.h"

namespace corvel {

namespace {

// Layout of the page (581 x 313).
constexpr int kGroupX = 2, kGroupY = 0, kGroupW = 577, kGroupH = 311;
constexpr int kListX = 18, kListY = 24, kListW = 486, kListH = 240;
constexpr int kArrowX = 512, kUpY = 24, kDownY = 48, kArrowSize = 21, kGlyph = 13;
constexpr int kButtonY = 276, kButtonW = 90, kButtonH = 25, kAddX = 18, kEditX = 116, kDeleteX = 214;
constexpr int kNameWidth = 150, kPathWidth = 313;
constexpr const char kGroupCaption[] = " Application list for quick launch menu ";
constexpr char kFilter[] = "Executable files\0*.exe\0";
constexpr const char kInitialFile[] = "*.exe";
constexpr size_t kFileChars = 1024;

// A 13 x 13 arrow on a push button, pointing up or down.
void DrawArrowButton(const DRAWITEMSTRUCT& item, bool up) {
  RECT r = item.rcItem;
  const bool pushed = (item.itemState & ODS_SELECTED) != 0;
  DrawFrameControl(item.hDC, &r, DFC_BUTTON, DFCS_BUTTONPUSH | (pushed ? DFCS_PUSHED : 0));
  const int left = (r.left + r.right - kGlyph) / 2 + (pushed ? 1 : 0);
  const int top = (r.top + r.bottom - kGlyph) / 2 + (pushed ? 1 : 0);
  const int tipY = up ? top + 3 : top + kGlyph - 4;
  const int baseY = up ? top + kGlyph - 4 : top + 3;
  const POINT arrow[3] = {{left + kGlyph / 2, tipY}, {left + 1, baseY}, {left + kGlyph - 2, baseY}};
  const COLORREF colour = GetSysColor((item.itemState & ODS_DISABLED) ? COLOR_GRAYTEXT : COLOR_BTNTEXT);
  BrushHandle brush(CreateSolidBrush(colour));
  PenHandle pen(CreatePen(PS_SOLID, 1, colour));
  SelectGuard selBrush(item.hDC, brush.get());
  SelectGuard selPen(item.hDC, pen.get());
  Polygon(item.hDC, arrow, 3);
}

// The part of a path after its last backslash or colon.
std::string FileNamePart(const std::string& path) {
  const size_t cut = path.find_last_of("\\:");
  return cut == std::string::npos ? path : path.substr(cut + 1);
}

}  // namespace

bool TQuickRunPage::Create(HWND page, ControlEvents& events, TForm1& form1, TChangeNameForm& changeName) {
  form1_ = &form1;
  changeName_ = &changeName;
  GroupBox5.Create(page, 0, kGroupCaption, kGroupX, kGroupY, kGroupW, kGroupH);
  // The list shows AppIcons, which the main form owns.
  if (!ListView4.Create(page, kQuickRunListId, kListX, kListY, kListW, kListH,
                        LVS_SHAREIMAGELISTS | LVS_NOSORTHEADER, LVS_EX_FULLROWSELECT))
    return false;
  ListView4.AddColumn("Application name", kNameWidth);
  ListView4.AddColumn("Executable filename", kPathWidth);
  ListView4.SetSmallImages(form1.AppIcons.get());
  Button6.Create(page, kQuickRunAddId, "Add/Browse", kAddX, kButtonY, kButtonW, kButtonH);
  Button12.Create(page, kQuickRunEditNameId, "Edit name", kEditX, kButtonY, kButtonW, kButtonH);
  Button9.Create(page, kQuickRunDeleteId, "Delete", kDeleteX, kButtonY, kButtonW, kButtonH);
  SpeedButton1.Create(page, kQuickRunUpId, "", kArrowX, kUpY, kArrowSize, kArrowSize, BS_OWNERDRAW);
  SpeedButton2.Create(page, kQuickRunDownId, "", kArrowX, kDownY, kArrowSize, kArrowSize, BS_OWNERDRAW);
  Button12.SetEnabled(false);
  Button9.SetEnabled(false);

  events.OnClick(kQuickRunAddId, [this] { Button6Click(); });
  events.OnClick(kQuickRunEditNameId, [this] { Button12Click(); });
  events.OnClick(kQuickRunDeleteId, [this] { Button9Click(); });
  events.OnClick(kQuickRunUpId, [this] { SpeedButton1Click(); });
  events.OnClick(kQuickRunDownId, [this] { SpeedButton2Click(); });
  events.OnDrawItem(kQuickRunUpId, [](const DRAWITEMSTRUCT& item) { DrawArrowButton(item, true); });
  events.OnDrawItem(kQuickRunDownId, [](const DRAWITEMSTRUCT& item) { DrawArrowButton(item, false); });
  events.OnNotify(kQuickRunListId, [this](NMHDR& header) -> LRESULT {
    if (header.code == NM_SETFOCUS) ListView4Enter();
    else if (header.code == NM_KILLFOCUS) ListView4Exit();
    else if (header.code == LVN_ITEMCHANGED) ListView4Change();
    return 0;
  });
  form1.ListView4 = &ListView4;
  return true;
}

bool TQuickRunPage::Attach(TForm2& form2, TForm1& form1, TChangeNameForm& changeName) {
  if (!Create(form2.TabSheet3.hwnd(), form2.Events(), form1, changeName)) return false;
  form2.Pages.ApplyQuickRun = [this] { ApplyOk(); };
  return true;
}

void TQuickRunPage::ApplyOk() {
  form1_->SaveQuickRunList();
  form1_->LoadQuickRunList();
  form1_->ResetQuickRunMenu();
  form1_->FillQuickRunMenu();
}

void TQuickRunPage::Button6Click() {
  char file[kFileChars] = {};
  std::strncpy(file, kInitialFile, kFileChars - 1);
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = GetAncestor(ListView4.hwnd(), GA_ROOT);
  ofn.lpstrFilter = kFilter;
  ofn.lpstrFile = file;
  ofn.nMaxFile = kFileChars;
  // The program's current directory stays where it was.
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  if (OpenFileName(ofn)) AddProgram(file);
}

void TQuickRunPage::AddProgram(const std::string& path) { form1_->AddQuickRunEntry(FileNamePart(path), path); }

void TQuickRunPage::Button12Click() {
  const int row = ListView4.SelectedIndex();
  if (row < 0) return;
  if (changeName_->ShowModal(ListView4.ItemText(row)) == TChangeNameForm::ModalResult::Ok)
    ListView4.SetItemText(row, 0, changeName_->Text());
}

void TQuickRunPage::Button9Click() {
  const int row = ListView4.SelectedIndex();
  if (row >= 0) ListView4.DeleteItem(row);
}

void TQuickRunPage::ExchangeRows(int a, int b) {
  const std::string name = ListView4.ItemText(a), path = ListView4.ItemText(a, kQuickRunPathColumn);
  const int image = ListView4.ItemImage(a);
  ListView4.SetItemText(a, 0, ListView4.ItemText(b));
  ListView4.SetItemText(a, kQuickRunPathColumn, ListView4.ItemText(b, kQuickRunPathColumn));
  ListView4.SetItemImage(a, ListView4.ItemImage(b));
  ListView4.SetItemText(b, 0, name);
  ListView4.SetItemText(b, kQuickRunPathColumn, path);
  ListView4.SetItemImage(b, image);
}

void TQuickRunPage::SpeedButton1Click() {
  const int s = ListView4.SelectedIndex();
  if (s <= 0) return;
  ExchangeRows(s - 1, s);
  ListView4.SetSelectedIndex(s - 1);
}

void TQuickRunPage::SpeedButton2Click() {
  const int s = ListView4.SelectedIndex();
  if (s < 0 || s >= ListView4.Count() - 1) return;
  ExchangeRows(s, s + 1);
  ListView4.SetSelectedIndex(s + 1);
}

void TQuickRunPage::EnableForSelection() {
  if (ListView4.SelectedIndex() < 0) return;
  for (Button* b : {&Button12, &Button9, &SpeedButton1, &SpeedButton2}) b->SetEnabled(true);
}

void TQuickRunPage::ListView4Enter() { EnableForSelection(); }
void TQuickRunPage::ListView4Change() { EnableForSelection(); }

void TQuickRunPage::ListView4Exit() {
  if (ListView4.SelectedIndex() >= 0) return;
  Button12.SetEnabled(false);
  Button9.SetEnabled(false);
}

}  // namespace corvel
