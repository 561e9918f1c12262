#include "platform/button_share.h"
#include <cstring>

namespace corvel {

ButtonShareMapping::~ButtonShareMapping() {
  if (view_) UnmapViewOfFile(view_);
  if (mapping_) CloseHandle(mapping_);
}

bool ButtonShareMapping::Create() {
  mapping_ = CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof(ButtonShare), kButtonShareName);
  if (!mapping_) return false;
  view_ = static_cast<ButtonShare*>(MapViewOfFile(mapping_, FILE_MAP_WRITE, 0, 0, sizeof(ButtonShare)));
  return view_ != nullptr;
}

bool ButtonShareMapping::Open() {
  if (view_) return true;
  mapping_ = OpenFileMappingA(FILE_MAP_READ, FALSE, kButtonShareName);
  if (!mapping_) return false;
  view_ = static_cast<ButtonShare*>(MapViewOfFile(mapping_, FILE_MAP_READ, 0, 0, sizeof(ButtonShare)));
  if (view_) return true;
  CloseHandle(mapping_);
  mapping_ = nullptr;
  return false;
}

void BeginShareWrite(ButtonShare& share) {
  InterlockedIncrement(&share.sequence);
  MemoryBarrier();
}

void EndShareWrite(ButtonShare& share) {
  MemoryBarrier();
  InterlockedIncrement(&share.sequence);
}

bool ReadSharedPicture(const ButtonShare& share, HWND window, SharedPicture& out) {
  const LONG before = share.sequence;
  if (before & 1) return false;
  MemoryBarrier();
  const LONG count = share.count;
  const LONG w = share.width, h = share.height;
  if (count < 0 || count > kShareWindows || w <= 0 || h <= 0 || w > kShareMaxSide || h > kShareMaxSide) return false;
  bool listed = false;
  for (LONG i = 0; i < count && !listed; ++i) listed = share.windows[i].Load() == window;
  if (!listed) return false;
  const DWORD* source = share.pressed ? share.down : share.up;
  std::memcpy(out.pixels, source, static_cast<size_t>(w) * static_cast<size_t>(h) * sizeof(DWORD));
  out.width = w;
  out.height = h;
  MemoryBarrier();
  return share.sequence == before;
}

}  // namespace corvel
