// Driver of the benchmarks and the growth test, run under Wine in the test desktop. It owns the
// target windows and a recording tray in one thread, so that it sees a window hide or show and
// an icon come or go as the messages arrive, and times them with the performance counter.
//
// Line commands on stdin, one reply line each ("ready" first), like targets.exe:
//   tray                        become the tray: a topmost Shell_TrayWnd that keeps the live icons
//   trayhang MS                 the tray's next call waits MS milliseconds, as a hung shell would
//   icons                       live icons: "N" then " OWNER:UID:CALLBACK" each (hex)
//   window X Y W H TITLE        a captioned target window of this process; its handle
//   windows N                   N more target windows, stacked; "ok"
//   cycles RECEIVER TARGET N [SETTLE_MS]
//                               N minimize and restore cycles of TARGET: HM_BUTTONUP to RECEIVER
//                               with the pointer on the button until TARGET is hidden and its icon
//                               is in the tray, then a click on that icon until it is visible
//                               again, then SETTLE_MS (default 50) for the rescan that a shown
//                               window brings. "min US,.. restore US,.. retries N" or "error TEXT"
//   sendr H MSG WP LP           SendMessageTimeout's result in hex, or "timeout"
//   held MAIN LIST              the windows that Corvel's main window holds in LIST (0 tray, 1 menu,
//                               2 the caption-button table)
//   ping H                      microseconds until H answers WM_NULL, or "timeout"
//   cputime PID                 "USER_MS KERNEL_MS" of the process (GetProcessTimes)
//   mem PID                     "PRIVATE_BYTES WORKING_SET_BYTES" (GetProcessMemoryInfo)
//   gdi PID                     live GDI objects: entries of the process's GDI handle table
//   probe PID                   load corvel_probe.dll into the process; "ok" or "error TEXT"
//   user PID                    after probe: "WINDOWS MENUS ICONS" of the process
//   watch HWND                  after probe: count the messages that HWND's thread takes
//   watched PID                 "MESSAGES TIMERS" since watch
//   unwatch PID                 stop counting
//   emptyhook on|off            set or remove a global WH_CALLWNDPROCRET hook of corvel_probe.dll
//                               that does nothing; "ok" or "error"
//   quit
// Modes of their own, timed inside this process over the windows that exist:
//   corvel_bench.exe pass N     N collection passes of Corvel's main window (the shipped code):
//                               "toplevel T collected C pass US,US,.."
//   corvel_bench.exe barepass N N bare passes: walk, style test, draw, pending messages
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>
#include "app/unit1.h"
#include "platform/caption_geometry.h"
#include "platform/messages.h"
#include "tests/tools/tool_io.h"

namespace {

using namespace corvel;
using namespace corvel::tool;

constexpr UINT kCommandMessage = WM_APP + 1;
constexpr DWORD kStepTimeoutMs = 5000;
// A request that came while a collection pass had emptied the table is sent again after this.
constexpr DWORD kRetryAfterMs = 300;
constexpr DWORD kSendTimeoutMs = 5000;
// A shown window makes the hook ask for a rescan; a cycle lets that pass run before the next.
constexpr DWORD kSettleMs = 50;
constexpr const char kTargetClass[] = "CorvelBenchTarget";
constexpr const char kProbeDll[] = "corvel_probe.dll";
constexpr const char kStopEventName[] = "CorvelProbeStop";
// Wine's GDI handle table: the PEB's GdiSharedHandleTable points to it (a pointer-wide field
// whose place differs between the widths); entries of 24 bytes, live when the type byte is not 0.
#if defined(_WIN64)
constexpr DWORD kPebGdiTableOffset = 0xF8;
#else
constexpr DWORD kPebGdiTableOffset = 0x94;
#endif
constexpr size_t kGdiEntries = 65536;
constexpr size_t kGdiEntrySize = 24;
constexpr size_t kGdiTypeOffset = 14;
// Wine's tray record carried by WM_COPYDATA.
constexpr size_t kTrayRecordMin = 16;

DWORD g_mainThread = 0;

double Microseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  static LARGE_INTEGER freq{};
  if (!freq.QuadPart) QueryPerformanceFrequency(&freq);
  return 1e6 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(freq.QuadPart);
}

