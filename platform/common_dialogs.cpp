#include "platform/common_dialogs.h"
#include <algorithm>
#include <vector>
#include "platform/handles.h"

namespace corvel {

namespace {
constexpr size_t kPathChars = 32768;

// comdlg32 is loaded when a dialog first opens, not at start: it brings the print spooler and
// its libraries into the process, which a resident program has no use for until then.
HMODULE CommonDialogs() {
  static const LibraryHandle comdlg32(LoadLibraryA("comdlg32.dll"));
  return comdlg32.get();
}

template <class Fn>
Fn CommonDialogFunction(const char* name) {
  return ModuleFunction<Fn>(CommonDialogs(), name);
}
}  // namespace

bool OpenFileName(OPENFILENAMEA& ofn) {
  const auto open = CommonDialogFunction<decltype(&GetOpenFileNameA)>("GetOpenFileNameA");
  return open && open(&ofn);
}

std::string DialogFilter(const std::string& filter) {
  std::string out = filter;
  for (char& c : out)
    if (c == '|') c = '\0';
  out.push_back('\0');
  out.push_back('\0');
  return out;
}

bool OpenFileDialog::Execute(HWND owner) {
  const std::string filter = DialogFilter(Filter);
  std::vector<char> file(kPathChars, '\0');
  FileName.copy(file.data(), std::min(FileName.size(), kPathChars - 1));
  OPENFILENAMEA ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = owner;
  ofn.lpstrFilter = filter.c_str();
  ofn.nFilterIndex = 1;
  ofn.lpstrFile = file.data();
  ofn.nMaxFile = static_cast<DWORD>(file.size());
  ofn.lpstrInitialDir = InitialDir.empty() ? nullptr : InitialDir.c_str();
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR | OFN_EXPLORER;
  if (!OpenFileName(ofn)) return false;
  FileName = file.data();
  return true;
}

bool ColorDialog::Execute(HWND owner) {
  CHOOSECOLORA cc{};
  cc.lStructSize = sizeof cc;
  cc.hwndOwner = owner;
  cc.rgbResult = Color;
  cc.lpCustColors = CustomColors.data();
  cc.Flags = CC_RGBINIT | CC_ANYCOLOR;
  const auto choose = CommonDialogFunction<decltype(&ChooseColorA)>("ChooseColorA");
  if (!choose || !choose(&cc)) return false;
  Color = cc.rgbResult;
  return true;
}

}  // namespace corvel
