#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

namespace vo {

// An error whose text the seller is meant to read. Thrown where a file operation fails and
// caught only by the top-level error handler, which shows the text and lets the program go on.
class AppError : public std::exception
{
public:
    explicit AppError(QString text) : text_(std::move(text)), utf8_(text_.toUtf8()) {}

    const QString &text() const noexcept { return text_; }
    const char *what() const noexcept override { return utf8_.constData(); }

private:
    QString text_;
    QByteArray utf8_;
};

// The kinds below let callers and tests tell causes apart; the text is what the user sees.
class EFOpenError : public AppError { using AppError::AppError; };
class EFCreateError : public AppError { using AppError::AppError; };
class EWriteError : public AppError { using AppError::AppError; };
class EIniFileError : public AppError { using AppError::AppError; };
class EConvertError : public AppError { using AppError::AppError; };

// "Cannot open file "<name>". <cause>"
[[nodiscard]] EFOpenError cannotOpenFile(const QString &fileName, const QString &cause);
// "Cannot create file "<name>". <cause>"
[[nodiscard]] EFCreateError cannotCreateFile(const QString &fileName, const QString &cause);
// "Stream write error"
[[nodiscard]] EWriteError streamWriteError();

} // namespace vo
