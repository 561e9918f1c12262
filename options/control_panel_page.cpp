#include "options/control_panel_page.h"
#include <algorithm>
#include <cstring>
#include <cwchar>
#include <shellapi.h>
#include "options/options_form.h"
#include "launch/applet_tray_icons.h"
#include "platform/effects.h"
#include "platform/messages.h"
#include "platform/profile.h"
#include "settings/settings_location.h"

namespace corvel {

namespace {

// Layout of the page (581 x 313).
constexpr int kGroupX = 2, kGroupY = 0, kGroupW = 577, kGroupH = 311;
constexpr int kListX = 14, kListY = 24, kListW = 561, kListH = 283;
constexpr int kColumnWidth = 510;
constexpr int kListFontPoints = 12;  // 16 pixels
constexpr const char kGroupCaption[] = " Select item from control panel to set it on tray ";
constexpr const char kColumnCaption[] = "                     Control panel items";

constexpr DWORD kListedAttributes = 0x3F;
constexpr LONG kMaxAppletsPerFile = 2;
constexpr int kNameChars = 32;
constexpr LONG_PTR kRIconData = 33;
constexpr int kMaxRows = 0xFFFF;  // the OK pass counts with 16 bits
constexpr const char kRowIndent[] = "  ";
constexpr const char kEntryPointName[] = "CPlApplet";
constexpr const char kSecondAppletSuffix[] = ",@1";

void FindAppletFiles(const std::string& folder, std::vector<WIN32_FIND_DATAA>& found) {
  WIN32_FIND_DATAA entry{};
  const HANDLE h = FindFirstFileA((folder + "\\*.CPL").c_str(), &entry);
  if (h == INVALID_HANDLE_VALUE) return;
  do found.push_back(entry);
  while (FindNextFileA(h, &entry));
  FindClose(h);
}

std::string NarrowName(const wchar_t* name) {
  const int length = static_cast<int>(wcsnlen(name, kNameChars));
  if (length == 0) return std::string();
  char out[kNameChars * 2 + 1] = {};
  const int n = WideCharToMultiByte(CP_ACP, 0, name, length, out, sizeof out - 1, nullptr, nullptr);
  return std::string(out, n > 0 ? n : 0);
}

std::string AnsiName(const char* name) { return std::string(name, strnlen(name, kNameChars)); }

}  // namespace

TControlPanelPage::TControlPanelPage()
    : ImageList2(GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON)) {}

bool TControlPanelPage::Create(HWND page, ControlEvents& events) {
  GroupBox4.Create(page, 0, kGroupCaption, kGroupX, kGroupY, kGroupW, kGroupH);
  if (!ListView1.Create(page, kAppletListId, kListX, kListY, kListW, kListH, LVS_SHAREIMAGELISTS | LVS_NOSORTHEADER,
                        LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT))
    return false;
  listFont_ = CreatePointFont("MS Sans Serif", kListFontPoints, true);
  ListView1.SetFont(listFont_.get());
  ListView1.AddColumn(kColumnCaption, kColumnWidth);
  events.OnNotify(kAppletListId, [this](NMHDR& header) -> LRESULT {
    if (header.code == NM_DBLCLK) ListView1DblClick();
    return 0;
  });
  return true;
}

bool TControlPanelPage::Attach(TForm2& form2) {
  if (!Create(form2.TabSheet4.hwnd(), form2.Events())) return false;
  form2.Pages.FormShow = [this] {
    EnumerateAppletFiles();
    MarkSavedApplets();
  };
  form2.Pages.FormClose = [this] { Clear(); };
  form2.Pages.ApplyControlPanel = [this] { ApplyOk(); };
  form2.Pages.SetText = [this](const std::string& key, const std::string& text) {
    if (key == "SelItem") GroupBox4.SetText(text);
    else if (key == "AllItems") ListView1.SetColumnText(0, text);
  };
  return true;
}

void TControlPanelPage::Clear() {
  ListView1.Clear();
  FileNames.clear();
  Records.clear();
  ImageList2.Clear();
}

void TControlPanelPage::EnumerateAppletFiles() {
  Clear();
  // SYSTEM32, or SYSTEM only when SYSTEM32 holds no CPL file.
  const std::string folder = AppletFolder();
  std::vector<WIN32_FIND_DATAA> found;
  FindAppletFiles(folder, found);
  for (const WIN32_FIND_DATAA& entry : found)
    if ((entry.dwFileAttributes & ~kListedAttributes) == 0) InquireAppletFile(folder, entry.cFileName);
  ListView1.SetSmallImages(ImageList2.get());
}

