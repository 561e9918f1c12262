// Thin owners of Win32 child controls placed at positions laid out at 96 DPI (shown at the
// parent's DPI), and the routing of the notifications they send to their parent (WM_COMMAND,
// WM_NOTIFY, WM_DRAWITEM, WM_MEASUREITEM).
//
// A control is created as a child of a form or of a Panel (a plain container that passes its
// children's notifications on to its own parent), so one ControlEvents table in the form sees
// every control by its id. Fonts are not owned by controls: the form keeps them in FontHandles.
#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>
#include "platform/dpi.h"
#include "platform/handles.h"
#include "platform/picture.h"
#include "platform/window.h"

namespace corvel {

// Registers the common control classes this process uses (list view, up-down, ...); once.
void EnsureCommonControls() noexcept;

// A font of `face` at `points` points (for the screen's resolution), normal or bold.
FontHandle CreatePointFont(const char* face, int points, bool bold = false) noexcept;
// A copy of `font` made bold and `points` points high.
FontHandle CreateBoldCopy(HFONT font, int points) noexcept;

// The text of any window.
std::string WindowText(HWND hwnd);

class Control {
 public:
  Control() = default;
  ~Control();
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  HWND hwnd() const noexcept { return hwnd_; }
  explicit operator bool() const noexcept { return hwnd_ != nullptr; }
  int Id() const noexcept;

  std::string Text() const { return WindowText(hwnd_); }
  void SetText(const std::string& text);
  bool Enabled() const;
  void SetEnabled(bool enabled);
  bool Visible() const;
  void SetVisible(bool visible);
  void SetFont(HFONT font);
  // The position and size in the parent's client coordinates.
  RECT Bounds() const;
  void Invalidate();
  void Destroy() noexcept;

 protected:
  // Creates the child window; false when the system refused.
  bool CreateChild(HWND parent, int id, const char* className, const std::string& text, DWORD style,
                   DWORD exStyle, int x, int y, int w, int h);
  LRESULT Send(UINT msg, WPARAM wp = 0, LPARAM lp = 0) const;

 private:
  HWND hwnd_ = nullptr;
  HWND parent_ = nullptr;
};

// A push button; `style` adds e.g. BS_OWNERDRAW or BS_MULTILINE.
class Button : public Control {
 public:
  bool Create(HWND parent, int id, const std::string& text, int x, int y, int w, int h, DWORD style = 0);
};

class CheckBox : public Control {
 public:
  bool Create(HWND parent, int id, const std::string& text, int x, int y, int w, int h, DWORD style = 0);
  bool Checked() const;
  // Does not send BN_CLICKED: a form that reacts to every change calls its handler itself.
  void SetChecked(bool checked);
};

// An automatic radio button. The first button of a group is created with `firstOfGroup`; the
// buttons of one group are created one after another with the same parent.
class RadioButton : public Control {
 public:
  bool Create(HWND parent, int id, const std::string& text, int x, int y, int w, int h,
              bool firstOfGroup = false);
  bool Checked() const;
  // Checking one button unchecks the others of its group, as a click does.
  void SetChecked(bool checked);
};

class GroupBox : public Control {
 public:
  bool Create(HWND parent, int id, const std::string& text, int x, int y, int w, int h);
};

// A static text; `style` adds e.g. SS_CENTER, SS_NOPREFIX or SS_OWNERDRAW (a paint box drawn
// through WM_DRAWITEM).
class Label : public Control {
 public:
  bool Create(HWND parent, int id, const std::string& text, int x, int y, int w, int h, DWORD style = 0);
  // Fits the label to its text in its font, on one line, keeping its place.
  void AutoSize();
};

class Edit : public Control {
 public:
  bool Create(HWND parent, int id, const std::string& text, int x, int y, int w, int h, DWORD style = 0);
  void SetReadOnly(bool readOnly);
  void SetLimit(int chars);
};

// An edit with an up-down control at its right; w is the width of both together.
class SpinEdit : public Control {
 public:
  ~SpinEdit();
  bool Create(HWND parent, int id, int x, int y, int w, int h, int minValue, int maxValue, int value);
  // The edit's number, clamped to the range; the minimum when the text is no number.
  int Value() const;
  void SetValue(int value);
  void SetRange(int minValue, int maxValue);
  HWND UpDown() const noexcept { return upDown_; }

