// The Quick Run list and its menu.
#pragma once
#include <string>
#include <vector>
#include "platform/image_list.h"
#include "platform/popup_menu.h"

namespace corvel {

struct QuickRunEntry {
  std::string name;
  std::string path;
  int icon = -1;
};

class QuickRunList {
 public:
  std::vector<QuickRunEntry> Entries;

  // Replaces the list by the entries saved in "Corvl.ini".
  void LoadQuickRunList();
  // Empties the menu and adds the header and the separator.
  void ResetQuickRunMenu(PopupMenu& menu);
  // Appends one item per entry.
  void FillQuickRunMenu(PopupMenu& menu);
};

constexpr const char kQuickRunHeader[] = "< Quick Run >";

}  // namespace corvel
