#pragma once

#include <QByteArray>
#include <QLineEdit>
#include <QValidator>

namespace vo {

// Accepts what a one-line Windows-1252 value can hold. A line break would split a line of the
// settings file and invent or lose keys, so a pasted one is dropped; a character without a
// Windows-1252 byte is refused as it is typed, never replaced behind the seller's back.
class AnsiLineValidator : public QValidator
{
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override;

Q_SIGNALS:
    // The first character of a refused input that has no Windows-1252 byte.
    void characterRefused(const QString &character) const;
};

class AnsiLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit AnsiLineEdit(QWidget *parent = nullptr);

    QByteArray bytes() const;
    void setBytes(const QByteArray &bytes);

private:
    // A refused character must not simply vanish: the seller hears it and reads which it was.
    void tellRefused(const QString &character);
};

} // namespace vo
