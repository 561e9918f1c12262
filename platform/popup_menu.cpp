#include "platform/popup_menu.h"
#include <cstring>
#include "platform/text.h"

namespace corvel {

namespace {

constexpr UINT kFirstCommand = 100;
constexpr UINT kLastCommand = 0xFFFF;
constexpr int kItemPadding = 3;
constexpr int kTextGap = 6;

UINT g_commandBase = kFirstCommand;  // commands stay unique across menus

FontHandle CreateMenuFont() {
  NONCLIENTMETRICSA ncm{};
  ncm.cbSize = sizeof ncm;
  if (!SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0)) return FontHandle(nullptr);
  return FontHandle(CreateFontIndirectA(&ncm.lfMenuFont));
}

}  // namespace

PopupMenu::PopupMenu(const ImageList* images) : menu_(CreatePopupMenu()), images_(images) {
  nextCommand_ = g_commandBase;
  g_commandBase += 0x1000;
  if (g_commandBase > kLastCommand - 0x1000) g_commandBase = kFirstCommand;
}

FontSpec PopupMenu::MenuFont() {
  FontSpec font;
  NONCLIENTMETRICSA ncm{};
  ncm.cbSize = sizeof ncm;
  if (SystemParametersInfoA(SPI_GETNONCLIENTMETRICS, sizeof ncm, &ncm, 0)) {
    font.name = ncm.lfMenuFont.lfFaceName;
    font.height = ncm.lfMenuFont.lfHeight;
    font.bold = ncm.lfMenuFont.lfWeight >= FW_BOLD;
  }
  return font;
}

int PopupMenu::ItemHeight(int textHeight, int imageHeight) {
  return (textHeight > imageHeight ? textHeight : imageHeight) + 2 * kItemPadding;
}

int PopupMenu::MenuTextHeight() {
  MemoryDc dc = CreateScreenCompatibleDc();
  FontHandle font = CreateMenuFont();
  SelectGuard sel(dc.get(), font.get());
  SIZE size{};
  GetTextExtentPoint32A(dc.get(), "1", 1, &size);
  return size.cy;
}

PopupMenu::Item PopupMenu::Command(std::wstring caption, int image, std::function<void()> onClick) {
  Item i;
  i.caption = std::move(caption);
  i.image = image;
  i.onClick = std::move(onClick);
  return i;
}

PopupMenu::Item PopupMenu::Separator() {
  Item i;
  i.separator = true;
  return i;
}

int PopupMenu::IndexOf(UINT command) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].command == command) return static_cast<int>(i);
  return -1;
}

const PopupMenu::Item* PopupMenu::Find(UINT command) const {
  const int i = IndexOf(command);
  return i < 0 ? nullptr : &items_[i];
}

UINT PopupMenu::Insert(size_t index, Item item) {
  if (index > items_.size()) index = items_.size();
  // Skip identifiers still in use after a wrap of the 16-bit range.
  do {
    item.command = nextCommand_++;
    if (nextCommand_ > kLastCommand) nextCommand_ = kFirstCommand;
  } while (IndexOf(item.command) >= 0);
  MENUITEMINFOA mii{};
  mii.cbSize = sizeof mii;
  mii.fMask = MIIM_FTYPE | MIIM_ID | MIIM_DATA;
  mii.fType = MFT_OWNERDRAW | (item.separator ? MFT_SEPARATOR : 0);
  mii.wID = item.command;
  mii.dwItemData = reinterpret_cast<ULONG_PTR>(this);
  InsertMenuItemA(menu_.get(), static_cast<UINT>(index), TRUE, &mii);
  items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), std::move(item));
  return items_[index].command;
}

void PopupMenu::Remove(UINT command) {
  const int i = IndexOf(command);
  if (i < 0) return;
  RemoveMenu(menu_.get(), static_cast<UINT>(i), MF_BYPOSITION);
  items_.erase(items_.begin() + i);
}

void PopupMenu::Clear() {
  while (!items_.empty()) Remove(items_.back().command);
}

void PopupMenu::SetCaption(UINT command, const std::wstring& caption) {
  const int i = IndexOf(command);
  if (i >= 0) items_[i].caption = caption;
}

void PopupMenu::SetImage(UINT command, int image) {
  const int i = IndexOf(command);
  if (i >= 0) items_[i].image = image;
}

void PopupMenu::SetOnClick(UINT command, std::function<void()> onClick) {
  const int i = IndexOf(command);
  if (i >= 0) items_[i].onClick = std::move(onClick);
}

