#include "platform/AppError.h"

#include <QDir>

namespace vo {

namespace {
QString fileErrorText(const char *what, const QString &fileName, const QString &cause)
{
    return QString::fromLatin1(what) + QLatin1Char('"') + QDir::toNativeSeparators(fileName)
         + QLatin1String("\". ") + cause;
}
} // namespace

EFOpenError cannotOpenFile(const QString &fileName, const QString &cause)
{
    return EFOpenError(fileErrorText("Cannot open file ", fileName, cause));
}

EFCreateError cannotCreateFile(const QString &fileName, const QString &cause)
{
    return EFCreateError(fileErrorText("Cannot create file ", fileName, cause));
}

EWriteError streamWriteError()
{
    return EWriteError(QStringLiteral("Stream write error"));
}

} // namespace vo
