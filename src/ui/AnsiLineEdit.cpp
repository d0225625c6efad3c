#include "ui/AnsiLineEdit.h"

#include "platform/AnsiText.h"

#include <QApplication>
#include <QToolTip>

#include <limits>

namespace vo {

QValidator::State AnsiLineValidator::validate(QString &input, int &pos) const
{
    // What Windows-1252 cannot hold is dropped, and the rest kept: a pasted text loses only
    // those characters, a typed one is simply not taken.
    QStringList dropped;
    for (qsizetype i = input.size() - 1; i >= 0; --i) {
        const QChar c = input.at(i);
        const bool lineBreak = c == QLatin1Char('\r') || c == QLatin1Char('\n');
        if (!lineBreak && ansi::canEncode(c))
            continue;
        // A character beyond the first plane comes as two halves; it goes, and is named, whole.
        const bool pair = c.isLowSurrogate() && i > 0 && input.at(i - 1).isHighSurrogate();
        const qsizetype from = pair ? i - 1 : i;
        const qsizetype length = pair ? 2 : 1;
        if (!lineBreak)
            dropped.prepend(input.mid(from, length));
        input.remove(from, length);
        if (from < pos)
            pos -= int(qMin<qsizetype>(length, pos - from));
        i = from;
    }
    if (!dropped.isEmpty())
        Q_EMIT charactersDropped(dropped);
    return Acceptable;
}

AnsiLineEdit::AnsiLineEdit(QWidget *parent)
    : QLineEdit(parent)
{
    auto *validator = new AnsiLineValidator(this);
    connect(validator, &AnsiLineValidator::charactersDropped, this, &AnsiLineEdit::tellDropped);
    setValidator(validator);
    // A value may be as long as the seller needs, not the 32767 characters a line edit allows.
    setMaxLength(std::numeric_limits<int>::max());
}

void AnsiLineEdit::tellDropped(const QStringList &characters)
{
    QApplication::beep();
    QStringList named;
    for (const QString &character : characters) {
        const QString code = QString::number(character.toUcs4().value(0), 16).toUpper().rightJustified(4, u'0');
        const QString name = QStringLiteral("\"%1\" (U+%2)").arg(character, code);
        if (!named.contains(name))
            named << name;
    }
    QToolTip::showText(mapToGlobal(cursorRect().bottomLeft()),
                       named.join(QStringLiteral(", "))
                           + QStringLiteral(" cannot be used here: this box keeps only Western European "
                                            "(Windows-1252) characters."),
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
