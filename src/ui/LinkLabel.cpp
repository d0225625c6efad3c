#include "ui/LinkLabel.h"

#include "platform/AnsiText.h"
#include "platform/Launcher.h"
#include "ui/ErrorReporter.h"

#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>

namespace vo {

namespace {
// The label's own sheet wins over the skin's colour for links while the pointer is over it.
const QString kNormalSheet = QStringLiteral("text-decoration: underline;");
const QString kHighlightSheet = QStringLiteral("text-decoration: underline; color: #d2461e;");
} // namespace

LinkLabel::LinkLabel(QWidget *parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    setStyleSheet(kNormalSheet);
}

void LinkLabel::setLink(const QByteArray &caption, const QByteArray &address)
{
    setText(ansi::toUnicode(caption));
    setAccessibleName(text());
    address_ = address;
    setAccessibleDescription(ansi::toUnicode(address));
}

void LinkLabel::enterEvent(QEnterEvent *event)
{
    QLabel::enterEvent(event);
    setHighlighted(true);
}

void LinkLabel::leaveEvent(QEvent *event)
{
    QLabel::leaveEvent(event);
    setHighlighted(false);
}

void LinkLabel::mousePressEvent(QMouseEvent *event)
{
    pressed_ = event->button() == Qt::LeftButton;
    QLabel::mousePressEvent(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    // Like a button: only a press and a release both on the label count as a click.
    const bool clicked = pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    QLabel::mouseReleaseEvent(event);
    if (clicked)
        runGuarded([this] { open(); });
}

void LinkLabel::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Space || event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        runGuarded([this] { open(); });
        return;
    }
    QLabel::keyPressEvent(event);
}

void LinkLabel::setHighlighted(bool highlighted)
{
    if (highlighted_ == highlighted)
        return;
    highlighted_ = highlighted;
    setStyleSheet(highlighted ? kHighlightSheet : kNormalSheet);
}

void LinkLabel::open() const
{
    if (!address_.isEmpty())
        launcher().openAddress(ansi::toUnicode(address_));
}

} // namespace vo