LARGE_INTEGER Now() {
  LARGE_INTEGER t;
  QueryPerformanceCounter(&t);
  return t;
}

std::string Join(const std::vector<double>& values) {
  std::string out;
  char b[32];
  for (size_t i = 0; i < values.size(); ++i) {
    std::snprintf(b, sizeof b, "%s%.0f", i ? "," : "", values[i]);
    out += b;
  }
  return out.empty() ? "-" : out;
}

// ---- The recording tray

struct IconKey {
  UINT owner, uid;
  bool operator<(const IconKey& o) const { return owner != o.owner ? owner < o.owner : uid < o.uid; }
};
std::map<IconKey, UINT> g_icons;  // live icons and their callback numbers
DWORD g_trayHangMs = 0;           // the next call to the tray waits this long, as a hung shell

LRESULT CALLBACK TrayProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg != WM_COPYDATA) return DefWindowProcA(hwnd, msg, wp, lp);
  if (g_trayHangMs) Sleep(std::exchange(g_trayHangMs, 0));
  const auto* cds = reinterpret_cast<const COPYDATASTRUCT*>(lp);
  if (!cds || cds->cbData < kTrayRecordMin || !cds->lpData) return FALSE;
  UINT f[4];
  std::memcpy(f, cds->lpData, sizeof f);  // owner, uID, flags, callback
  const IconKey key{f[0], f[1]};
  if (cds->dwData == NIM_ADD) g_icons[key] = f[3];
  else if (cds->dwData == NIM_MODIFY && (f[2] & NIF_MESSAGE) && g_icons.count(key)) g_icons[key] = f[3];
  else if (cds->dwData == NIM_DELETE) g_icons.erase(key);
  return TRUE;
}

const std::pair<const IconKey, UINT>* IconOf(HWND window) {
  const UINT uid = static_cast<UINT>(reinterpret_cast<UINT_PTR>(window));
  for (const auto& entry : g_icons)
    if (entry.first.uid == uid) return &entry;
  return nullptr;
}

LRESULT CALLBACK TargetProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) { return DefWindowProcA(hwnd, msg, wp, lp); }

void RegisterClasses() {
  WNDCLASSA wc{};
  wc.lpfnWndProc = TargetProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
  wc.hIcon = LoadIcon(nullptr, IDI_APPLICATION);
  wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  wc.lpszClassName = kTargetClass;
  RegisterClassA(&wc);
  WNDCLASSA tray{};
  tray.lpfnWndProc = TrayProc;
  tray.hInstance = GetModuleHandleA(nullptr);
  tray.lpszClassName = "Shell_TrayWnd";
  RegisterClassA(&tray);
}

