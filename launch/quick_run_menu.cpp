#include "launch/quick_run_menu.h"

namespace corvel {

// The list is kept with its page of the options dialog; until that page exists it stays empty.
void QuickRunList::LoadQuickRunList() { Entries.clear(); }

void QuickRunList::ResetQuickRunMenu(PopupMenu& menu) {
  menu.Clear();
  PopupMenu::Item header;
  header.caption = kQuickRunHeader;
  menu.Append(header);
  PopupMenu::Item separator;
  separator.separator = true;
  menu.Append(separator);
}

void QuickRunList::FillQuickRunMenu(PopupMenu& menu) {
  for (size_t i = 0; i < Entries.size(); ++i) {
    PopupMenu::Item item;
    item.caption = Entries[i].name;
    item.image = Entries[i].icon;
    menu.Append(item);
  }
}

}  // namespace corvel
