#include "ui/ErrorReporter.h"

#include "platform/AppError.h"
#include "ui/MessageBox.h"

namespace vo {

void reportError(const QString &text)
{
    TMessageBox().execute(TMessageBox::Kind::Error, text);
}

void reportException(const std::exception &error)
{
    if (const auto *appError = dynamic_cast<const AppError *>(&error))
        reportError(appError->text());
    else
        reportError(QString::fromLocal8Bit(error.what()));
}

} // namespace vo
