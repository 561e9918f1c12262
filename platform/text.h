// Text in the system's code page and in UTF-16, and window titles read in full where the system
// can tell them: the W calls on NT systems, the code page on Windows 95 to Me.
#pragma once
#include <windows.h>
#include <string>

namespace corvel {

// Whether the system speaks UTF-16 (every NT system); Windows 95 to Me have the code page only.
bool UnicodeSystem();

// Between the system's code page and UTF-16. `lossless`, when given, tells whether every
// character had a place in the code page (no best-fit look-alikes).
std::wstring Widen(const std::string& ansi);
std::string Narrow(const std::wstring& wide, bool* lossless = nullptr);
std::string ToUtf8(const std::wstring& wide);
std::wstring FromUtf8(const std::string& utf8, bool* valid = nullptr);

// At most `maxChars` UTF-16 units, never half of a surrogate pair.
std::wstring CutWide(const std::wstring& text, size_t maxChars);
// At most `maxBytes` bytes of code-page text, never half of a double-byte character.
std::string CutAnsi(const std::string& text, size_t maxBytes);

// A path the ANSI calls can open: in the code page, or in its short form where a name leaves the
// code page; "" where neither serves.
std::string AnsiPath(const std::wstring& path);

// A window's title, at most `maxChars` characters.
std::wstring WindowTitle(HWND window, size_t maxChars);

// Drawing and measuring UTF-16 text on any system.
int DrawTextWide(HDC dc, const std::wstring& text, RECT* rect, UINT format);
SIZE TextExtentWide(HDC dc, const std::wstring& text);

}  // namespace corvel
