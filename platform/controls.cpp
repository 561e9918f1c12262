#include "platform/controls.h"
#include <algorithm>
#include <cstdlib>

namespace corvel {

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr const char kPanelClass[] = "CorvelPanel";

HINSTANCE Instance() { return GetModuleHandleA(nullptr); }

// Read in the wide form and converted here: Wine's conversion of a long item's text for the
// common controls' list boxes writes past its own buffer.
std::string ListText(HWND hwnd, UINT lenMsg, UINT textMsg, int index) {
  const LRESULT len = SendMessageW(hwnd, lenMsg, static_cast<WPARAM>(index), 0);
  if (len <= 0) return {};
  std::wstring wide(static_cast<size_t>(len) + 1, L'\0');
  const LRESULT got = SendMessageW(hwnd, textMsg, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&wide[0]));
  if (got <= 0) return {};
  const int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(got), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(n > 0 ? n : 0), '\0');
  if (n > 0) WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(got), &text[0], n, nullptr, nullptr);
  return text;
}

}  // namespace

void EnsureCommonControls() noexcept {
  static const bool done = [] {
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_STANDARD_CLASSES | ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS |
                                             ICC_TAB_CLASSES | ICC_BAR_CLASSES};
    return InitCommonControlsEx(&icc) != FALSE;
  }();
  (void)done;
}

FontHandle CreatePointFont(const char* face, int points, bool bold) noexcept {
  LOGFONTA lf{};
  lf.lfHeight = -MulDiv(points, static_cast<int>(ScreenDpi()), 72);
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = DEFAULT_CHARSET;
  lstrcpynA(lf.lfFaceName, face, LF_FACESIZE);
  return FontHandle(CreateFontIndirectA(&lf));
}

FontHandle CreateBoldCopy(HFONT font, int points) noexcept {
  LOGFONTA lf{};
  if (!font || GetObjectA(font, sizeof lf, &lf) == 0) return CreatePointFont("MS Sans Serif", points, true);
  lf.lfHeight = -MulDiv(points, static_cast<int>(ScreenDpi()), 72);
  lf.lfWidth = 0;
  lf.lfWeight = FW_BOLD;
  return FontHandle(CreateFontIndirectA(&lf));
}

std::string WindowText(HWND hwnd) {
  if (!hwnd) return {};
  const int len = GetWindowTextLengthA(hwnd);
  if (len <= 0) return {};
  std::string text(static_cast<size_t>(len) + 1, '\0');
  const int got = GetWindowTextA(hwnd, &text[0], len + 1);
  text.resize(got > 0 ? static_cast<size_t>(got) : 0);
  return text;
}

// ---- Control

Control::~Control() { Destroy(); }

void Control::Destroy() noexcept {
  // A child goes with its parent: only a window that is still ours is destroyed here.
  if (hwnd_ && IsWindow(hwnd_) && GetParent(hwnd_) == parent_) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
}

bool Control::CreateChild(HWND parent, int id, const char* className, const std::string& text, DWORD style,
                          DWORD exStyle, int x, int y, int w, int h) {
  Destroy();
  parent_ = parent;
  const UINT dpi = WindowDpi(parent);
  hwnd_ = CreateWindowExA(exStyle, className, text.c_str(), style, Scaled(x, dpi), Scaled(y, dpi), Scaled(w, dpi),
                          Scaled(h, dpi), parent,
                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), Instance(), nullptr);
  if (hwnd_) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(parent, WM_GETFONT, 0, 0));
    if (font) SetFont(font);
  }
  return hwnd_ != nullptr;
}

LRESULT Control::Send(UINT msg, WPARAM wp, LPARAM lp) const { return hwnd_ ? SendMessageA(hwnd_, msg, wp, lp) : 0; }

