#include "tests/unit/test_support.h"
#include <cstdlib>
#include <random>
#include <utility>
#include <shellapi.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <jpeglib.h>
#include "platform/tray_icon.h"

namespace corvel::test {

std::string SettingsPath() {
  char dir[MAX_PATH] = {};
  GetWindowsDirectoryA(dir, MAX_PATH);
  return std::string(dir) + "\\Corvl.ini";
}

void RemoveSettingsFile() {
  SetFileAttributesA(SettingsPath().c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(SettingsPath().c_str());
  // Drop whatever the profile functions still cache of the file.
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, "Corvl.ini");
}

void WriteSettingsText(const std::string& text) {
  RemoveSettingsFile();
  WriteFileBytes(SettingsPath(), text);
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, "Corvl.ini");
}

std::string ReadFileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFileBytes(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

bool FileExists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string JpegFile(int width, int height, COLORREF colour, int quality) {
  jpeg_compress_struct info;
  jpeg_error_mgr err;
  info.err = jpeg_std_error(&err);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = static_cast<JDIMENSION>(width);
  info.image_height = static_cast<JDIMENSION>(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, quality, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<unsigned char> row(static_cast<size_t>(width) * 3);
  for (int x = 0; x < width; ++x) {
    row[x * 3] = GetRValue(colour);
    row[x * 3 + 1] = GetGValue(colour);
    row[x * 3 + 2] = GetBValue(colour);
  }
  while (info.next_scanline < info.image_height) {
    JSAMPROW line = row.data();
    jpeg_write_scanlines(&info, &line, 1);
  }
  jpeg_finish_compress(&info);
  std::string bytes(reinterpret_cast<char*>(buffer), size);
  jpeg_destroy_compress(&info);
  free(buffer);
  return bytes;
}

std::vector<std::string> MutatedFiles(const std::string& good, size_t count, unsigned seed) {
  std::mt19937 random(seed);
  auto below = [&](size_t n) { return n ? static_cast<size_t>(random() % n) : 0; };
  static const unsigned char kExtremes[] = {0x00, 0x01, 0x7F, 0x80, 0xFF, '\r', '\n', '=', '[', ']', ' '};
  std::vector<std::string> files;
  for (size_t i = 0; i < count; ++i) {
    std::string f = good;
    const size_t edits = 1 + below(8);
    for (size_t e = 0; e < edits && !f.empty(); ++e) {
      const size_t at = below(f.size());
      switch (below(5)) {
        case 0: f[at] = static_cast<char>(f[at] ^ (1u << below(8))); break;
        case 1: f[at] = static_cast<char>(kExtremes[below(sizeof kExtremes)]); break;
        case 2: f.insert(at, 1 + below(16), static_cast<char>(random())); break;
        case 3: f.erase(at, 1 + below(16)); break;
        default: f.resize(below(f.size())); break;
      }
    }
    files.push_back(f);
  }
  return files;
}

size_t FuzzRounds(size_t quick) {
  char text[32] = {};
  return GetEnvironmentVariableA("CORVEL_FUZZ_ROUNDS", text, sizeof text) ? std::strtoul(text, nullptr, 10) : quick;
}

unsigned FuzzSeed(unsigned fixed) {
  char text[32] = {};
  return GetEnvironmentVariableA("CORVEL_FUZZ_SEED", text, sizeof text)
             ? static_cast<unsigned>(std::strtoul(text, nullptr, 10)) : fixed;
}

namespace {

LRESULT CALLBACK TestWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcA(hwnd, msg, wp, lp); }

const char* TestWindowClass() {
  static bool registered = false;
  if (!registered) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = TestWindowProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "CorvelUnitTestWindow";
    RegisterClassA(&wc);
    registered = true;
  }
  return "CorvelUnitTestWindow";
}


}  // namespace

TestWindow::TestWindow(const std::string& title, int x, int y, int w, int h, DWORD style)
    : hwnd_(CreateWindowExA(0, TestWindowClass(), title.c_str(), style, x, y, w, h, nullptr, nullptr,
                            GetModuleHandleA(nullptr), nullptr)) {
  ShowWindow(hwnd_, SW_SHOWNORMAL);
  UpdateWindow(hwnd_);
}

