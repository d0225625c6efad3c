#include "platform/XdgBrowser.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace vo {

namespace {

struct ExecWord
{
    QString text;
    bool quoted = false;
};

// Splits an Exec line into words: blanks separate, double quotes group, and a backslash takes
// the next character literally.
QList<ExecWord> execWords(const QString &line)
{
    QList<ExecWord> words;
    qsizetype i = 0;
    const qsizetype size = line.size();
    while (i < size) {
        while (i < size && (line.at(i) == u' ' || line.at(i) == u'\t'))
            ++i;
        if (i == size)
            break;
        ExecWord word;
        bool inQuotes = false;
        while (i < size && (inQuotes || (line.at(i) != u' ' && line.at(i) != u'\t'))) {
            const QChar c = line.at(i);
            if (c == u'\\' && i + 1 < size) {
                word.text += line.at(i + 1);
                i += 2;
                continue;
            }
            if (c == u'"') {
                inQuotes = !inQuotes;
                word.quoted = true;
            } else {
                word.text += c;
            }
            ++i;
        }
        words.append(word);
    }
    return words;
}

bool isAddressCode(QChar code)
{
    return code == u'u' || code == u'U' || code == u'f' || code == u'F';
}

// Desktop-entry string values escape blanks and control characters with a backslash.
QString unescapeValue(const QString &value)
{
    QString plain;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value.at(i) != u'\\' || i + 1 == value.size()) {
            plain += value.at(i);
            continue;
        }
        const QChar next = value.at(++i);
        if (next == u's') {
            plain += u' ';
        } else if (next == u'n') {
            plain += u'\n';
        } else if (next == u't') {
            plain += u'\t';
        } else if (next == u'r') {
            plain += u'\r';
        } else if (next == u'\\') {
            plain += u'\\';
        } else {
            plain += u'\\';
            plain += next;
        }
    }
    return plain;
}

// The value of a key in a group of an INI-style freedesktop file (mimeapps.list, .desktop).
std::optional<QString> freedesktopValue(const QString &fileName, QStringView group, QStringView key)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(u'\n');
    QString currentGroup;
    for (const QString &rawLine : lines) {
        const QString line = rawLine.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            currentGroup = line.mid(1, line.size() - 2);
            continue;
        }
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0 && currentGroup == group && QStringView(line).first(equals).trimmed() == key)
            return line.mid(equals + 1).trimmed();
    }
    return std::nullopt;
}

QString environmentOr(const char *name, const QString &fallback)
{
    const QString value = qEnvironmentVariable(name);
    return value.isEmpty() ? fallback : value;
}

QStringList folderList(const char *name, const QString &fallback)
{
    return environmentOr(name, fallback).split(u':', Qt::SkipEmptyParts);
}

QString dataHome()
{
    return environmentOr("XDG_DATA_HOME", QDir::homePath() + QStringLiteral("/.local/share"));
}

QStringList dataDirs()
{
    return folderList("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"));
}

// Where the desktop keeps its default applications, most personal first.
QStringList mimeAppsFiles()
{
    QStringList folders{environmentOr("XDG_CONFIG_HOME", QDir::homePath() + QStringLiteral("/.config"))};
    folders += folderList("XDG_CONFIG_DIRS", QStringLiteral("/etc/xdg"));
    folders += dataHome() + QStringLiteral("/applications");
    for (const QString &folder : dataDirs())
        folders += folder + QStringLiteral("/applications");

    const QStringList desktops = qEnvironmentVariable("XDG_CURRENT_DESKTOP").toLower().split(u':', Qt::SkipEmptyParts);
    QStringList files;
    for (const QString &folder : folders) {
        for (const QString &desktop : desktops)
            files += folder + u'/' + desktop + QStringLiteral("-mimeapps.list");
        files += folder + QStringLiteral("/mimeapps.list");
    }
    return files;
}

std::optional<QString> desktopEntryFile(const QString &id)
{
    QStringList folders{dataHome()};
    folders += dataDirs();
    for (const QString &folder : folders) {
        const QString candidate = folder + QStringLiteral("/applications/") + id;
        if (QFile::exists(candidate))
            return candidate;
    }
    return std::nullopt;
}