HWND MakeTarget(int x, int y, int w, int h, const std::string& title) {
  HWND hwnd = CreateWindowExA(0, kTargetClass, title.c_str(), WS_OVERLAPPEDWINDOW, x, y, w, h, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
  ShowWindow(hwnd, SW_SHOWNORMAL);
  UpdateWindow(hwnd);
  return hwnd;
}

// ---- Waiting for what other programs do, message by message

// Everything but the commands, which stay queued for the main loop.
void Dispatch() {
  MSG msg;
  while (PeekMessageA(&msg, nullptr, 0, kCommandMessage - 1, PM_REMOVE) ||
         PeekMessageA(&msg, nullptr, kCommandMessage + 1, 0xFFFFFFFF, PM_REMOVE)) {
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
}

// Handles this thread's messages until `done` holds; false when `ms` passed first.
template <typename F>
bool WaitUntil(F done, DWORD ms) {
  const DWORD start = GetTickCount();
  for (;;) {
    Dispatch();
    if (done()) return true;
    const DWORD spent = GetTickCount() - start;
    if (spent >= ms) return false;
    MsgWaitForMultipleObjectsEx(0, nullptr, ms - spent, QS_ALLINPUT, MWMO_INPUTAVAILABLE);
  }
}

void PointAtButton(HWND target) {
  RECT wr{};
  GetWindowRect(target, &wr);
  const RECT b = ProgramButtonRect(wr.right - wr.left, SystemFrameMetrics());
  SetCursorPos(wr.left + (b.left + b.right) / 2, wr.top + (b.top + b.bottom) / 2);
}

// What a failed request leaves to look at.
std::string Describe(HWND target) {
  RECT wr{};
  GetWindowRect(target, &wr);
  POINT cursor{};
  GetCursorPos(&cursor);
  char b[160];
  std::snprintf(b, sizeof b, "visible %d, iconic %d, icon %d, window at %ld,%ld %ldx%ld, pointer at %ld,%ld",
                IsWindowVisible(target) ? 1 : 0, IsIconic(target) ? 1 : 0, IconOf(target) ? 1 : 0, wr.left, wr.top,
                wr.right - wr.left, wr.bottom - wr.top, cursor.x, cursor.y);
  return b;
}

bool Hidden(HWND target) { return !IsWindowVisible(target) && IconOf(target); }
bool Shown(HWND target) { return IsWindowVisible(target) && !IsIconic(target); }

// One request, sent again while it goes unanswered (a pass may have emptied the table).
template <typename Post, typename Done>
bool Request(Post post, Done done, double& us, int& retries) {
  const DWORD start = GetTickCount();
  for (;;) {
    const LARGE_INTEGER t0 = Now();
    post();
    if (WaitUntil(done, kRetryAfterMs)) {
      us = Microseconds(t0, Now());
      return true;
    }
    if (GetTickCount() - start > kStepTimeoutMs) return false;
    ++retries;
  }
}

std::string Cycles(HWND receiver, HWND target, int n, DWORD settleMs) {
  std::vector<double> mins, restores;
  int retries = 0;
  for (int i = 0; i < n; ++i) {
    double us = 0;
    PointAtButton(target);
    if (!Request([&] { PostMessageA(receiver, HM_BUTTONUP, 0, reinterpret_cast<LPARAM>(target)); },
                 [&] { return Hidden(target); }, us, retries))
      return "error cycle " + std::to_string(i) + ": the window was not minimized (" + Describe(target) + ")";
    mins.push_back(us);
    const auto* icon = IconOf(target);
    const HWND owner = reinterpret_cast<HWND>(static_cast<UINT_PTR>(icon->first.owner));
    const UINT callback = icon->second, uid = icon->first.uid;
    // A click as the shell delivers it; the release is what restores.
    PostMessageA(owner, callback, uid, WM_LBUTTONDOWN);
    if (!Request([&] { PostMessageA(owner, callback, uid, WM_LBUTTONUP); }, [&] { return Shown(target); }, us,
                 retries))
      return "error cycle " + std::to_string(i) + ": the window was not restored";
    restores.push_back(us);
    // A request in the middle of that pass could find the table not yet filled again.
    WaitUntil([] { return false; }, settleMs);
  }
  return "min " + Join(mins) + " restore " + Join(restores) + " retries " + std::to_string(retries);
}

// ---- Another process's resources

HANDLE Open(DWORD pid, DWORD access) { return OpenProcess(access, FALSE, pid); }

std::string CpuTime(DWORD pid) {
  HANDLE p = Open(pid, PROCESS_QUERY_INFORMATION);
  if (!p) return "error open";
  FILETIME created, exited, kernel, user;
  const BOOL ok = GetProcessTimes(p, &created, &exited, &kernel, &user);
  CloseHandle(p);
  if (!ok) return "error times";
  auto ms = [](const FILETIME& f) { return ((static_cast<unsigned long long>(f.dwHighDateTime) << 32) | f.dwLowDateTime) / 10000ull; };
  return std::to_string(ms(user)) + " " + std::to_string(ms(kernel));
}

std::string Memory(DWORD pid) {
  HANDLE p = Open(pid, PROCESS_QUERY_INFORMATION | PROCESS_VM_READ);
  if (!p) return "error open";
  PROCESS_MEMORY_COUNTERS_EX c{};
  c.cb = sizeof c;
  const BOOL ok = GetProcessMemoryInfo(p, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&c), sizeof c);
  CloseHandle(p);
  if (!ok) return "error counters";
  return std::to_string(c.PrivateUsage) + " " + std::to_string(c.WorkingSetSize);
}

using QueryProcess = LONG(WINAPI*)(HANDLE, int, PVOID, ULONG, PULONG);

std::string GdiObjects(DWORD pid) {
  HANDLE p = Open(pid, PROCESS_QUERY_INFORMATION | PROCESS_VM_READ);
  if (!p) return "error open";
  const auto query =
      reinterpret_cast<QueryProcess>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess"));
  PROCESS_BASIC_INFORMATION info{};
  std::string out = "error peb";
  UINT_PTR table = 0;
  SIZE_T got = 0;
  if (query && query(p, ProcessBasicInformation, &info, sizeof info, nullptr) == 0 &&
      ReadProcessMemory(p, reinterpret_cast<const BYTE*>(info.PebBaseAddress) + kPebGdiTableOffset, &table,
                        sizeof table, &got) &&
      table) {
    std::vector<unsigned char> entries(kGdiEntries * kGdiEntrySize);
    if (ReadProcessMemory(p, reinterpret_cast<LPCVOID>(table), entries.data(), entries.size(),
                          &got) &&
        got == entries.size()) {
      size_t live = 0;
      for (size_t i = 0; i < kGdiEntries; ++i) live += entries[i * kGdiEntrySize + kGdiTypeOffset] != 0;
      out = std::to_string(live);
    } else {
      out = "error table";
    }
  }
  CloseHandle(p);
  return out;
}

// corvel_probe.dll in another process: where it was loaded there, and where its parts are.
struct Probe {
  UINT_PTR remoteBase = 0;
  HMODULE local = nullptr;
  UINT_PTR Remote(const char* name) const {
    const FARPROC f = GetProcAddress(local, name);
    return f ? remoteBase + (reinterpret_cast<UINT_PTR>(f) - reinterpret_cast<UINT_PTR>(local)) : 0;
  }
};
std::map<DWORD, Probe> g_probes;

std::string ProbePath() {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string s = path;
  return s.substr(0, s.find_last_of("\\/") + 1) + kProbeDll;
}

// Runs `start(param)` on a new thread of the process; its exit code, or false.
bool RunRemote(DWORD pid, UINT_PTR start, LPVOID param, DWORD wait, DWORD* code) {
  HANDLE p = Open(pid, PROCESS_ALL_ACCESS);
  if (!p || !start) {
    if (p) CloseHandle(p);
    return false;
  }
  HANDLE t = CreateRemoteThread(p, nullptr, 0, reinterpret_cast<LPTHREAD_START_ROUTINE>(start), param, 0, nullptr);
  CloseHandle(p);
  if (!t) return false;
  bool ok = true;
  if (wait) {
    ok = WaitForSingleObject(t, wait) == WAIT_OBJECT_0;
    if (ok && code) GetExitCodeThread(t, code);
  }
  CloseHandle(t);
  return ok;
}

UINT_PTR RemoteModuleBase(DWORD pid, const char* name) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  MODULEENTRY32 m{};
  m.dwSize = sizeof m;
  UINT_PTR base = 0;
  for (BOOL more = Module32First(snapshot, &m); more && !base; more = Module32Next(snapshot, &m))
    if (_stricmp(m.szModule, name) == 0) base = reinterpret_cast<UINT_PTR>(m.modBaseAddr);
  CloseHandle(snapshot);
  return base;
}