TestWindow::TestWindow(const std::wstring& title) {
  static const wchar_t* cls = [] {
    WNDCLASSW wc{};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = L"CorvelUnitTestWindowW";
    RegisterClassW(&wc);
    return L"CorvelUnitTestWindowW";
  }();
  hwnd_ = CreateWindowExW(0, cls, title.c_str(), WS_OVERLAPPEDWINDOW, 100, 100, 400, 300, nullptr, nullptr,
                          GetModuleHandleA(nullptr), nullptr);
  ShowWindow(hwnd_, SW_SHOWNORMAL);
}

TestWindow::~TestWindow() { Destroy(); }

ThreadWindow::ThreadWindow(const char* title, DWORD hangMs) : title_(title), hangMs_(hangMs), ready_(CreateEventA(nullptr, TRUE, FALSE, nullptr)) {
  InitializeCriticalSection(&lock_);
  thread_ = CreateThread(nullptr, 0, Run, this, 0, nullptr);
  WaitForSingleObject(ready_, 5000);
}

ThreadWindow::~ThreadWindow() {
  if (hwnd_) PostMessageA(hwnd_, WM_CLOSE, 0, 0);
  WaitForSingleObject(thread_, 5000);
  CloseHandle(thread_);
  CloseHandle(ready_);
  DeleteCriticalSection(&lock_);
}

std::vector<ThreadWindow::StyleChange> ThreadWindow::StyleChanges() {
  EnterCriticalSection(&lock_);
  std::vector<StyleChange> copy = changes_;
  LeaveCriticalSection(&lock_);
  return copy;
}

DWORD WINAPI ThreadWindow::Run(LPVOID param) {
  auto* self = static_cast<ThreadWindow*>(param);
  static const char* cls = [] {
    WNDCLASSA wc{};
    wc.lpfnWndProc = Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "CorvelUnitThreadWindow";
    RegisterClassA(&wc);
    return "CorvelUnitThreadWindow";
  }();
  self->hwnd_ = CreateWindowExA(0, cls, self->title_.c_str(), WS_OVERLAPPEDWINDOW, 150, 150, 300, 200, nullptr,
                                nullptr, GetModuleHandleA(nullptr), self);
  ShowWindow(self->hwnd_, SW_SHOWNORMAL);
  SetEvent(self->ready_);
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) DispatchMessageA(&msg);
  return 0;
}

LRESULT CALLBACK ThreadWindow::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE)
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
  auto* self = reinterpret_cast<ThreadWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (self && msg == WM_STYLECHANGING && self->hangMs_) Sleep(std::exchange(self->hangMs_, 0));
  if (self && msg == WM_STYLECHANGED && wp == static_cast<WPARAM>(GWL_EXSTYLE)) {
    EnterCriticalSection(&self->lock_);
    self->changes_.push_back({static_cast<LONG>(reinterpret_cast<const STYLESTRUCT*>(lp)->styleNew),
                              IsWindowVisible(hwnd) != FALSE});
    LeaveCriticalSection(&self->lock_);
  }
  if (msg == WM_DESTROY) PostQuitMessage(0);
  return DefWindowProcA(hwnd, msg, wp, lp);
}

void TestWindow::Destroy() {
  if (hwnd_ && IsWindow(hwnd_)) DestroyWindow(hwnd_);
  hwnd_ = nullptr;
}

void Pump(DWORD ms) {
  const DWORD start = GetTickCount();
  do {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (ms) MsgWaitForMultipleObjects(0, nullptr, FALSE, 2, QS_ALLINPUT);
  } while (GetTickCount() - start < ms);
}

