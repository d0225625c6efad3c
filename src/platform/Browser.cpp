#include "platform/Browser.h"

#include "platform/AnsiText.h"
#include "platform/Launcher.h"

#include <QRegularExpression>

#ifdef Q_OS_WIN
#include <qt_windows.h>

#include <string>
#else
#include "platform/XdgBrowser.h"
#endif

namespace vo {

using namespace Qt::StringLiterals;

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

std::optional<QString> browsableAddress(QStringView address)
{
    for (const QLatin1StringView scheme : {"http://"_L1, "https://"_L1, "mailto:"_L1}) {
        if (address.startsWith(scheme, Qt::CaseInsensitive))
            return address.toString();
    }
    // A scheme is letters, digits, "+" and "-" before a colon; a host name has dots, and a name
    // followed by a port number ("localhost:8080") is a host too.
    static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+-]*:(?![0-9]+(/|$))"));
    const bool hostFirst = !address.isEmpty() && address.front().isLetterOrNumber() && address.front().unicode() < 0x80;
    if (hostFirst && !scheme.match(address).hasMatch())
        return QStringLiteral("http://") + address.toString();
    return std::nullopt;
}

QString windowsQuotedArgument(QStringView argument)
{
    QString quoted(u'"');
    qsizetype backslashes = 0;
    for (const QChar c : argument) {
        if (c == u'\\') {
            ++backslashes;
            continue;
        }
        // Backslashes are literal unless a quote follows them: then each one is doubled.
        const qsizetype doubled = c == u'"' ? 2 * backslashes + 1 : backslashes;
        quoted += QString(doubled, u'\\');
        quoted += c;
        backslashes = 0;
    }
    quoted += QString(2 * backslashes, u'\\');
    quoted += u'"';
    return quoted;
}

bool OpenURL(const QByteArray &address)
{
    const std::optional<QString> browsable
        = address.isEmpty() ? std::optional<QString>(QString()) : browsableAddress(ansi::toUnicode(address));
    if (!browsable)
        return false;
    const QString &text = *browsable;
#ifdef Q_OS_WIN
    const std::optional<QString> program = browserProgramFromCommand(registeredHttpCommand());
    if (!program)
        return false;
    launcher().startDetached(*program, text.isEmpty() ? QStringList() : QStringList{text});
#else
    // No registry here, and file names are case-sensitive: the desktop's own default browser
    // is started as its desktop entry says.
    const ProgramCall call = defaultBrowserCall(text);
    launcher().startDetached(call.program, call.arguments);
#endif
    return true;
}

bool OpenLinkAddress(const QByteArray &address)
{
#ifdef Q_OS_WIN
    const std::optional<QString> browsable = browsableAddress(ansi::toUnicode(address));
    return browsable && launcher().openAddress(*browsable);
#else
    return OpenURL(address);
#endif
}

} // namespace vo