std::string EmptyHook(bool on) {
  static HHOOK hook = nullptr;
  if (hook) UnhookWindowsHookEx(hook);
  hook = nullptr;
  if (!on) return "ok";
  HMODULE probe = LoadLibraryA(ProbePath().c_str());
  const auto proc = probe ? reinterpret_cast<HOOKPROC>(GetProcAddress(probe, "ProbeEmptyHook")) : nullptr;
  hook = proc ? SetWindowsHookExA(WH_CALLWNDPROCRET, proc, probe, 0) : nullptr;
  return hook ? "ok" : "error";
}

std::string LoadProbe(DWORD pid) {
  const std::string path = ProbePath();
  Probe probe;
  probe.local = LoadLibraryA(path.c_str());
  if (!probe.local) return "error no " + path;
  HANDLE p = Open(pid, PROCESS_ALL_ACCESS);
  if (!p) return "error open";
  void* remote = VirtualAllocEx(p, nullptr, path.size() + 1, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  SIZE_T written = 0;
  const bool copied = remote && WriteProcessMemory(p, remote, path.c_str(), path.size() + 1, &written);
  CloseHandle(p);
  if (!copied) return "error copy";
  // kernel32 sits at the same address in every process of the prefix.
  const UINT_PTR loadLibrary = reinterpret_cast<UINT_PTR>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "LoadLibraryA"));
  // The thread's exit code is only 32 bits of the module's address: the module list has it whole.
  DWORD loaded = 0;
  if (!RunRemote(pid, loadLibrary, remote, kSendTimeoutMs, &loaded) || !loaded) return "error load";
  probe.remoteBase = RemoteModuleBase(pid, kProbeDll);
  if (!probe.remoteBase) return "error module";
  g_probes[pid] = probe;
  return "ok";
}

