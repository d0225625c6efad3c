// Opening an address on Linux: the default browser as the desktop's mimeapps.list and the
// desktop entry it names say, else $BROWSER, else xdg-open. The input writes those files and
// the variable and chooses the address; the program that would start is recorded, not run.
// Whatever the desktop says, the address reaches the program whole, as (part of) one argument,
// and only a web or mail address gets there at all (one without a scheme as an http address).
#include "FuzzSupport.h"

#include "platform/AnsiText.h"
#include "platform/Browser.h"
#include "platform/Launcher.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <optional>

namespace {

using namespace vo::fuzz;

// The address carries this byte and the desktop's files never do: every argument holding it
// came from the address.
constexpr char kAddressMark = '~';

class RecordingLauncher final : public vo::Launcher
{
public:
    bool startDetached(const QString &program, const QStringList &arguments) override
    {
        started = {program, arguments};
        return true;
    }
    bool openAddress(const QString &) override { return false; }

    std::optional<std::pair<QString, QStringList>> started;
};

// One folder for the whole run, set up as the desktop's configuration and data homes.
class Desktop
{
public:
    Desktop()
    {
        FUZZ_CHECK(folder_.isValid());
        const QDir root(folder_.path());
        FUZZ_CHECK(root.mkpath(QStringLiteral("config")) && root.mkpath(QStringLiteral("data/applications")));
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(root.filePath(QStringLiteral("config"))));
        qputenv("XDG_CONFIG_DIRS", QFile::encodeName(root.filePath(QStringLiteral("none"))));
        qputenv("XDG_DATA_HOME", QFile::encodeName(root.filePath(QStringLiteral("data"))));
        qputenv("XDG_DATA_DIRS", QFile::encodeName(root.filePath(QStringLiteral("none"))));
        qunsetenv("XDG_CURRENT_DESKTOP");
    }

    void write(const QByteArray &mimeApps, const QByteArray &desktopEntry, const QByteArray &browser) const
    {
        put(folder_.filePath(QStringLiteral("config/mimeapps.list")), mimeApps);
        put(folder_.filePath(QStringLiteral("data/applications/fz.desktop")), desktopEntry);
        qputenv("BROWSER", browser);
    }

private:
    static void put(const QString &fileName, const QByteArray &bytes)
    {
        QFile file(fileName);
        FUZZ_CHECK(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        FUZZ_CHECK(file.write(bytes) == bytes.size());
    }

    QTemporaryDir folder_;
};

QByteArray withoutMark(QByteArray text)
{
    return text.replace(kAddressMark, "");
}

bool isWebOrMail(const QString &address)
{
    for (const char *scheme : {"http://", "https://", "mailto:"}) {
        if (address.startsWith(QLatin1String(scheme), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const Desktop desktop;
    FuzzedDataProvider input(data, size);
    const QByteArray address = withoutMark(takeBytes(input, 128)) + kAddressMark;
    const QByteArray browser = withoutMark(takeBytes(input, 128));
    const QByteArray mimeApps = withoutMark(takeBytes(input, 512));
    const QByteArray desktopEntry = withoutMark(restOf(input));
    // A NUL cannot be in an environment variable; the variable ends there.
    desktop.write(mimeApps, desktopEntry, browser.left(browser.indexOf('\0')));

    RecordingLauncher recorder;
    const vo::ScopedLauncher scope(recorder);
    const bool opened = vo::OpenURL(address);
    const QString typed = vo::ansi::toUnicode(address);
    FUZZ_CHECK(opened == recorder.started.has_value());
    // Web and mail addresses always go; one without a scheme goes as an http address, and only
    // when it begins with a letter or digit, so that nothing else ever reaches a program.
    FUZZ_CHECK(!isWebOrMail(typed) || opened);
    if (!opened)
        return 0;
    const QString text = isWebOrMail(typed) ? typed : QStringLiteral("http://") + typed;
    FUZZ_CHECK(isWebOrMail(typed) || (typed.front().unicode() < 0x80 && typed.front().isLetterOrNumber()));
    const auto &[program, arguments] = *recorder.started;
    FUZZ_CHECK(!program.isEmpty() && !program.contains(QLatin1Char(kAddressMark)));
    int carriers = 0;
    for (const QString &argument : arguments) {
        if (!argument.contains(QLatin1Char(kAddressMark)))
            continue;
        ++carriers;
        // The whole address, never a piece of it; and as only web and mail addresses pass,
        // none of it can be read as an option.
        FUZZ_CHECK(argument.count(QLatin1Char(kAddressMark)) == 1 && argument.contains(text));
    }
    FUZZ_CHECK(carriers == 1);
    return 0;
}
