#pragma once

#include <QString>

#ifdef Q_OS_WIN
#include "platform/WindowsFiles.h"

// Before windows.h, as the suites that use sockets need it.
#include <winsock2.h>

#include <qt_windows.h>
#endif

namespace vo::test {

// The system's words for a file that does not exist, as an error of the console quotes them.
inline QString missingFileText()
{
#ifdef Q_OS_WIN
    return win::errorText(ERROR_FILE_NOT_FOUND);
#else
    return QStringLiteral("No such file or directory");
#endif
}

// True when the suite runs under Wine rather than Windows, for the few things Wine does not do
// as Windows does.
inline bool underWine()
{
#ifdef Q_OS_WIN
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
#else
    return false;
#endif
}

} // namespace vo::test
