#include "update/UpdateDescription.h"

#include "branding/Branding.h"
#include "settings/ProfileIni.h"

#include <QLocale>
#include <QString>

#include <cmath>

namespace vo {

namespace {

// The update site writes "2.01"; a comma or a thousands separator is no version.
QLocale versionLocale()
{
    QLocale locale = QLocale::c();
    locale.setNumberOptions(QLocale::OmitGroupSeparator | QLocale::RejectGroupSeparator);
    return locale;
}

} // namespace

QByteArray DescriptionVersionText(const QByteArray &fileBytes)
{
    return ProfileIni(fileBytes).readString("APPLICATION", "Version");
}

float serverVersionOf(const QByteArray &versionText)
{
    bool ok = false;
    const float version = versionLocale().toFloat(QString::fromLatin1(versionText), &ok);
    // toFloat reads "nan" and "inf" as numbers; neither is a version.
    return ok && std::isfinite(version) ? version : 0.0f;
}

bool IsNewerThanProgram(const QByteArray &versionText)
{
    const double programVersion = versionLocale().toDouble(QString::fromLatin1(ProgramVersion));
    return programVersion < double(serverVersionOf(versionText));
}

} // namespace vo
