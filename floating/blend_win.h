// The floating window that stands for a minimized window: a small, topmost, semi-transparent
// square with the program's icon and the window's title as its tooltip. It is dragged with the
// left button; its menu asks the main window to restore or close the target, hides it, or opens
// the transparency dialog and the options. It never restores, closes or frees anything itself.
#pragma once
#include <string>
#include "platform/handles.h"
#include "platform/image_list.h"
#include "platform/popup_menu.h"
#include "platform/window.h"

namespace corvel {

class TForm1;

constexpr const char kBlendWinClass[] = "TBlendWin";
// Where the positions live in the settings file, and how much of the title names them.
constexpr const char kPositionSection[] = "Position of windows";
constexpr size_t kPositionKeyChars = 30;
constexpr size_t kHintChars = 254;
constexpr BYTE kFloatingAlpha = 100;
// Sizes: with the program's icon, and with the caption-icon picture.
constexpr int kIconWindowSize = 36;
constexpr int kPictureWindowSize = 32;
constexpr int kIconInset = 2;
constexpr int kIconSize = 32;
constexpr int kBorderWidth = 2;
// A drop with the top edge above this line (and below the screen's edge) snaps to kSnapTop.
constexpr int kSnapBelow = 20;
constexpr int kSnapTop = 1;
// The system colour of the active window border, as a colour value.
constexpr COLORREF kClActiveBorder = 0x8000000A;
constexpr int kFloatingMenuMargin = 18;

// The full path of the program file of a window's process ("" when none is found).
std::string GetWindowExePath(HWND window);
// The key of a title's position: its first 30 characters, control characters as blanks, in the
// code page as before; a character the code page cannot hold is written as "\u" and its four
// hexadecimal digits, so that titles differing only in such characters keep places of their own.
std::string PositionKeyFor(const std::wstring& title);
// The key earlier versions wrote: the title in the code page, cut after 30 bytes.
std::string LegacyPositionKeyFor(const std::wstring& title);
// A colour value that may name a system colour, as a plain RGB value.
COLORREF ColorToRgb(COLORREF colour);

class TBlendWin : public Window {
 public:
  enum class Button { Left, Right, Middle };

  explicit TBlendWin(TForm1& mainForm);
  ~TBlendWin() override;

  // Creates the window hidden, owned by `owner` so that it has no task bar button.
  bool CreateForm(HWND owner);
  // Shows the window without taking the focus; FormShow runs first.
  void Show();

  HWND TargetWindow = nullptr;
  std::wstring Hint;
  HICON WindowIcon = nullptr;
  COLORREF BorderColor = 0;
  COLORREF Color = kClActiveBorder;
  bool Dragging = false;
  int DragStartX = 0;
  int DragStartY = 0;
  // The caption-icon picture, shown when the target has no icon.
  BitmapHandle Image1;
  ImageList ImageList1;
  PopupMenu RxPopupMenu1;
  UINT Restore1 = 0, Hide1 = 0, Closeprogram1 = 0, N1 = 0, Transparency1 = 0, Options1 = 0;

  void SetHint(const std::wstring& hint);
  HICON GetWindowIcon(HWND window);
  // The hint's key (PositionKeyFor): line breaks and other control characters become blanks so
  // that a title cannot break the settings file.
  std::string PositionKey() const;
  void LoadPosition();
  void SavePosition() const;
  void Repaint();

  void FormShow();
  void FormPaint(HDC dc);
  void FormMouseDown(Button button, int x, int y);
  void FormMouseMove(bool leftHeld, int x, int y);
  void FormMouseUp(Button button, int x, int y);
  void RxPopupMenu1DrawMargin(HDC dc, const RECT& strip);
  void Restore1Click();
  void Hide1Click();
  void Closeprogram1Click();
  void Transparency1Click();
  void Options1Click();
  void FormDestroy();

  // While a message is being handled (a menu or a dialog may run its own loop in it), the object
  // must outlive its window: the main window frees it later.
  bool Busy() const { return busy_ > 0; }

 protected:
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp) noexcept override;

 private:
  LRESULT WndProc(UINT msg, WPARAM wp, LPARAM lp);
  void BuildMenu();
  void AddTooltip();
  void ReleaseIcon();
  RECT Bounds() const;
  POINT CursorInClient() const;
  void MoveTo(int left, int top);

  TForm1& main_;
  HWND tooltip_ = nullptr;
  bool ownsIcon_ = false;
  int busy_ = 0;
};

}  // namespace corvel