void PopupMenu::Popup(HWND owner, int x, int y) {
  // A menu whose owner is not the foreground window does not close when the user clicks
  // elsewhere (the tray, for one, never takes the focus).
  SetForegroundWindow(owner);
  if (OnPopup) OnPopup();
  const UINT chosen = TrackPopupMenu(menu_.get(), TPM_LEFTALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY, x,
                                     y, 0, owner, nullptr);
  // Lets the menu close properly when the owner is in the background.
  PostMessageA(owner, WM_NULL, 0, 0);
  if (chosen) Click(chosen);
}

bool PopupMenu::Click(UINT command) {
  const Item* item = Find(command);
  if (!item || item->separator) return false;
  // The handler may change the menu; run a copy.
  const std::function<void()> handler = item->onClick;
  if (handler) handler();
  return true;
}

bool PopupMenu::HandleOwnerMessage(UINT msg, WPARAM, LPARAM lp, LRESULT& result) noexcept {
  if (msg == WM_MEASUREITEM) {
    auto* mis = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
    if (mis->CtlType != ODT_MENU || mis->itemData != reinterpret_cast<ULONG_PTR>(this)) return false;
    MeasureItem(*mis);
    result = TRUE;
    return true;
  }
  if (msg == WM_DRAWITEM) {
    auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lp);
    if (dis->CtlType != ODT_MENU || dis->itemData != reinterpret_cast<ULONG_PTR>(this)) return false;
    DrawItem(*dis);
    result = TRUE;
    return true;
  }
  return false;
}

void PopupMenu::MeasureItem(MEASUREITEMSTRUCT& mis) const {
  const Item* item = Find(mis.itemID);
  if (!item) return;
  if (item->separator) {
    mis.itemWidth = LeftMargin;
    mis.itemHeight = kSeparatorHeight;
    return;
  }
  MemoryDc dc = CreateScreenCompatibleDc();
  FontHandle font = CreateMenuFont();
  SelectGuard sel(dc.get(), font.get());
  const SIZE text = TextExtentWide(dc.get(), item->caption);
  const int imageW = images_ ? images_->Width() : 0;
  const int imageH = images_ ? images_->Height() : 0;
  mis.itemWidth = LeftMargin + kItemPadding + imageW + kTextGap + text.cx + kTextGap;
  mis.itemHeight = ItemHeight(text.cy, imageH);
}

void PopupMenu::DrawItem(const DRAWITEMSTRUCT& dis) const {
  HDC dc = dis.hDC;
  if (dis.itemAction & ODA_DRAWENTIRE && OnDrawMargin && LeftMargin > 0) {
    RECT clip{};
    GetClipBox(dc, &clip);
    OnDrawMargin(dc, RECT{0, clip.top, LeftMargin, clip.bottom});
  }
  const Item* item = Find(dis.itemID);
  if (!item) return;
  RECT r = dis.rcItem;
  r.left += LeftMargin;
  FillRect(dc, &r, GetSysColorBrush(COLOR_MENU));
  if (item->separator) {
    RECT line{r.left + kItemPadding, (r.top + r.bottom) / 2 - 1, r.right - kItemPadding, (r.top + r.bottom) / 2 + 1};
    DrawEdge(dc, &line, EDGE_ETCHED, BF_TOP);
    return;
  }
  const bool selected = (dis.itemState & ODS_SELECTED) != 0;
  if (selected) {
    RECT edge = r;
    DrawEdge(dc, &edge, BDR_RAISEDINNER, BF_RECT);
  }
  const int imageW = images_ ? images_->Width() : 0;
  const int imageH = images_ ? images_->Height() : 0;
  if (images_ && item->image >= 0)
    images_->Draw(item->image, dc, r.left + kItemPadding, r.top + ((r.bottom - r.top) - imageH) / 2);
  FontHandle font = CreateMenuFont();
  SelectGuard sel(dc, font.get());
  const int oldMode = SetBkMode(dc, TRANSPARENT);
  const COLORREF oldColour =
      SetTextColor(dc, GetSysColor((dis.itemState & ODS_GRAYED) ? COLOR_GRAYTEXT : COLOR_MENUTEXT));
  RECT text = r;
  text.left += kItemPadding + imageW + kTextGap;
  DrawTextWide(dc, item->caption, &text, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
  SetTextColor(dc, oldColour);
  SetBkMode(dc, oldMode);
}

}  // namespace corvel