std::optional<ProgramCall> callFromDesktopEntry(const QString &id, const QString &address)
{
    const std::optional<QString> entry = desktopEntryFile(id);
    const std::optional<QString> exec = entry ? freedesktopValue(*entry, u"Desktop Entry", u"Exec") : std::nullopt;
    return exec ? callFromExecLine(unescapeValue(*exec), address) : std::nullopt;
}

std::optional<ProgramCall> callFromMimeApps(QStringView handler, const QString &address)
{
    for (const QString &file : mimeAppsFiles()) {
        const std::optional<QString> ids = freedesktopValue(file, u"Default Applications", handler);
        for (const QString &id : ids ? ids->split(u';', Qt::SkipEmptyParts) : QStringList()) {
            if (std::optional<ProgramCall> call = callFromDesktopEntry(id.trimmed(), address))
                return call;
        }
    }
    return std::nullopt;
}

// $BROWSER lists commands separated by colons; "%s" in one stands for the address.
std::optional<ProgramCall> callFromBrowserVariable(const QString &address)
{
    for (const QString &command : qEnvironmentVariable("BROWSER").split(u':', Qt::SkipEmptyParts)) {
        QStringList words = QProcess::splitCommand(command);
        if (words.isEmpty())
            continue;
        ProgramCall call{words.takeFirst(), {}};
        bool placed = false;
        for (const QString &word : std::as_const(words)) {
            // Only a word that is "%s" alone becomes the address. Inside a longer word, as in
            // sh -c 'browser %s', the address would be read by a shell: there it stays text.
            if (word != QLatin1String("%s")) {
                call.arguments += word;
            } else if (!address.isEmpty()) {
                call.arguments += address;
                placed = true;
            }
        }
        if (!placed && !address.isEmpty())
            call.arguments += address;
        return call;
    }
    return std::nullopt;
}

} // namespace

std::optional<ProgramCall> callFromExecLine(const QString &execLine, const QString &address)
{
    QStringList words;
    bool addressPlaced = false;
    for (const ExecWord &word : execWords(execLine)) {
        // A field code inside quotes is not one: it stays text and never brings in the address,
        // so a command such as sh -c "..." cannot be made to run part of an address.
        QString expanded;
        bool hadCode = false;
        for (qsizetype i = 0; i < word.text.size(); ++i) {
            const QChar c = word.text.at(i);
            if (c != u'%' || i + 1 == word.text.size()) {
                expanded += c;
                continue;
            }
            const QChar code = word.text.at(++i);
            if (code == u'%') {
                expanded += u'%';
            } else if (word.quoted) {
                expanded += u'%';
                expanded += code;
            } else {
                hadCode = true;
                if (isAddressCode(code) && !addressPlaced) {
                    expanded += address;
                    addressPlaced = true;
                }
            }
        }
        // The address is never part of the program's name: with a code there, the entry is
        // broken, and the next way of finding a browser is tried.
        if (hadCode && words.isEmpty())
            return std::nullopt;
        if (!(hadCode && expanded.isEmpty()))
            words += expanded;
    }
    if (words.isEmpty() || words.first().isEmpty())
        return std::nullopt;
    ProgramCall call{words.takeFirst(), words};
    if (!addressPlaced && !address.isEmpty())
        call.arguments += address;
    return call;
}

ProgramCall defaultBrowserCall(const QString &address)
{
    // A mail address goes to the mail program, which $BROWSER does not name.
    const bool mail = address.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive);
    if (std::optional<ProgramCall> call
        = callFromMimeApps(mail ? u"x-scheme-handler/mailto" : u"x-scheme-handler/http", address))
        return *call;
    if (std::optional<ProgramCall> call = mail ? std::nullopt : callFromBrowserVariable(address))
        return *call;
    ProgramCall call{QStringLiteral("xdg-open"), {}};
    if (!address.isEmpty())
        call.arguments += address;
    return call;
}

} // namespace vo
