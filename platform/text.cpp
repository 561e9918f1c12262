#include "platform/text.h"
#include <vector>

namespace corvel {

namespace {

bool IsHighSurrogate(wchar_t c) { return c >= 0xD800 && c <= 0xDBFF; }

std::wstring ToWide(UINT codePage, const std::string& text, DWORD flags, bool* valid) {
  if (valid) *valid = true;
  if (text.empty()) return std::wstring();
  const int n = MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0);
  if (n <= 0) {
    if (valid) *valid = false;
    return std::wstring();
  }
  std::wstring out(static_cast<size_t>(n), L'\0');
  MultiByteToWideChar(codePage, flags, text.data(), static_cast<int>(text.size()), &out[0], n);
  return out;
}

std::string FromWide(UINT codePage, const std::wstring& text, DWORD flags, BOOL* usedDefault) {
  if (text.empty()) return std::string();
  const int n = WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                    nullptr);
  if (n <= 0) return std::string();
  std::string out(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(codePage, flags, text.data(), static_cast<int>(text.size()), &out[0], n, nullptr, usedDefault);
  return out;
}

}  // namespace

bool UnicodeSystem() {
  static const bool nt = (GetVersion() & 0x80000000u) == 0;
  return nt;
}

std::wstring Widen(const std::string& ansi) { return ToWide(CP_ACP, ansi, 0, nullptr); }

std::string Narrow(const std::wstring& wide, bool* lossless) {
  BOOL usedDefault = FALSE;
  // Windows 95 to Me know no WC_NO_BEST_FIT_CHARS; their text came from the code page anyway.
  const DWORD flags = UnicodeSystem() ? WC_NO_BEST_FIT_CHARS : 0;
  std::string out = FromWide(CP_ACP, wide, flags, lossless ? &usedDefault : nullptr);
  if (lossless) *lossless = !usedDefault && (wide.empty() || !out.empty());
  return out;
}

std::string ToUtf8(const std::wstring& wide) { return FromWide(CP_UTF8, wide, 0, nullptr); }

std::wstring FromUtf8(const std::string& utf8, bool* valid) {
  return ToWide(CP_UTF8, utf8, MB_ERR_INVALID_CHARS, valid);
}

std::wstring CutWide(const std::wstring& text, size_t maxChars) {
  if (text.size() <= maxChars) return text;
  size_t n = maxChars;
  if (n > 0 && IsHighSurrogate(text[n - 1])) --n;
  return text.substr(0, n);
}

std::string CutAnsi(const std::string& text, size_t maxBytes) {
  if (text.size() <= maxBytes) return text;
  size_t end = 0;
  while (end < maxBytes) {
    const size_t step = IsDBCSLeadByte(static_cast<BYTE>(text[end])) ? 2 : 1;
    if (end + step > maxBytes) break;
    end += step;
  }
  return text.substr(0, end);
}

std::string AnsiPath(const std::wstring& path) {
  bool lossless = false;
  std::string ansi = Narrow(path, &lossless);
  if (lossless) return ansi;
  const DWORD n = GetShortPathNameW(path.c_str(), nullptr, 0);
  if (n == 0) return std::string();
  std::vector<wchar_t> shortPath(n + 1);
  const DWORD got = GetShortPathNameW(path.c_str(), shortPath.data(), n + 1);
  if (got == 0 || got > n) return std::string();
  ansi = Narrow(std::wstring(shortPath.data(), got), &lossless);
  return lossless ? ansi : std::string();
}

std::wstring WindowTitle(HWND window, size_t maxChars) {
  if (UnicodeSystem()) {
    // One more than asked, so that a cut never leaves half of a surrogate pair.
    std::vector<wchar_t> buffer(maxChars + 2, L'\0');
    GetWindowTextW(window, buffer.data(), static_cast<int>(buffer.size()));
    return CutWide(buffer.data(), maxChars);
  }
  std::vector<char> buffer(maxChars + 1, '\0');
  GetWindowTextA(window, buffer.data(), static_cast<int>(buffer.size()));
  return Widen(buffer.data());
}

int DrawTextWide(HDC dc, const std::wstring& text, RECT* rect, UINT format) {
  if (UnicodeSystem()) return DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), rect, format);
  const std::string ansi = Narrow(text);
  return DrawTextA(dc, ansi.c_str(), static_cast<int>(ansi.size()), rect, format);
}

SIZE TextExtentWide(HDC dc, const std::wstring& text) {
  SIZE size{};
  if (UnicodeSystem()) {
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
  } else {
    const std::string ansi = Narrow(text);
    GetTextExtentPoint32A(dc, ansi.c_str(), static_cast<int>(ansi.size()), &size);
  }
  return size;
}

}  // namespace corvel
