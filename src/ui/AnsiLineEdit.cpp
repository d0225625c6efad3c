#include "ui/AnsiLineEdit.h"

#include "platform/AnsiText.h"

#include <QApplication>
#include <QToolTip>

namespace vo {

QValidator::State AnsiLineValidator::validate(QString &input, int &pos) const
{
    for (qsizetype i = 0; i < input.size(); ++i) {
        if (ansi::canEncode(input.at(i)))
            continue;
        // A character beyond the first plane comes as two halves; name it whole.
        const bool pair = input.at(i).isHighSurrogate() && i + 1 < input.size() && input.at(i + 1).isLowSurrogate();
        Q_EMIT characterRefused(input.mid(i, pair ? 2 : 1));
        return Invalid;
    }
    for (qsizetype i = input.size() - 1; i >= 0; --i) {
        if (input.at(i) == QLatin1Char('\r') || input.at(i) == QLatin1Char('\n')) {
            input.remove(i, 1);
            if (i < pos)
                --pos;
        }
    }
    return Acceptable;
}

AnsiLineEdit::AnsiLineEdit(QWidget *parent)
    : QLineEdit(parent)
{
    auto *validator = new AnsiLineValidator(this);
    connect(validator, &AnsiLineValidator::characterRefused, this, &AnsiLineEdit::tellRefused);
    setValidator(validator);
}

void AnsiLineEdit::tellRefused(const QString &character)
{
    QApplication::beep();
    const QString code = QString::number(character.toUcs4().value(0), 16).toUpper().rightJustified(4, u'0');
    QToolTip::showText(mapToGlobal(cursorRect().bottomLeft()),
                       QStringLiteral("\"%1\" (U+%2) cannot be used here: this box keeps only Western European "
                                      "(Windows-1252) characters.")
                           .arg(character, code),
                       this);
}

QByteArray AnsiLineEdit::bytes() const
{
    // The validator keeps the text encodable; only a caller bypassing it with setText could
    // break that, and then the odd character becomes '?' rather than vanishing.
    const QString current = text();
    if (auto encoded = ansi::fromUnicode(current))
        return *encoded;
    QByteArray out;
    for (const QChar c : current)
        out.append(ansi::canEncode(c) ? ansi::fromUnicode(QStringView(&c, 1))->front() : '?');
    return out;
}

void AnsiLineEdit::setBytes(const QByteArray &bytes)
{
    setText(ansi::toUnicode(bytes));
}

} // namespace vo
