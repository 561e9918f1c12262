// Owner-drawn popup menus with a painted strip at their left, item images from an image list,
// the selected item drawn as a raised button and no check marks.
#pragma once
#include <functional>
#include <string>
#include <vector>
#include "platform/handles.h"
#include "platform/image_list.h"
#include "platform/rotated_font.h"

namespace corvel {

class PopupMenu {
 public:
  struct Item {
    std::wstring caption;
    int image = -1;
    bool separator = false;
    std::function<void()> onClick;
    UINT command = 0;  // given by the menu
  };
  // An item that runs `onClick`, and a separator.
  static Item Command(std::wstring caption, int image, std::function<void()> onClick);
  static Item Separator();

  explicit PopupMenu(const ImageList* images);
  PopupMenu(const PopupMenu&) = delete;
  PopupMenu& operator=(const PopupMenu&) = delete;

  HMENU Handle() const { return menu_.get(); }
  size_t Count() const { return items_.size(); }
  const Item& At(size_t index) const { return items_[index]; }
  // Index of the item with `command`, or -1.
  int IndexOf(UINT command) const;

  // Inserts at `index` (at most Count()); returns the item's command identifier.
  UINT Insert(size_t index, Item item);
  UINT Append(Item item) { return Insert(items_.size(), std::move(item)); }
  void Remove(UINT command);
  void Clear();
  void SetCaption(UINT command, const std::wstring& caption);
  void SetImage(UINT command, int image);
  void SetOnClick(UINT command, std::function<void()> onClick);
  void SetImages(const ImageList* images) { images_ = images; }

  // Width of the painted strip, and what paints it: (dc, strip rectangle).
  int LeftMargin = 0;
  std::function<void(HDC, const RECT&)> OnDrawMargin;
  // Runs before the menu shows.
  std::function<void()> OnPopup;

  // Shows the menu at a screen point for `owner`, which passes its owner-draw messages to
  // HandleOwnerMessage; runs the chosen item's handler after the menu has closed. The owner is
  // made the foreground window first and sent WM_NULL after, as menus from the tray need.
  void Popup(HWND owner, int x, int y);
  // Runs the handler of the item with `command`, as a click on it.
  bool Click(UINT command);
  // WM_MEASUREITEM and WM_DRAWITEM for this menu's items; false for any other message.
  bool HandleOwnerMessage(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) noexcept;

  // Heights of a separator, and of an item with text and an image of these heights.
  static constexpr int kSeparatorHeight = 8;
  static int ItemHeight(int textHeight, int imageHeight);
  // The menu font of the system.
  static FontSpec MenuFont();
  // Height of the text "1" in the menu font.
  static int MenuTextHeight();

 private:
  void MeasureItem(MEASUREITEMSTRUCT& mis) const;
  void DrawItem(const DRAWITEMSTRUCT& dis) const;
  const Item* Find(UINT command) const;

  MenuHandle menu_;
  const ImageList* images_;
  std::vector<Item> items_;
  UINT nextCommand_;
};

}  // namespace corvel