BOOL RecordingEffects::RegisterHotKey(HWND, int id, UINT modifiers, UINT key) {
  hotKeys.push_back({id, modifiers, key, true});
  return TRUE;
}
BOOL RecordingEffects::UnregisterHotKey(HWND, int id) {
  hotKeys.push_back({id, 0, 0, false});
  return TRUE;
}
HINSTANCE RecordingEffects::ShellExecuteFile(HWND owner, const char* verb, const char* file, const char* params,
                                             const char* dir, int show) {
  launches.push_back(file ? file : "");
  shells.push_back({owner, verb ? verb : "", file ? file : "", params != nullptr, dir != nullptr, show});
  return reinterpret_cast<HINSTANCE>(33);
}
UINT RecordingEffects::WinExec(const char* commandLine, UINT) {
  launches.push_back(commandLine);
  return 33;
}
BOOL RecordingEffects::SetPriorityClass(HANDLE, DWORD priority) {
  priorities.push_back(priority);
  return TRUE;
}
BOOL RecordingEffects::SetLayeredWindowAttributes(SetLayeredWindowAttributesFn fn, HWND hwnd, COLORREF key,
                                                  BYTE alpha, DWORD flags) {
  alphas.push_back({hwnd, alpha, flags, GetWindowLongA(hwnd, GWL_EXSTYLE)});
  return fn ? fn(hwnd, key, alpha, flags) : FALSE;
}

std::vector<std::string> HookCalls::calls;
void (*HookCalls::onDelete)() = nullptr;

HookLibrary HookCalls::Recorder() {
  calls.clear();
  onDelete = nullptr;
  return HookLibrary{[] { calls.push_back("SetHook"); }, [] { calls.push_back("SetHookAll"); },
                     [] {
                       calls.push_back("DeleteHook");
                       if (onDelete) onDelete();
                     }};
}

namespace {
TestTray* g_tray = nullptr;
// The longest the tests wait for the tray calls Corvel has queued.
constexpr DWORD kTrayWaitMs = 5000;
}

TestTray::TestTray() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = Proc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.lpszClassName = "Shell_TrayWnd";
  RegisterClassA(&wc);
  g_tray = this;
  hwnd_ = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "Shell_TrayWnd", "", WS_POPUP, 0, 0, 1, 1, nullptr,
                          nullptr, GetModuleHandleA(nullptr), nullptr);
}

TestTray::~TestTray() {
  DestroyWindow(hwnd_);
  g_tray = nullptr;
}

const std::vector<TestTray::Call>& TestTray::Calls() const {
  FlushNotifyIcons(kTrayWaitMs);
  return calls_;
}

std::vector<TestTray::Call> TestTray::Live() const {
  std::vector<Call> live;
  for (const Call& c : Calls()) {
    auto same = [&c](const Call& o) { return o.hwnd == c.hwnd && o.uid == c.uid; };
    if (c.code == NIM_ADD) {
      bool present = false;
      for (const Call& o : live) present = present || same(o);
      if (!present) live.push_back(c);
    } else if (c.code == NIM_DELETE) {
      for (size_t i = 0; i < live.size(); ++i)
        if (same(live[i])) {
          live.erase(live.begin() + static_cast<std::ptrdiff_t>(i));
          break;
        }
    }
  }
  return live;
}

LRESULT CALLBACK TestTray::Proc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_COPYDATA && g_tray) {
    const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lp);
    const auto* d = static_cast<const unsigned char*>(cds->lpData);
    Call c{};
    c.code = static_cast<DWORD>(cds->dwData);
    if (cds->cbData >= 952) {
      UINT h = 0;
      std::memcpy(&h, d, 4);
      c.hwnd = reinterpret_cast<HWND>(static_cast<UINT_PTR>(h));
      std::memcpy(&c.uid, d + 4, 4);
      std::memcpy(&c.flags, d + 8, 4);
      std::memcpy(&c.callback, d + 12, 4);
      char narrow[256] = {};
      WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(d + 16), -1, narrow, sizeof narrow - 1, nullptr,
                          nullptr);
      c.tip = narrow;
      c.wideTip = reinterpret_cast<const wchar_t*>(d + 16);
      std::memcpy(&c.iconWidth, d + 944, 4);
      std::memcpy(&c.iconHeight, d + 948, 4);
    }
    g_tray->calls_.push_back(c);
    return TRUE;
  }
  return DefWindowProcA(hwnd, msg, wp, lp);
}

}  // namespace corvel::test
