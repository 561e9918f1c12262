// The "Control Panel" page of the options dialog: the applets of the system's CPL files, one
// row with a check box each; the checked ones go on the tray after OK.
#pragma once
#include <windows.h>
#include <cpl.h>
#include <string>
#include <vector>
#include "platform/controls.h"
#include "platform/image_list.h"

namespace corvel {

class TForm2;

constexpr int kAppletListId = 3201;
// The record an applet is asked to fill, zeroed first; the size it writes tells which form it
// filled (468 and 244 bytes in a 32-bit build).
using AppletRecord = NEWCPLINFOW;
constexpr size_t kAppletRecordSize = sizeof(NEWCPLINFOW);
constexpr size_t kAnsiAppletRecordSize = sizeof(NEWCPLINFOA);
#ifndef _WIN64
static_assert(kAppletRecordSize == 468 && kAnsiAppletRecordSize == 244, "the published applet records");
#endif

class TControlPanelPage {
 public:
  TControlPanelPage();
  // Builds the controls on `page` (the dialog's TabSheet4), handlers into the dialog's `events`.
  bool Create(HWND page, ControlEvents& events);
  // Builds the page on the options dialog's TabSheet4 and gives the dialog its steps: rows made
  // at each showing and removed at closing, the ticks written on OK, the language texts.
  bool Attach(TForm2& form2);

  // The applet row table: rows of ListView1, and at the same index the CPL file's bare name,
  // the applet's record and its picture in ImageList2.
  std::vector<std::string> FileNames;
  std::vector<AppletRecord> Records;
  ImageList ImageList2;

  // Shown: the table rebuilt from the CPL files, then the saved rows checked.
  void EnumerateAppletFiles();
  // One row per applet of `fileName` in `folder`, at most two; the file is loaded by its full
  // path there, never by a bare name that the system would look for elsewhere first.
  void InquireAppletFile(const std::string& folder, const std::string& fileName);
  void MarkSavedApplets();
  void ListView1DblClick();
  // OK: the checked rows written to section "Control Panel" (the dialog then makes the tray
  // icons anew).
  void ApplyOk() const;
  // Closed: every row removed.
  void Clear();

  GroupBox GroupBox4;
  ListView ListView1;

 private:
  void AddRow(const std::string& fileName, const AppletRecord& record, const std::string& name, HICON icon);
  int PageOf(int row) const;
  FontHandle listFont_;
};

}  // namespace corvel
