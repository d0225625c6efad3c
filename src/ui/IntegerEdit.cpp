#include "ui/IntegerEdit.h"

#include "platform/AppError.h"
#include "ui/ErrorReporter.h"

#include <QApplication>
#include <QKeyEvent>

#include <limits>

namespace vo {

namespace {

// Keys that edit or move within the text are told by their code: X11 gives Delete the
// character 0x7F and Backspace 0x08, other systems give them none.
bool isEditingKey(int key)
{
    switch (key) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Insert:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return true;
    default:
        return false;
    }
}

bool isAcceptedKey(const QKeyEvent &event)
{
    if (event.key() == Qt::Key_Return || event.key() == Qt::Key_Enter)
        return false;
    if (isEditingKey(event.key()))
        return true;
    const QString text = event.text();
    // Modifier and function keys carry no character and are never refused.
    if (text.isEmpty())
        return true;
    if (text.size() != 1)
        return false;
    const char16_t c = text.front().unicode();
    if (c == u'\r' || c == u'\n') // Ctrl+M and Ctrl+J are Enter too
        return false;
    const bool control = c < 0x20 || c == 0x7F;
    return (c >= u'0' && c <= u'9') || c == u'-' || control;
}

// Digits with at most one "-", and that only in front: the only texts that set the value.
bool looksLikeWholeNumber(const QString &text)
{
    if (text.isEmpty() || text == QLatin1String("-"))
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text.at(i).unicode();
        const bool digit = c >= u'0' && c <= u'9';
        if (!digit && !(c == u'-' && i == 0))
            return false;
    }
    return true;
}

} // namespace

TIntegerEdit::TIntegerEdit(QWidget *parent)
    : QLineEdit(QStringLiteral("0"), parent)
{
    connect(this, &QLineEdit::textChanged, this, &TIntegerEdit::textEdited);
}

void TIntegerEdit::setValue(qint32 value)
{
    value_ = value;
    setText(QString::number(value));
}

void TIntegerEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        event->ignore();
        return;
    }
    if (!isAcceptedKey(*event)) {
        QApplication::beep();
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TIntegerEdit::textEdited(const QString &text)
{
    if (!looksLikeWholeNumber(text))
        return;
    runGuarded([&] {
        bool ok = false;
        const qlonglong number = text.toLongLong(&ok);
        if (!ok || number < std::numeric_limits<qint32>::min() || number > std::numeric_limits<qint32>::max())
            throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(text));
        value_ = static_cast<qint32>(number);
    });
}

} // namespace vo
