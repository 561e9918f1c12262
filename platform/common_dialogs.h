// The system's file-open and colour dialogs.
#pragma once
#include <windows.h>
#include <commdlg.h>
#include <array>
#include <string>

namespace corvel {

// A file-open dialog that keeps its settings between showings.
struct OpenFileDialog {
  // Pairs of description and patterns separated by "|": "Language library|*.lng".
  std::string Filter;
  // The name the dialog's edit shows first: "*.lng".
  std::string FileName;
  // Empty: the system's choice.
  std::string InitialDir;
  // Shows the dialog; true with the chosen full path in FileName when the user confirms. The
  // program's current directory is left as it was.
  bool Execute(HWND owner);
};

// The colour dialog; it opens with the colour chosen in it last, not one given by the caller.
struct ColorDialog {
  COLORREF Color = RGB(0, 0, 0);
  std::array<COLORREF, 16> CustomColors{};
  bool Execute(HWND owner);
};

// GetOpenFileNameA, from comdlg32 loaded on first use; false also when it cannot be loaded.
bool OpenFileName(OPENFILENAMEA& ofn);

// "a|b|c" with each "|" made a NUL and the double NUL at the end the dialog needs.
std::string DialogFilter(const std::string& filter);

}  // namespace corvel
