#include "platform/Launcher.h"

#ifdef Q_OS_WIN
#include "platform/Browser.h"

#include <qt_windows.h>
#include <shellapi.h>
#else
#include <QProcess>
#endif

namespace vo {

namespace {

#ifdef Q_OS_WIN
// The arguments as they stand, joined by single spaces; only one that would not arrive whole
// (empty, or holding a blank, a tab or a double quote: an address with a blank) is quoted.
QString windowsParameters(const QStringList &arguments)
{
    QStringList words;
    for (const QString &argument : arguments) {
        const bool whole = !argument.isEmpty() && !argument.contains(u' ') && !argument.contains(u'\t')
                        && !argument.contains(u'"');
        words += whole ? argument : windowsQuotedArgument(argument);
    }
    return words.join(u' ');
}
#endif

class SystemLauncher final : public Launcher
{
public:
    bool startDetached(const QString &program, const QStringList &arguments) override
    {
#ifdef Q_OS_WIN
        const QString parameters = windowsParameters(arguments);
        const auto instance = ShellExecuteW(nullptr, L"open", reinterpret_cast<LPCWSTR>(program.utf16()),
                                            reinterpret_cast<LPCWSTR>(parameters.utf16()), nullptr, SW_SHOW);
        // Values above 32 mean success, as the shell has always reported it.
        return reinterpret_cast<INT_PTR>(instance) > 32;
#else
        return QProcess::startDetached(program, arguments);
#endif
    }

    bool openAddress(const QString &address) override
    {
#ifdef Q_OS_WIN
        const auto instance = ShellExecuteW(nullptr, L"open", reinterpret_cast<LPCWSTR>(address.utf16()),
                                            nullptr, nullptr, SW_SHOWNORMAL);
        return reinterpret_cast<INT_PTR>(instance) > 32;
#else
        return QProcess::startDetached(QStringLiteral("xdg-open"), {address});
#endif
    }
};

Launcher *&current()
{
    static SystemLauncher system;
    static Launcher *inUse = &system;
    return inUse;
}

} // namespace

Launcher &launcher()
{
    return *current();
}

ScopedLauncher::ScopedLauncher(Launcher &replacement)
    : previous_(current())
{
    current() = &replacement;
}

ScopedLauncher::~ScopedLauncher()
{
    current() = previous_;
}

} // namespace vo