void TControlPanelPage::AddRow(const std::string& fileName, const AppletRecord& record, const std::string& name,
                               HICON icon) {
  Records.push_back(record);
  FileNames.push_back(fileName);
  // A row's picture sits at the row's own index: an applet without one gets the system's.
  if (ImageList2.AddIcon(icon ? icon : LoadIcon(nullptr, IDI_APPLICATION)) < 0)
    ImageList2.AddIcon(LoadIcon(nullptr, IDI_APPLICATION));
  const int row = ListView1.AddItem(kRowIndent + name, static_cast<int>(Records.size()) - 1);
  ListView1.SetItemChecked(row, false);
}

void TControlPanelPage::InquireAppletFile(const std::string& folder, const std::string& fileName) {
  const std::string path = folder + "\\" + fileName;
  LibraryHandle library(LoadLibraryA(path.c_str()));
  if (!library) return;
  const auto applet = reinterpret_cast<APPLET_PROC>(GetProcAddress(library.get(), kEntryPointName));
  if (!applet) return;
  if (applet(nullptr, CPL_INIT, 0, 0) == 0) return;
  const LONG count = std::min(applet(nullptr, CPL_GETCOUNT, 0, 0), kMaxAppletsPerFile);
  for (LONG i = 0; i < count; ++i) {
    AppletRecord record{};
    applet(nullptr, CPL_NEWINQUIRE, i, reinterpret_cast<LPARAM>(&record));
    std::string name;
    IconHandle fileIcon;
    HICON icon = nullptr;
    if (record.dwSize == kAppletRecordSize) {
      name = NarrowName(record.szName);
      icon = record.hIcon;  // the applet's own; copied into the list before the file is freed
    } else if (record.dwSize == kAnsiAppletRecordSize) {
      NEWCPLINFOA ansi{};
      std::memcpy(&ansi, &record, sizeof ansi);
      name = AnsiName(ansi.szName);
      fileIcon.reset(FirstFileIcon(path));
      icon = fileIcon.get();
    } else {
      record = AppletRecord{};
      CPLINFO info{};
      applet(nullptr, CPL_INQUIRE, i, reinterpret_cast<LPARAM>(&info));
      char* text = reinterpret_cast<char*>(record.szName);
      LoadStringA(library.get(), static_cast<UINT>(info.idName), text, kNameChars);
      name = AnsiName(text);
      fileIcon.reset(FirstFileIcon(path));
      icon = fileIcon.get();
    }
    AddRow(fileName, record, name, icon);
  }
  applet(nullptr, CPL_EXIT, 0, 0);
}

void TControlPanelPage::MarkSavedApplets() {
  const int rows = ListView1.Count();
  for (int r = 0; r < rows; ++r) ListView1.SetItemChecked(r, false);
  const ProfileFile file(SettingsFile());
  const int32_t count = file.ReadInteger(kControlPanelSection, kAppletCountKey, 0);
  for (const int32_t n : file.NumberedKeys(kControlPanelSection, "", kAppletFileKey, 0, count - 1)) {
    const std::string name = file.ReadString(kControlPanelSection, std::to_string(n) + kAppletFileKey, "");
    if (name.empty()) continue;
    const int32_t page = file.ReadInteger(kControlPanelSection, std::to_string(n) + kAppletPageKey, 0);
    for (int r = 0; r < rows; ++r) {
      if (FileNames[r] != name) continue;
      if (page >= 0 && page < rows - r) ListView1.SetItemChecked(r + page, true);
      break;
    }
  }
}

// A file's second applet follows its first.
int TControlPanelPage::PageOf(int row) const { return row > 0 && FileNames[row - 1] == FileNames[row] ? 1 : 0; }

void TControlPanelPage::ListView1DblClick() {
  const int s = ListView1.SelectedIndex();
  if (s < 0 || s >= static_cast<int>(FileNames.size())) return;
  const std::string command = ControlCommandLine(FileNames[s], PageOf(s) ? kSecondAppletSuffix : "");
  CurrentEffects().WinExec(command.c_str(), SW_SHOWNORMAL);
}

void TControlPanelPage::ApplyOk() const {
  const ProfileFile file(SettingsFile());
  const int rows = std::min({ListView1.Count(), static_cast<int>(FileNames.size()), kMaxRows});
  int32_t k = 0;
  for (int r = 0; r < rows; ++r) {
    if (!ListView1.ItemChecked(r)) continue;
    const std::string n = std::to_string(k);
    file.WriteString(kControlPanelSection, n + kAppletFileKey, FileNames[r]);
    file.WriteBool(kControlPanelSection, n + kAppletRIconKey, !Records[r].hIcon || Records[r].lData == kRIconData);
    file.WriteInteger(kControlPanelSection, n + kAppletPageKey, PageOf(r));
    ++k;
  }
  file.WriteInteger(kControlPanelSection, kAppletCountKey, k);
}

}  // namespace corvel
