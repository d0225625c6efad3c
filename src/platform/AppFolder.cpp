#include "platform/AppFolder.h"

#include <QCoreApplication>
#include <QDir>

namespace vo {

AppFolder::AppFolder(const QString &folder)
    : folder_(QDir::cleanPath(folder))
{
    if (!folder_.endsWith(QLatin1Char('/')))
        folder_ += QLatin1Char('/');
}

AppFolder AppFolder::ofRunningProgram()
{
    return AppFolder(QCoreApplication::applicationDirPath());
}

} // namespace vo
