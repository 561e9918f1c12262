#include "launch/quick_run_menu.h"
#include <cstring>
#include "app/unit1.h"
#include "platform/controls.h"
#include "platform/effects.h"
#include "platform/menu_margin.h"
#include "platform/profile.h"
#include "settings/settings_location.h"
#include "platform/text.h"

namespace corvel {

namespace {

constexpr size_t kLongMenuItems = 4;
constexpr int kMarginTextAngle = 90;
constexpr int kMarginFontHeight = 16;  // cell height
constexpr COLORREF kMarginTop = RGB(0, 0, 0);
constexpr COLORREF kMarginBottom = RGB(0, 128, 128);
constexpr const char kCountKey[] = "AppCount";
constexpr const char kNameKey[] = "AppName_";
constexpr const char kPathKey[] = "AppPath_";
constexpr const char kOpenVerb[] = "open";

bool FileExists(const std::string& path) {
  return !path.empty() && GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

}  // namespace

const char* QuickRunMarginText(size_t items) { return items > kLongMenuItems ? "Quick run" : "QX"; }

void TForm1::AddQuickRunEntry(const std::string& name, const std::string& path) {
  if (!ListView4) return;
  const int row = ListView4->AddItem(name);
  ListView4->SetItemText(row, kQuickRunPathColumn, path);
  // The call may rewrite its buffer: it gets a private copy, and the entry keeps its path.
  char buffer[MAX_PATH] = {};
  std::strncpy(buffer, path.c_str(), MAX_PATH - 1);
  WORD index = 0;
  IconHandle icon(ExtractAssociatedIconA(GetModuleHandleA(nullptr), buffer, &index));
  // No icon of its own: the system's picture of a program.
  const int image = icon ? AppIcons.AddIcon(icon.get()) : AppIcons.AddIcon(LoadIcon(nullptr, IDI_APPLICATION));
  ListView4->SetItemImage(row, image >= 0 ? AppIcons.Count() - 1 : -1);
}

void TForm1::LoadQuickRunList() {
  if (!ListView4) return;
  const ProfileFile file(SettingsFile());
  const int32_t count = file.ReadInteger(kQuickRunSection, kCountKey, 0);
  ListView4->Clear();
  // The menu is rebuilt right after every load: the old pictures are no longer used.
  AppIcons.Clear();
  // An entry without a path key names no file: only the numbers with one are read.
  for (const int32_t n : file.NumberedKeys(kQuickRunSection, kPathKey, "", 1, count)) {
    const std::string name = file.ReadString(kQuickRunSection, kNameKey + std::to_string(n), "");
    const std::string path = file.ReadString(kQuickRunSection, kPathKey + std::to_string(n), "");
    if (FileExists(path)) AddQuickRunEntry(name, path);
  }
}

void TForm1::SaveQuickRunList() const {
  if (!ListView4) return;
  const ProfileFile file(SettingsFile());
  const int rows = ListView4->Count();
  file.WriteInteger(kQuickRunSection, kCountKey, rows);
  for (int i = 0; i < rows; ++i) {
    file.WriteString(kQuickRunSection, kNameKey + std::to_string(i + 1), ListView4->ItemText(i));
    file.WriteString(kQuickRunSection, kPathKey + std::to_string(i + 1), ListView4->ItemText(i, kQuickRunPathColumn));
  }
}

void TForm1::ResetQuickRunMenu() {
  RxPopupMenu2.Clear();
  PopupMenu::Item header;
  header.caption = Widen(kQuickRunHeader);
  RxPopupMenu2.Append(header);
  PopupMenu::Item separator;
  separator.separator = true;
  RxPopupMenu2.Append(separator);
}

void TForm1::FillQuickRunMenu() {
  RxPopupMenu2.SetImages(&AppIcons);
  const int rows = ListView4 ? ListView4->Count() : 0;
  for (int i = 0; i < rows; ++i) {
    PopupMenu::Item item;
    item.caption = Widen(ListView4->ItemText(i));
    item.image = ListView4->ItemImage(i);
    // The item finds its program by its position in the list at the time of the click.
    item.onClick = [this, i] { QuickRunItemClick(i); };
    RxPopupMenu2.Append(item);
  }
}

void TForm1::QuickRunItemClick(int tag) {
  if (tag < 0 || !ListView4 || tag >= ListView4->Count()) return;
  const std::string path = ListView4->ItemText(tag, kQuickRunPathColumn);
  CurrentEffects().ShellExecuteFile(hwnd(), kOpenVerb, path.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

void TForm1::RxPopupMenu2DrawMargin(HDC dc, const RECT& strip) {
  FontSpec marginFont;
  marginFont.name = "Arial";
  marginFont.bold = true;
  marginFont.height = kMarginFontHeight;
  FontHandle font = CreateRotatedFont(marginFont, kMarginTextAngle);
  PaintMenuMargin(dc, strip, MarginStyle{kMarginTop, kMarginBottom, font.get(), 0},
                  QuickRunMarginText(RxPopupMenu2.Count()));
}

}  // namespace corvel
