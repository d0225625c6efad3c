#include "settings/SettingsStore.h"

#include "platform/AppError.h"
#include "platform/WholeFile.h"
#include "settings/ProfileIni.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace vo {

namespace {

constexpr QByteArrayView kSection = "Settings";

// The values stand inside PHP double-quoted strings: escaping "\", '"' and "$" makes PHP read
// back exactly the bytes typed (a '"' would end the string, a "$" start a variable).
QByteArray phpDoubleQuoted(const QByteArray &value)
{
    QByteArray out;
    out.reserve(value.size());
    for (const char c : value) {
        if (c == '\\' || c == '"' || c == '$')
            out.append('\\');
        out.append(c);
    }
    return out;
}

QByteArray phpLine(QByteArrayView variable, const QByteArray &value)
{
    return QByteArrayLiteral("  $") + variable.toByteArray() + QByteArrayLiteral("=\"") + phpDoubleQuoted(value)
         + QByteArrayLiteral("\";\r\n");
}

QByteArray readFileOrEmpty(const QString &fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

void LoadServerSettings(const AppFolder &folder, ServerSettings &settings)
{
    const QString fileName = folder.file(kSettingsFileName);
    if (!QFileInfo::exists(fileName))
        return;
    const ProfileIni ini(readFileOrEmpty(fileName));
    settings.swebserver = ini.readString(kSection, "swebserver");
    settings.shostname = ini.readString(kSection, "shostname");
    settings.sdatabase = ini.readString(kSection, "sdatabase");
    settings.susername = ini.readString(kSection, "susername");
    settings.spassword = ini.readString(kSection, "spassword");
    settings.sExpireTimeout = ini.readInteger(kSection, "sExpireTimeout");
    settings.sMaxDownloads = ini.readInteger(kSection, "sMaxDownloads");
    settings.sMaxIPs = ini.readInteger(kSection, "sMaxIPs");
    settings.sSecretKey = ini.readString(kSection, "sSecretKey");
}

QByteArray BuildConfigPhp(const ServerSettings &settings)
{
    QByteArray php = QByteArrayLiteral("<?php\r\n");
    php += phpLine("hostname", settings.shostname);
    php += phpLine("database", settings.sdatabase);
    php += phpLine("username", settings.susername);
    php += phpLine("password", settings.spassword);
    php += phpLine("sExpireTimeout", QByteArray::number(settings.sExpireTimeout));
    php += phpLine("sMaxDownloads", QByteArray::number(settings.sMaxDownloads));
    php += phpLine("sMaxIPs", QByteArray::number(settings.sMaxIPs));
    php += phpLine("sSecretKey", settings.sSecretKey);
    php += QByteArrayLiteral("?>\r\n");
    return php;
}

void SaveServerSettings(const AppFolder &folder, const ServerSettings &settings)
{
    const QString settingsName = folder.file(kSettingsFileName);
    // Hand-made sections, keys and comments of an existing file survive the rewrite.
    ProfileIni ini(readFileOrEmpty(settingsName));
    ini.writeString(kSection, "swebserver", settings.swebserver);
    ini.writeString(kSection, "shostname", settings.shostname);
    ini.writeString(kSection, "sdatabase", settings.sdatabase);
    ini.writeString(kSection, "susername", settings.susername);
    ini.writeString(kSection, "spassword", settings.spassword);
    ini.writeInteger(kSection, "sExpireTimeout", settings.sExpireTimeout);
    ini.writeInteger(kSection, "sMaxDownloads", settings.sMaxDownloads);
    ini.writeInteger(kSection, "sMaxIPs", settings.sMaxIPs);
    ini.writeString(kSection, "sSecretKey", settings.sSecretKey);
    if (!WholeFile::write(settingsName, ini.toBytes()).ok())
        throw EIniFileError(QStringLiteral("Unable to write to %1").arg(QDir::toNativeSeparators(settingsName)));

    const QString phpName = folder.file(kConfigPhpFileName);
    const WholeFile::Result written = WholeFile::write(phpName, BuildConfigPhp(settings));
    if (written.outcome == WholeFile::Outcome::CreateFailed)
        throw cannotCreateFile(phpName, written.systemText);
    if (written.outcome == WholeFile::Outcome::WriteFailed)
        throw streamWriteError();
}

} // namespace vo