bool ReadProbe(DWORD pid, LONG (&out)[6]) {
  const auto it = g_probes.find(pid);
  if (it == g_probes.end()) return false;
  HANDLE p = Open(pid, PROCESS_VM_READ);
  if (!p) return false;
  SIZE_T got = 0;
  const BOOL ok = ReadProcessMemory(p, reinterpret_cast<LPCVOID>(it->second.Remote("ProbeResults")), out, sizeof out, &got);
  CloseHandle(p);
  return ok && got == sizeof out;
}

std::string UserObjects(DWORD pid) {
  const auto it = g_probes.find(pid);
  if (it == g_probes.end()) return "error no probe";
  if (!RunRemote(pid, it->second.Remote("ProbeCountUser"), nullptr, kSendTimeoutMs, nullptr)) return "error count";
  LONG r[6];
  if (!ReadProbe(pid, r)) return "error read";
  return std::to_string(r[0]) + " " + std::to_string(r[1]) + " " + std::to_string(r[2]);
}

std::string Watch(HWND window) {
  DWORD pid = 0;
  const DWORD thread = GetWindowThreadProcessId(window, &pid);
  const auto it = g_probes.find(pid);
  if (!thread || it == g_probes.end()) return "error no probe";
  // The thread stays (waiting) as long as the hook must.
  if (!RunRemote(pid, it->second.Remote("ProbeWatch"), reinterpret_cast<LPVOID>(static_cast<UINT_PTR>(thread)), 0,
                 nullptr))
    return "error start";
  LONG r[6] = {};
  const bool on = WaitUntil([&] { return ReadProbe(pid, r) && r[5] == 1; }, kSendTimeoutMs);
  return on ? "ok" : "error hook";
}

std::string Watched(DWORD pid) {
  LONG r[6];
  if (!ReadProbe(pid, r)) return "error read";
  return std::to_string(r[3]) + " " + std::to_string(r[4]);
}

std::string Unwatch() {
  HANDLE stop = OpenEventA(EVENT_MODIFY_STATE, FALSE, kStopEventName);
  if (!stop) return "error no event";
  SetEvent(stop);
  CloseHandle(stop);
  return "ok";
}

// ---- Queries of Corvel's main window

std::string SendResult(HWND h, UINT msg, WPARAM wp, LPARAM lp) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(h, msg, wp, lp, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result)) return "timeout";
  return Hex(result);
}

