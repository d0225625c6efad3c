#pragma once

#include <QByteArray>
#include <QLineEdit>
#include <QStringList>
#include <QValidator>

namespace vo {

// Accepts what a one-line Windows-1252 value can hold. A line break would split a line of the
// settings file and invent or lose keys, so a pasted one is dropped; a character without a
// Windows-1252 byte is dropped too, typed or pasted, and named to the seller, never replaced
// behind the seller's back.
class AnsiLineValidator : public QValidator
{
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override;

Q_SIGNALS:
    // The characters without a Windows-1252 byte that an input lost, in their order.
    void charactersDropped(const QStringList &characters) const;
};

class AnsiLineEdit : public QLineEdit
{
    Q_OBJECT
public:
    explicit AnsiLineEdit(QWidget *parent = nullptr);

    QByteArray bytes() const;
    void setBytes(const QByteArray &bytes);

private:
    // A dropped character must not simply vanish: the seller hears it and reads which it was.
    void tellDropped(const QStringList &characters);
};

} // namespace vo
