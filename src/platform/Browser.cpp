#include "platform/Browser.h"

#include "platform/AnsiText.h"
#include "platform/Launcher.h"

#ifdef Q_OS_WIN
#include <qt_windows.h>

#include <string>
#else
#include "platform/XdgBrowser.h"
#endif

namespace vo {

namespace {

#ifdef Q_OS_WIN
// The default value of HKEY_CLASSES_ROOT\http\shell\open\command, read with query access only
// so the key is never created; empty when it cannot be read. (The native call takes the path
// without the leading backslash that the registry wrappers accept.)
QString registeredHttpCommand()
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CLASSES_ROOT, L"http\\shell\\open\\command", 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return {};
    QString command;
    DWORD type = 0;
    DWORD bytes = 0;
    if (RegQueryValueExW(key, nullptr, nullptr, &type, nullptr, &bytes) == ERROR_SUCCESS
        && (type == REG_SZ || type == REG_EXPAND_SZ) && bytes > 0) {
        std::wstring buffer(bytes / sizeof(wchar_t) + 1, L'\0');
        if (RegQueryValueExW(key, nullptr, nullptr, &type, reinterpret_cast<LPBYTE>(buffer.data()), &bytes)
            == ERROR_SUCCESS) {
            // The stored value need not end with a terminator; the extra one above covers it.
            command = QString::fromWCharArray(buffer.c_str());
        }
    }
    RegCloseKey(key);
    return command;
}
#endif

} // namespace

std::optional<QString> browserProgramFromCommand(const QString &command)
{
    QString program = command;
    for (QChar &c : program) {
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() - u'A' + u'a');
    }
    if (program.isEmpty())
        return std::nullopt;
    const QLatin1String exe(".exe");
    const qsizetype cut = program.indexOf(exe);
    program = (cut < 0 ? QString() : program.left(cut)) + exe;
    program.remove(u'"');
    return program;
}

bool OpenURL(const QByteArray &address)
{
    const QString text = ansi::toUnicode(address);
#ifdef Q_OS_WIN
    const std::optional<QString> program = browserProgramFromCommand(registeredHttpCommand());
    if (!program)
        return false;
    launcher().startDetached(*program, {text});
#else
    // No registry here, and file names are case-sensitive: the desktop's own default browser
    // is started as its desktop entry says.
    const ProgramCall call = defaultBrowserCall(text);
    launcher().startDetached(call.program, call.arguments);
#endif
    return true;
}

} // namespace vo
