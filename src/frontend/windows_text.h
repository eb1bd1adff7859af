// UTF-8 text, as the tool keeps paths and console lines, to and from the
// UTF-16 that the Windows API takes. Windows only.
#ifndef QUORLIN_FRONTEND_WINDOWS_TEXT_H_
#define QUORLIN_FRONTEND_WINDOWS_TEXT_H_
#ifdef _WIN32

#include <string>

namespace quorlin {

std::wstring Widen(const std::string& utf8);
std::string Narrow(const std::wstring& utf16);

// The text of a Windows error code, such as "Access is denied", without the
// line break and full stop that Windows puts at its end.
std::string WindowsErrorText(unsigned long code);

}  // namespace quorlin

#endif  // _WIN32
#endif  // QUORLIN_FRONTEND_WINDOWS_TEXT_H_