 private:
  HWND upDown_ = nullptr;
  int min_ = 0;
  int max_ = 100;
};

// A combo box. A drop-down list by default; `ownerDrawn` makes it an owner-drawn fixed list
// whose items the parent draws through WM_DRAWITEM (the strings are kept for Text()).
class ComboBox : public Control {
 public:
  bool Create(HWND parent, int id, int x, int y, int w, int dropHeight, bool ownerDrawn = false,
              int itemHeight = 0);
  int Add(const std::string& text, LONG_PTR data = 0);
  void Clear();
  int Count() const;
  // -1 when nothing is selected. An index out of range selects nothing.
  int ItemIndex() const;
  void SetItemIndex(int index);
  std::string ItemText(int index) const;
  LONG_PTR ItemData(int index) const;
};

class ListBox : public Control {
 public:
  bool Create(HWND parent, int id, int x, int y, int w, int h, DWORD style = 0);
  int Add(const std::string& text);
  void Delete(int index);
  void Clear();
  int Count() const;
  std::string ItemText(int index) const;
  std::vector<std::string> Items() const;
  void SetItems(const std::vector<std::string>& items);
  int ItemIndex() const;
  void SetItemIndex(int index);
  bool Selected(int index) const;
};

// A list view in report mode, single selection. `exStyle` adds LVS_EX_* styles (check boxes,
// full-row select).
class ListView : public Control {
 public:
  bool Create(HWND parent, int id, int x, int y, int w, int h, DWORD style = 0, DWORD exStyle = 0);
  int AddColumn(const std::string& text, int width);
  void SetColumnText(int column, const std::string& text);
  std::string ColumnText(int column) const;
  void SetSmallImages(HIMAGELIST images);
  // Appends an item; returns its index or -1.
  int AddItem(const std::string& text, int image = -1, LPARAM data = 0);
  void SetItemText(int index, int column, const std::string& text);
  std::string ItemText(int index, int column = 0) const;
  LPARAM ItemData(int index) const;
  void DeleteItem(int index);
  void Clear();
  int Count() const;
  // The first selected item, or -1.
  int SelectedIndex() const;
  void SetSelectedIndex(int index);
  bool ItemChecked(int index) const;
  void SetItemChecked(int index, bool checked);
  // The item's index in the small images, or -1.
  int ItemImage(int index) const;
  void SetItemImage(int index, int image);
};

class ControlEvents;

// A picture shown stretched to the box's size (an image box); nothing but the background when
// the picture is empty.
class PictureBox : public Control {
 public:
  bool Create(HWND parent, int id, ControlEvents& events, int x, int y, int w, int h);
  Picture picture;
};

// A plain child window that holds controls (a page, a bar) and passes their notifications
// to its own parent, so that the form's ControlEvents sees them.
class Panel : public Window {
 public:
  bool Create(HWND parent, int x, int y, int w, int h, DWORD style = WS_VISIBLE);
  void SetVisible(bool visible);
  // Called for WM_PAINT when set; otherwise the background is all that is drawn.
  std::function<void(HDC, const RECT&)> onPaint;

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) noexcept override;
};

// Handlers of a form's controls by id. The form passes its messages to Dispatch first.
// Handlers may throw: Dispatch swallows what they throw, so nothing leaves the window procedure.
class ControlEvents {
 public:
  using CommandHandler = std::function<void(WORD code)>;
  using NotifyHandler = std::function<LRESULT(NMHDR& header)>;
  using DrawItemHandler = std::function<void(const DRAWITEMSTRUCT& item)>;
  using MeasureItemHandler = std::function<void(MEASUREITEMSTRUCT& item)>;

  // Every WM_COMMAND notification of control `id`.
  void OnCommand(int id, CommandHandler handler);
  // BN_CLICKED of a button, check box or radio button.
  void OnClick(int id, std::function<void()> handler);
  void OnNotify(int id, NotifyHandler handler);
  void OnDrawItem(int id, DrawItemHandler handler);
  void OnMeasureItem(int id, MeasureItemHandler handler);

  // True when the message was a notification with a handler; `result` is then the answer.
  bool Dispatch(UINT msg, WPARAM wp, LPARAM lp, LRESULT& result) noexcept;
  // Runs the click handler of control `id` as a click on it would; false when it has none.
  bool Click(int id) noexcept;

 private:
  std::map<int, CommandHandler> commands_;
  std::map<int, NotifyHandler> notifies_;
  std::map<int, DrawItemHandler> drawItems_;
  std::map<int, MeasureItemHandler> measureItems_;
};

}  // namespace corvel