int Control::Id() const noexcept { return hwnd_ ? GetDlgCtrlID(hwnd_) : 0; }
void Control::SetText(const std::string& text) {
  if (hwnd_) SetWindowTextA(hwnd_, text.c_str());
}
bool Control::Enabled() const { return hwnd_ && IsWindowEnabled(hwnd_); }
void Control::SetEnabled(bool enabled) {
  if (hwnd_) EnableWindow(hwnd_, enabled);
}
bool Control::Visible() const { return hwnd_ && (GetWindowLongPtrA(hwnd_, GWL_STYLE) & WS_VISIBLE) != 0; }
void Control::SetVisible(bool visible) {
  if (hwnd_) ShowWindow(hwnd_, visible ? SW_SHOWNA : SW_HIDE);
}
void Control::SetFont(HFONT font) { Send(WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE); }

RECT Control::Bounds() const {
  RECT r{};
  if (!hwnd_) return r;
  GetWindowRect(hwnd_, &r);
  MapWindowPoints(nullptr, GetParent(hwnd_), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

void Control::Invalidate() {
  if (hwnd_) InvalidateRect(hwnd_, nullptr, TRUE);
}

// ---- Buttons

bool Button::Create(HWND parent, int id, const std::string& text, int x, int y, int w, int h, DWORD style) {
  const DWORD kind = (style & BS_TYPEMASK) ? 0 : BS_PUSHBUTTON;
  return CreateChild(parent, id, "BUTTON", text, kChild | WS_TABSTOP | kind | style, 0, x, y, w, h);
}

bool CheckBox::Create(HWND parent, int id, const std::string& text, int x, int y, int w, int h, DWORD style) {
  return CreateChild(parent, id, "BUTTON", text, kChild | WS_TABSTOP | BS_AUTOCHECKBOX | style, 0, x, y, w, h);
}
bool CheckBox::Checked() const { return Send(BM_GETCHECK) == BST_CHECKED; }
void CheckBox::SetChecked(bool checked) { Send(BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED); }

bool RadioButton::Create(HWND parent, int id, const std::string& text, int x, int y, int w, int h,
                         bool firstOfGroup) {
  return CreateChild(parent, id, "BUTTON", text,
                     kChild | BS_AUTORADIOBUTTON | (firstOfGroup ? WS_GROUP | WS_TABSTOP : 0), 0, x, y, w, h);
}
bool RadioButton::Checked() const { return Send(BM_GETCHECK) == BST_CHECKED; }

void RadioButton::SetChecked(bool checked) {
  Send(BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED);
  if (!checked || !hwnd()) return;
  HWND parent = GetParent(hwnd());
  for (HWND other = GetNextDlgGroupItem(parent, hwnd(), FALSE); other && other != hwnd();
       other = GetNextDlgGroupItem(parent, other, FALSE)) {
    if ((GetWindowLongPtrA(other, GWL_STYLE) & BS_TYPEMASK) == BS_AUTORADIOBUTTON)
      SendMessageA(other, BM_SETCHECK, BST_UNCHECKED, 0);
  }
}

bool GroupBox::Create(HWND parent, int id, const std::string& text, int x, int y, int w, int h) {
  return CreateChild(parent, id, "BUTTON", text, kChild | BS_GROUPBOX, 0, x, y, w, h);
}

// ---- Static and edit

bool Label::Create(HWND parent, int id, const std::string& text, int x, int y, int w, int h, DWORD style) {
  return CreateChild(parent, id, "STATIC", text, kChild | style, 0, x, y, w, h);
}

void Label::AutoSize() {
  if (!hwnd()) return;
  const std::string text = Text();
  RECT r{0, 0, 0, 0};
  WindowDc dc(hwnd(), WindowDc::Client);
  HFONT font = reinterpret_cast<HFONT>(Send(WM_GETFONT));
  SelectGuard select(dc.get(), font);
  DrawTextA(dc.get(), text.empty() ? " " : text.c_str(), -1, &r, DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
  // The control draws its text a few pixels wider than it measures (seen under Wine): room for that.
  TEXTMETRICA metrics{};
  GetTextMetricsA(dc.get(), &metrics);
  SetWindowPos(hwnd(), nullptr, 0, 0, r.right - r.left + metrics.tmAveCharWidth, r.bottom - r.top,
               SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool Edit::Create(HWND parent, int id, const std::string& text, int x, int y, int w, int h, DWORD style) {
  return CreateChild(parent, id, "EDIT", text, kChild | WS_TABSTOP | ES_AUTOHSCROLL | style, WS_EX_CLIENTEDGE, x,
                     y, w, h);
}
void Edit::SetReadOnly(bool readOnly) { Send(EM_SETREADONLY, readOnly ? TRUE : FALSE); }
void Edit::SetLimit(int chars) { Send(EM_LIMITTEXT, static_cast<WPARAM>(std::max(chars, 0))); }

SpinEdit::~SpinEdit() {
  if (upDown_ && IsWindow(upDown_)) DestroyWindow(upDown_);
}

bool SpinEdit::Create(HWND parent, int id, int x, int y, int w, int h, int minValue, int maxValue, int value) {
  EnsureCommonControls();
  if (!CreateChild(parent, id, "EDIT", "", kChild | WS_TABSTOP | ES_AUTOHSCROLL | ES_NUMBER, WS_EX_CLIENTEDGE, x, y,
                   w, h))
    return false;
  upDown_ = CreateWindowExA(0, UPDOWN_CLASSA, "",
                            kChild | UDS_ALIGNRIGHT | UDS_SETBUDDYINT | UDS_ARROWKEYS | UDS_NOTHOUSANDS, 0, 0, 0, 0,
                            parent, nullptr, Instance(), nullptr);
  if (upDown_) SendMessageA(upDown_, UDM_SETBUDDY, reinterpret_cast<WPARAM>(hwnd()), 0);
  SetRange(minValue, maxValue);
  SetValue(value);
  return true;
}

void SpinEdit::SetRange(int minValue, int maxValue) {
  min_ = std::min(minValue, maxValue);
  max_ = std::max(minValue, maxValue);
  if (upDown_) SendMessageA(upDown_, UDM_SETRANGE32, static_cast<WPARAM>(min_), static_cast<LPARAM>(max_));
}

int SpinEdit::Value() const {
  const std::string text = Text();
  char* end = nullptr;
  const long v = std::strtol(text.c_str(), &end, 10);
  if (text.empty() || end == text.c_str()) return min_;
  return static_cast<int>(std::clamp<long>(v, min_, max_));
}

void SpinEdit::SetValue(int value) {
  value = std::clamp(value, min_, max_);
  if (upDown_) SendMessageA(upDown_, UDM_SETPOS32, 0, value);
  SetText(std::to_string(value));
}

// ---- Combo box

bool ComboBox::Create(HWND parent, int id, int x, int y, int w, int dropHeight, bool ownerDrawn, int itemHeight) {
  const DWORD style = CBS_DROPDOWNLIST | WS_VSCROLL | (ownerDrawn ? CBS_OWNERDRAWFIXED | CBS_HASSTRINGS : 0);
  if (!CreateChild(parent, id, "COMBOBOX", "", kChild | WS_TABSTOP | style, 0, x, y, w, dropHeight)) return false;
  if (ownerDrawn && itemHeight > 0) {
    const int height = Scaled(itemHeight, WindowDpi(parent));
    Send(CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), height);
    Send(CB_SETITEMHEIGHT, 0, height);
  }
  return true;
}

int ComboBox::Add(const std::string& text, LONG_PTR data) {
  const int index = static_cast<int>(Send(CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
  if (index >= 0) Send(CB_SETITEMDATA, static_cast<WPARAM>(index), data);
  return index;
}
void ComboBox::Clear() { Send(CB_RESETCONTENT); }
int ComboBox::Count() const { return static_cast<int>(Send(CB_GETCOUNT)); }
int ComboBox::ItemIndex() const { return static_cast<int>(Send(CB_GETCURSEL)); }
void ComboBox::SetItemIndex(int index) {
  Send(CB_SETCURSEL, index >= 0 && index < Count() ? static_cast<WPARAM>(index) : static_cast<WPARAM>(-1));
}
std::string ComboBox::ItemText(int index) const { return ListText(hwnd(), CB_GETLBTEXTLEN, CB_GETLBTEXT, index); }
LONG_PTR ComboBox::ItemData(int index) const { return Send(CB_GETITEMDATA, static_cast<WPARAM>(index)); }

// ---- List box

bool ListBox::Create(HWND parent, int id, int x, int y, int w, int h, DWORD style) {
  return CreateChild(parent, id, "LISTBOX", "",
                     kChild | WS_TABSTOP | WS_VSCROLL | WS_HSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT | style,
                     WS_EX_CLIENTEDGE, x, y, w, h);
}

int ListBox::Add(const std::string& text) {
  const int index = static_cast<int>(Send(LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str())));
  // Long paths scroll sideways.
  if (HDC dc = GetDC(hwnd())) {
    HFONT font = reinterpret_cast<HFONT>(Send(WM_GETFONT));
    HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
    SIZE size{};
    GetTextExtentPoint32A(dc, text.c_str(), static_cast<int>(text.size()), &size);
    if (old) SelectObject(dc, old);
    ReleaseDC(hwnd(), dc);
    if (size.cx + 8 > Send(LB_GETHORIZONTALEXTENT)) Send(LB_SETHORIZONTALEXTENT, static_cast<WPARAM>(size.cx + 8));
  }
  return index;
}
void ListBox::Delete(int index) { Send(LB_DELETESTRING, static_cast<WPARAM>(index)); }
void ListBox::Clear() { Send(LB_RESETCONTENT); }
int ListBox::Count() const { return static_cast<int>(Send(LB_GETCOUNT)); }
std::string ListBox::ItemText(int index) const { return ListText(hwnd(), LB_GETTEXTLEN, LB_GETTEXT, index); }

std::vector<std::string> ListBox::Items() const {
  std::vector<std::string> items;
  const int n = Count();
  for (int i = 0; i < n; ++i) items.push_back(ItemText(i));
  return items;
}

void ListBox::SetItems(const std::vector<std::string>& items) {
  Clear();
  for (const std::string& item : items) Add(item);
}

int ListBox::ItemIndex() const { return static_cast<int>(Send(LB_GETCURSEL)); }
void ListBox::SetItemIndex(int index) { Send(LB_SETCURSEL, static_cast<WPARAM>(index)); }
bool ListBox::Selected(int index) const { return Send(LB_GETSEL, static_cast<WPARAM>(index)) > 0; }

// ---- List view

bool ListView::Create(HWND parent, int id, int x, int y, int w, int h, DWORD style, DWORD exStyle) {
  EnsureCommonControls();
  if (!CreateChild(parent, id, WC_LISTVIEWA, "",
                   kChild | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | style, WS_EX_CLIENTEDGE, x,
                   y, w, h))
    return false;
  if (exStyle) Send(LVM_SETEXTENDEDLISTVIEWSTYLE, exStyle, static_cast<LPARAM>(exStyle));
  return true;
}

int ListView::AddColumn(const std::string& text, int width) {
  LVCOLUMNA col{};
  col.mask = LVCF_TEXT | LVCF_WIDTH;
  col.cx = Scaled(width, WindowDpi(hwnd()));
  col.pszText = const_cast<char*>(text.c_str());
  const int count = Header_GetItemCount(reinterpret_cast<HWND>(Send(LVM_GETHEADER)));
  return static_cast<int>(Send(LVM_INSERTCOLUMNA, static_cast<WPARAM>(std::max(count, 0)), reinterpret_cast<LPARAM>(&col)));
}

void ListView::SetColumnText(int column, const std::string& text) {
  LVCOLUMNA col{};
  col.mask = LVCF_TEXT;
  col.pszText = const_cast<char*>(text.c_str());
  Send(LVM_SETCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&col));
}

std::string ListView::ColumnText(int column) const {
  char buffer[260] = {};
  LVCOLUMNA col{};
  col.mask = LVCF_TEXT;
  col.pszText = buffer;
  col.cchTextMax = sizeof buffer;
  if (!Send(LVM_GETCOLUMNA, static_cast<WPARAM>(column), reinterpret_cast<LPARAM>(&col))) return {};
  return buffer;
}

void ListView::SetSmallImages(HIMAGELIST images) {
  Send(LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
}

int ListView::AddItem(const std::string& text, int image, LPARAM data) {
  LVITEMA item{};
  item.mask = LVIF_TEXT | LVIF_PARAM | (image >= 0 ? LVIF_IMAGE : 0);
  item.iItem = Count();
  item.pszText = const_cast<char*>(text.c_str());
  item.iImage = image;
  item.lParam = data;
  return static_cast<int>(Send(LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
}

void ListView::SetItemText(int index, int column, const std::string& text) {
  LVITEMA item{};
  item.iSubItem = column;
  item.pszText = const_cast<char*>(text.c_str());
  Send(LVM_SETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

std::string ListView::ItemText(int index, int column) const {
  // The list view cuts the text to the buffer: grow it until it fits.
  for (size_t size = 256; size <= 65536; size *= 4) {
    std::string text(size, '\0');
    LVITEMA item{};
    item.iSubItem = column;
    item.pszText = &text[0];
    item.cchTextMax = static_cast<int>(size);
    const LRESULT got = Send(LVM_GETITEMTEXTA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    if (got < 0) return {};
    if (static_cast<size_t>(got) + 1 < size) {
      text.resize(static_cast<size_t>(got));
      return text;
    }
  }
  return {};
}

LPARAM ListView::ItemData(int index) const {
  LVITEMA item{};
  item.mask = LVIF_PARAM;
  item.iItem = index;
  return Send(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) ? item.lParam : 0;
}

void ListView::DeleteItem(int index) { Send(LVM_DELETEITEM, static_cast<WPARAM>(index)); }
void ListView::Clear() { Send(LVM_DELETEALLITEMS); }
int ListView::Count() const { return static_cast<int>(Send(LVM_GETITEMCOUNT)); }

int ListView::SelectedIndex() const {
  return static_cast<int>(Send(LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void ListView::SetSelectedIndex(int index) {
  LVITEMA item{};
  item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
  item.state = 0;
  Send(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
  if (index < 0 || index >= Count()) return;
  item.state = LVIS_SELECTED | LVIS_FOCUSED;
  Send(LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
  Send(LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE);
}

bool ListView::ItemChecked(int index) const {
  const LRESULT state = Send(LVM_GETITEMSTATE, static_cast<WPARAM>(index), LVIS_STATEIMAGEMASK);
  return ((state & LVIS_STATEIMAGEMASK) >> 12) == 2;
}

void ListView::SetItemChecked(int index, bool checked) {
  LVITEMA item{};
  item.stateMask = LVIS_STATEIMAGEMASK;
  item.state = INDEXTOSTATEIMAGEMASK(checked ? 2 : 1);
  Send(LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
}

int ListView::ItemImage(int index) const {
  LVITEMA item{};
  item.mask = LVIF_IMAGE;
  item.iItem = index;
  return Send(LVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&item)) ? item.iImage : -1;
}

void ListView::SetItemImage(int index, int image) {
  LVITEMA item{};
  item.mask = LVIF_IMAGE;
  item.iItem = index;
  item.iImage = image;
  Send(LVM_SETITEMA, 0, reinterpret_cast<LPARAM>(&item));
}

// ---- Picture box

bool PictureBox::Create(HWND parent, int id, ControlEvents& events, int x, int y, int w, int h) {
  events.OnDrawItem(id, [this](const DRAWITEMSTRUCT& item) {
    FillRect(item.hDC, &item.rcItem, GetSysColorBrush(COLOR_BTNFACE));
    picture.StretchDraw(item.hDC, item.rcItem);
  });
  return CreateChild(parent, id, "STATIC", "", kChild | SS_OWNERDRAW, 0, x, y, w, h);
}

// ---- Panel

bool Panel::Create(HWND parent, int x, int y, int w, int h, DWORD style) {
  const UINT dpi = WindowDpi(parent);
  return Window::Create(kPanelClass, "", WS_CHILD | WS_CLIPSIBLINGS | style, WS_EX_CONTROLPARENT, Scaled(x, dpi),
                        Scaled(y, dpi), Scaled(w, dpi), Scaled(h, dpi), parent);
}

void Panel::SetVisible(bool visible) {
  if (hwnd()) ShowWindow(hwnd(), visible ? SW_SHOWNA : SW_HIDE);
}

LRESULT Panel::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) noexcept {
  switch (msg) {
    case WM_COMMAND:
    case WM_NOTIFY:
    case WM_DRAWITEM:
    case WM_MEASUREITEM:
    case WM_CTLCOLORSTATIC:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
      if (HWND parent = GetParent(hwnd())) return SendMessageA(parent, msg, wp, lp);
      break;
    case WM_GETFONT:
      if (HWND parent = GetParent(hwnd())) return SendMessageA(parent, msg, wp, lp);
      break;
    case WM_PAINT:
      if (onPaint) {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd(), &ps);
        RECT client;
        GetClientRect(hwnd(), &client);
        try {
          onPaint(dc, client);
        } catch (...) {
        }
        EndPaint(hwnd(), &ps);
        return 0;
      }
      break;
    default:
      break;
  }
  return Default(msg, wp, lp);
}

// ---- Routing

void ControlEvents::OnCommand(int id, CommandHandler handler) { commands_[id] = std::move(handler); }

void ControlEvents::OnClick(int id, std::function<void()> handler) {
  commands_[id] = [h = std::move(handler)](WORD code) {
    if (code == BN_CLICKED && h) h();
  };
}

void ControlEvents::OnNotify(int id, NotifyHandler handler) { notifies_[id] = std::move(handler); }
void ControlEvents::OnDrawItem(int id, DrawItemHandler handler) { drawItems_[id] = std::move(handler); }
void ControlEvents::OnMeasureItem(int id, MeasureItemHandler handler) { measureItems_[id] = std::move(handler); }

bool ControlEvents::Click(int id) noexcept {
  const auto it = commands_.find(id);
  if (it == commands_.end() || !it->second) return false;
  try {
    it->second(BN_CLICKED);
  } catch (...) {
    return true;
  }
  return true;
}

bool ControlEvents::Dispatch(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) noexcept {
  try {
    switch (msg) {
      case WM_COMMAND: {
        // Menus and accelerators send no control handle.
        if (lp == 0) return false;
        auto it = commands_.find(LOWORD(wp));
        if (it == commands_.end() || !it->second) return false;
        it->second(HIWORD(wp));
        result = 0;
        return true;
      }
      case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lp);
        if (!header) return false;
        auto it = notifies_.find(static_cast<int>(header->idFrom));
        if (it == notifies_.end() || !it->second) return false;
        result = it->second(*header);
        return true;
      }
      case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lp);
        if (!item) return false;
        auto it = drawItems_.find(static_cast<int>(item->CtlID));
        if (it == drawItems_.end() || !it->second) return false;
        it->second(*item);
        result = TRUE;
        return true;
      }
      case WM_MEASUREITEM: {
        auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
        if (!item) return false;
        auto it = measureItems_.find(static_cast<int>(item->CtlID));
        if (it == measureItems_.end() || !it->second) return false;
        it->second(*item);
        result = TRUE;
        return true;
      }
      default:
        return false;
    }
  } catch (...) {
    result = 0;
    return true;
  }
}

}  // namespace corvel
