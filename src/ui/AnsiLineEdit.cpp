#include "ui/AnsiLineEdit.h"

#include "platform/AnsiText.h"

namespace vo {

QValidator::State AnsiLineValidator::validate(QString &input, int &pos) const
{
    for (qsizetype i = input.size() - 1; i >= 0; --i) {
        const QChar c = input.at(i);
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            input.remove(i, 1);
            if (i < pos)
                --pos;
        } else if (!ansi::canEncode(c)) {
            return Invalid;
        }
    }
    return Acceptable;
}

AnsiLineEdit::AnsiLineEdit(QWidget *parent)
    : QLineEdit(parent)
{
    setValidator(new AnsiLineValidator(this));
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
