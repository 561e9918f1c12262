#include <gtest/gtest.h>
#include "platform/controls.h"
#include "platform/modal_form.h"
#include "tests/unit/test_support.h"

namespace corvel {
namespace {

class ControlsForm : public ModalForm {
 public:
  ControlsForm() : ModalForm("CorvelControlsTest", "Controls", 300, 200) { CreateForm(nullptr); }
};

// Two forms, one over the other, and a plain window of the program (a floating window, say).
struct ModalScene {
  ModalForm* below = nullptr;
  ModalForm* top = nullptr;
  HWND other = nullptr;
  bool belowEnabledUnderTop = true, otherEnabledUnderTop = true, belowEnabledAfterTop = false;
  int cancels = 0;
};
ModalScene g_scene;

// Ends both loops should Escape not: a test that fails, not one that hangs.
void CALLBACK CloseBoth(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  g_scene.top->CloseModal();
  g_scene.below->CloseModal();
}

void CALLBACK InsideTheTopForm(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  g_scene.belowEnabledUnderTop = IsWindowEnabled(g_scene.below->hwnd()) != FALSE;
  g_scene.otherEnabledUnderTop = IsWindowEnabled(g_scene.other) != FALSE;
  PostMessageA(g_scene.top->hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
}

void CALLBACK InsideTheBelowForm(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  SetTimer(nullptr, 0, 50, InsideTheTopForm);
  g_scene.top->ShowModalOnce();
  g_scene.belowEnabledAfterTop = IsWindowEnabled(g_scene.below->hwnd()) != FALSE;
  PostMessageA(g_scene.below->hwnd(), WM_KEYDOWN, VK_ESCAPE, 0);
}

// A form opened over another makes every other window of the program wait until it closes, and
// Escape closes each as its Cancel does (or as its close button, where it has no Cancel).
TEST(ModalForm, DisablesTheOtherWindowsWhileOpenAndEscapeCancels) {
  ControlsForm below;
  ModalForm top("CorvelModalTop", "Top", 200, 100);
  ASSERT_TRUE(top.CreateForm(below.hwnd()));
  test::TestWindow other("floating");
  below.Events().OnClick(IDCANCEL, [&] {
    ++g_scene.cancels;
    below.CloseModal();
  });
  g_scene = ModalScene{&below, &top, other.hwnd()};
  SetTimer(nullptr, 0, 50, InsideTheBelowForm);
  const UINT_PTR bound = SetTimer(nullptr, 0, 3000, CloseBoth);
  below.ShowModalOnce();
  KillTimer(nullptr, bound);
  EXPECT_FALSE(g_scene.belowEnabledUnderTop) << "the form below stays usable";
  EXPECT_FALSE(g_scene.otherEnabledUnderTop) << "the program's other window stays usable";
  EXPECT_TRUE(g_scene.belowEnabledAfterTop);
  EXPECT_EQ(g_scene.cancels, 1) << "Escape did not reach Cancel";
  EXPECT_FALSE(top.Visible());
  EXPECT_FALSE(below.Visible());
  EXPECT_TRUE(IsWindowEnabled(other.hwnd()));
}

class ControlsTest : public testing::Test {
 protected:
  void SetUp() override {
    ASSERT_NE(form.hwnd(), nullptr);
    ASSERT_TRUE(page.Create(form.hwnd(), 0, 0, 300, 200));
  }
  ControlsForm form;
  Panel page;
};

TEST_F(ControlsTest, NotificationsOfAPageReachTheFormsHandlersAndThrowingHandlersStayInside) {
  Button ok;
  CheckBox box;
  ASSERT_TRUE(ok.Create(page.hwnd(), 10, "OK", 0, 0, 75, 25));
  ASSERT_TRUE(box.Create(page.hwnd(), 11, "Box", 0, 30, 75, 17));
  int clicks = 0;
  form.Events().OnClick(10, [&] { ++clicks; });
  form.Events().OnClick(11, [&] { throw std::runtime_error("handler failed"); });
  SendMessageA(ok.hwnd(), BM_CLICK, 0, 0);
  SendMessageA(box.hwnd(), BM_CLICK, 0, 0);
  EXPECT_EQ(clicks, 1);
  EXPECT_TRUE(box.Checked());
  // Controls take the form's font, through the page.
  EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(ok.hwnd(), WM_GETFONT, 0, 0)), form.Font());
  const RECT r = box.Bounds();
  EXPECT_EQ(r.top, 30);
  EXPECT_EQ(r.right - r.left, 75);
}

// Moved to a monitor of twice the DPI: every control (in a page, too) keeps its place relative to
// the form at twice the size, with the form's font at twice the height, made once for all of them.
TEST_F(ControlsTest, AMoveToAMonitorOfTwiceTheDpiDoublesEveryControlAndItsFont) {
  Button ok;
  CheckBox box;
  ASSERT_TRUE(ok.Create(page.hwnd(), 10, "OK", 10, 30, 75, 25));
  ASSERT_TRUE(box.Create(page.hwnd(), 11, "Box", 10, 60, 75, 17));
  const UINT dpi = WindowDpi(form.hwnd());
  const RECT at = ok.Bounds();
  LOGFONTA before{};
  ASSERT_NE(GetObjectA(form.Font(), sizeof before, &before), 0);
  RECT suggested{40, 30, 740, 530};
  SendMessageA(form.hwnd(), kDpiChangedMessage, MAKEWPARAM(2 * dpi, 2 * dpi), reinterpret_cast<LPARAM>(&suggested));
  const RECT now = ok.Bounds();
  EXPECT_EQ(now.left, 2 * at.left);
  EXPECT_EQ(now.top, 2 * at.top);
  EXPECT_EQ(now.right - now.left, 2 * (at.right - at.left));
  EXPECT_EQ(now.bottom - now.top, 2 * (at.bottom - at.top));
  RECT wr{};
  GetWindowRect(form.hwnd(), &wr);
  EXPECT_TRUE(EqualRect(&wr, &suggested));
  const auto font = [](HWND w) { return reinterpret_cast<HFONT>(SendMessageA(w, WM_GETFONT, 0, 0)); };
  EXPECT_EQ(font(ok.hwnd()), font(box.hwnd()));
  LOGFONTA after{};
  ASSERT_NE(GetObjectA(font(ok.hwnd()), sizeof after, &after), 0);
  EXPECT_EQ(after.lfHeight, 2 * before.lfHeight);
  ASSERT_NE(GetObjectA(form.Font(), sizeof after, &after), 0);
  EXPECT_EQ(after.lfHeight, 2 * before.lfHeight) << "controls made later take the old size";
}

TEST_F(ControlsTest, CheckingARadioButtonUnchecksOnlyItsOwnGroup) {
  RadioButton a, b, c, x, y;
  a.Create(page.hwnd(), 1, "a", 0, 0, 50, 17, true);
  b.Create(page.hwnd(), 2, "b", 0, 20, 50, 17);
  c.Create(page.hwnd(), 3, "c", 0, 40, 50, 17);
  x.Create(page.hwnd(), 4, "x", 0, 60, 50, 17, true);
  y.Create(page.hwnd(), 5, "y", 0, 80, 50, 17);
  a.SetChecked(true);
  x.SetChecked(true);
  c.SetChecked(true);
  EXPECT_FALSE(a.Checked());
  EXPECT_FALSE(b.Checked());
  EXPECT_TRUE(c.Checked());
  EXPECT_TRUE(x.Checked());
  y.SetChecked(false);
  EXPECT_TRUE(x.Checked());
}

TEST_F(ControlsTest, ListsSelectNothingForAnIndexOutOfRangeAndSpinEditsClampTheirText) {
  ComboBox combo;
  ASSERT_TRUE(combo.Create(page.hwnd(), 1, 0, 0, 100, 100));
  combo.Add("zero");
  combo.Add("one", 7);
  combo.SetItemIndex(1);
  EXPECT_EQ(combo.ItemIndex(), 1);
  EXPECT_EQ(combo.ItemData(1), 7);
  combo.SetItemIndex(5);
  EXPECT_EQ(combo.ItemIndex(), -1);

  ListBox list;
  ASSERT_TRUE(list.Create(page.hwnd(), 2, 0, 30, 100, 60));
  list.SetItems({"C:\\a.exe", "C:\\a.exe", std::string(600, 'p')});
  EXPECT_EQ(list.Count(), 3);
  EXPECT_EQ(list.ItemText(2).size(), 600u);
  EXPECT_EQ(list.ItemIndex(), -1);

  SpinEdit spin;
  ASSERT_TRUE(spin.Create(page.hwnd(), 3, 0, 100, 60, 21, 0, 255, 300));
  EXPECT_EQ(spin.Value(), 255);
  spin.SetText("-4");
  EXPECT_EQ(spin.Value(), 0);
  spin.SetText("");
  EXPECT_EQ(spin.Value(), 0);

  ListView view;
  ASSERT_TRUE(view.Create(page.hwnd(), 4, 100, 0, 200, 100, 0, LVS_EX_CHECKBOXES));
  view.AddColumn("Name", 150);
  const int item = view.AddItem(std::string(1000, 'n'), -1, 42);
  view.SetItemChecked(item, true);
  EXPECT_TRUE(view.ItemChecked(item));
  EXPECT_EQ(view.ItemText(item).size(), 1000u);
  EXPECT_EQ(view.ItemData(item), 42);
  EXPECT_EQ(view.ColumnText(0), "Name");
  view.SetSelectedIndex(item);
  EXPECT_EQ(view.SelectedIndex(), item);
}

}  // namespace
}  // namespace corvel