std::string Held(HWND main, LPARAM list) {
  const UINT query = RegisterWindowMessageA(kHeldWindowQueryMessage);
  std::vector<std::string> found;
  for (WPARAM i = 0;; ++i) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(main, query, i, list, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result)) return "timeout";
    if (!result) break;
    found.push_back(Hex(result));
  }
  std::string out = std::to_string(found.size());
  for (const std::string& h : found) out += " " + h;
  return out;
}

std::string Ping(HWND h) {
  const LARGE_INTEGER t0 = Now();
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutA(h, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result)) return "timeout";
  char b[32];
  std::snprintf(b, sizeof b, "%.0f", Microseconds(t0, Now()));
  return b;
}

void Handle(const std::string& line) {
  std::istringstream in(line);
  std::string cmd;
  in >> cmd;
  auto rest = [&in] {
    std::string s;
    std::getline(in, s);
    if (!s.empty() && s[0] == ' ') s.erase(0, 1);
    return s;
  };
  std::string a, b, c, d;
  if (cmd == "tray") {
    Reply(Hex(reinterpret_cast<UINT_PTR>(CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, "Shell_TrayWnd", "", WS_POPUP,
                                                         0, 0, 1, 1, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr))));
  } else if (cmd == "trayhang") {
    in >> a;
    g_trayHangMs = static_cast<DWORD>(Num(a));
    Reply("ok");
  } else if (cmd == "icons") {
    Dispatch();
    std::string out = std::to_string(g_icons.size());
    for (const auto& e : g_icons) out += " " + Hex(e.first.owner) + ":" + Hex(e.first.uid) + ":" + Hex(e.second);
    Reply(out);
  } else if (cmd == "window") {
    int x, y, w, h;
    in >> x >> y >> w >> h;
    Reply(Hex(reinterpret_cast<UINT_PTR>(MakeTarget(x, y, w, h, rest()))));
  } else if (cmd == "windows") {
    in >> a;
    for (unsigned long i = 0; i < Num(a); ++i) MakeTarget(40 + static_cast<int>(i % 20) * 8, 40 + static_cast<int>(i % 20) * 8, 320, 200, "Bench window " + std::to_string(i));
    Reply("ok");
  } else if (cmd == "cycles") {
    in >> a >> b >> c;
    d.clear();
    in >> d;
    Reply(Cycles(H(a), H(b), static_cast<int>(Num(c)), d.empty() ? kSettleMs : Num(d)));
  } else if (cmd == "sendr") {
    in >> a >> b >> c >> d;
    Reply(SendResult(H(a), Num(b), Num(c), Num(d)));
  } else if (cmd == "held") {
    in >> a >> b;
    Reply(Held(H(a), static_cast<LPARAM>(Num(b))));
  } else if (cmd == "ping") {
    in >> a;
    Reply(Ping(H(a)));
  } else if (cmd == "cputime") {
    in >> a;
    Reply(CpuTime(Num(a)));
  } else if (cmd == "mem") {
    in >> a;
    Reply(Memory(Num(a)));
  } else if (cmd == "gdi") {
    in >> a;
    Reply(GdiObjects(Num(a)));
  } else if (cmd == "probe") {
    in >> a;
    Reply(LoadProbe(Num(a)));
  } else if (cmd == "user") {
    in >> a;
    Reply(UserObjects(Num(a)));
  } else if (cmd == "watch") {
    in >> a;
    Reply(Watch(H(a)));
  } else if (cmd == "watched") {
    in >> a;
    Reply(Watched(Num(a)));
  } else if (cmd == "unwatch") {
    Reply(Unwatch());
  } else if (cmd == "emptyhook") {
    in >> a;
    Reply(EmptyHook(a == "on"));
  } else if (cmd == "quit") {
    Reply("ok");
    PostQuitMessage(0);
  } else {
    Reply("error unknown command");
  }
}

DWORD WINAPI ReadCommands(LPVOID) {
  char line[4096];
  while (std::fgets(line, sizeof line, stdin)) {
    auto* s = new std::string(line);
    while (!s->empty() && (s->back() == '\n' || s->back() == '\r')) s->pop_back();
    PostThreadMessageA(g_mainThread, kCommandMessage, 0, reinterpret_cast<LPARAM>(s));
  }
  PostThreadMessageA(g_mainThread, WM_QUIT, 0, 0);
  return 0;
}

