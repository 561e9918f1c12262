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

void RepairShareSequence(ButtonShare& share) {
  if (share.sequence & 1) InterlockedIncrement(&share.sequence);
  MemoryBarrier();
}

namespace {

bool Listed(const ButtonShare& share, HWND window) {
  const LONG count = share.count;
  if (count < 0 || count > kShareWindows) return false;
  for (LONG i = 0; i < count; ++i)
    if (share.windows[i].Load() == window) return true;
  return false;
}

}  // namespace

bool ReadSharedPicture(const ButtonShare& share, HWND window, SharedPicture& out) {
  const LONG before = share.sequence;
  if (before & 1) return false;
  MemoryBarrier();
  const LONG w = share.width, h = share.height;
  if (w <= 0 || h <= 0 || w > kShareMaxSide || h > kShareMaxSide || !Listed(share, window)) return false;
  out.pixels = share.pressed ? share.down : share.up;
  out.width = w;
  out.height = h;
  out.sequence = before;
  MemoryBarrier();
  return share.sequence == before;
}

bool SharedPictureStillValid(const ButtonShare& share, const SharedPicture& picture) {
  MemoryBarrier();
  return share.sequence == picture.sequence;
}

bool ShareListsWindow(const ButtonShare& share, HWND window) {
  const LONG before = share.sequence;
  if (before & 1) return false;
  MemoryBarrier();
  const bool listed = Listed(share, window);
  MemoryBarrier();
  return listed && share.sequence == before;
}

}  // namespace corvel
