// The Quick Run menu of the program's tray icon. Its list lives in the Quick run page's list
// view (ListView4: caption = name, second column = path, item image = icon in AppIcons); the
// main form's operations on it are in quick_run_menu.cpp.
#pragma once
#include <cstddef>

namespace corvel {

constexpr const char kQuickRunHeader[] = "< Quick Run >";
constexpr int kQuickRunMarginWidth = 23;
constexpr int kQuickRunPathColumn = 1;

// The margin's word for a menu of `items` items (the header and the separator included).
const char* QuickRunMarginText(size_t items);

}  // namespace corvel