int Serve() {
  MSG peek;
  PeekMessageA(&peek, nullptr, 0, 0, PM_NOREMOVE);  // the queue exists before the reader posts
  CloseHandle(CreateThread(nullptr, 0, ReadCommands, nullptr, 0, nullptr));
  Reply("ready");
  MSG msg;
  while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == kCommandMessage && !msg.hwnd) {
      auto* s = reinterpret_cast<std::string*>(msg.lParam);
      Handle(*s);
      delete s;
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
  }
  return 0;
}

// ---- Collection passes timed in this process

void NoHook() {}

int TopLevelCount() {
  int n = 0;
  for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) ++n;
  return n;
}

// What any pass of this design must do: walk the windows, test the style, draw the button on
// each that qualifies (as many as the table holds), and let pending messages in after every
// window. Drawn as the program draws its built-in picture.
int BarePass(HBITMAP picture, int pw, int ph) {
  const FrameMetrics m = SystemFrameMetrics();
  HDC source = CreateCompatibleDC(nullptr);
  HGDIOBJ old = SelectObject(source, picture);
  int drawn = 0;
  for (HWND w = GetTopWindow(nullptr); w; w = GetWindow(w, GW_HWNDNEXT)) {
    const LONG style = GetWindowLongA(w, GWL_STYLE);
    if ((style & kMainWindowStyleMask) == kMainWindowStyleMask && drawn < kButtonWindowsSize) {
      RECT wr{};
      GetWindowRect(w, &wr);
      const RECT r = ProgramButtonRect(wr.right - wr.left, m);
      HDC dc = GetWindowDC(w);
      SetStretchBltMode(dc, COLORONCOLOR);
      StretchBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, source, 0, 0, pw, ph, SRCCOPY);
      ReleaseDC(w, dc);
      ++drawn;
    }
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
  }
  SelectObject(source, old);
  DeleteDC(source);
  return drawn;
}

int Passes(int repeats, bool bare) {
  std::vector<double> times;
  int collected = 0;
  if (bare) {
    // Like the program, a hidden window of its own to take the requests.
    HWND own = CreateWindowExA(WS_EX_TOOLWINDOW, kTargetClass, "bare pass", WS_POPUP, -100, -100, 10, 10, nullptr,
                               nullptr, GetModuleHandleA(nullptr), nullptr);
    HDC screen = GetDC(nullptr);
    HBITMAP picture = CreateCompatibleBitmap(screen, 16, 14);
    ReleaseDC(nullptr, screen);
    for (int i = 0; i < repeats; ++i) {
      const LARGE_INTEGER t0 = Now();
      collected = BarePass(picture, 16, 14);
      times.push_back(Microseconds(t0, Now()));
    }
    DeleteObject(picture);
    DestroyWindow(own);
  } else {
    TForm1 form(HookLibrary{NoHook, NoHook, NoHook});
    if (!form.CreateForm()) return 1;
    form.FormShow();
    while (form.Timer1.Enabled() || form.Timer2.Enabled()) {
      MSG msg;
      if (GetMessageA(&msg, nullptr, 0, 0) <= 0) break;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    for (int i = 0; i < repeats; ++i) {
      const LARGE_INTEGER t0 = Now();
      form.Timer2Timer();
      times.push_back(Microseconds(t0, Now()));
      collected = form.ButtonWindowCount;
    }
    form.FormDestroy();
  }
  Reply("toplevel " + std::to_string(TopLevelCount()) + " collected " + std::to_string(collected) + " pass " +
        Join(times));
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  g_mainThread = GetCurrentThreadId();
  RegisterClasses();
  if (argc > 2 && (std::strcmp(argv[1], "pass") == 0 || std::strcmp(argv[1], "barepass") == 0))
    return Passes(std::atoi(argv[2]), std::strcmp(argv[1], "barepass") == 0);
  return Serve();
}
