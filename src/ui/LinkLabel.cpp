#include "ui/LinkLabel.h"

#include "platform/AnsiText.h"
#include "platform/Browser.h"
#include "ui/ErrorReporter.h"

#include <QAccessibleWidget>
#include <QEnterEvent>
#include <QKeyEvent>
#include <QMouseEvent>

namespace vo {

namespace {
// The label's own sheet wins over the skin's colour for links while the pointer is over it.
const QString kNormalSheet = QStringLiteral("text-decoration: underline;");
const QString kHighlightSheet = QStringLiteral("text-decoration: underline; color: #d2461e;");

class LinkLabelAccessible final : public QAccessibleWidget
{
public:
    explicit LinkLabelAccessible(LinkLabel *label) : QAccessibleWidget(label, QAccessible::Link) {}

    QStringList actionNames() const override { return QStringList(pressAction()) + QAccessibleWidget::actionNames(); }
    void doAction(const QString &actionName) override
    {
        if (actionName == pressAction())
            runGuarded([this] { static_cast<const LinkLabel *>(widget())->open(); });
        else
            QAccessibleWidget::doAction(actionName);
    }
};

QAccessibleInterface *linkLabelFactory(const QString &className, QObject *object)
{
    if (className != QLatin1String(LinkLabel::staticMetaObject.className()) || !object || !object->isWidgetType())
        return nullptr;
    return new LinkLabelAccessible(static_cast<LinkLabel *>(object)); // owned by Qt's accessibility cache
}
} // namespace

LinkLabel::LinkLabel(QWidget *parent)
    : QLabel(parent)
{
    static const bool accessible = [] {
        QAccessible::installFactory(linkLabelFactory);
        return true;
    }();
    Q_UNUSED(accessible);
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
    // A link without a caption shows nothing: it takes no Tab stop and is not announced.
    setFocusPolicy(caption.isEmpty() ? Qt::NoFocus : Qt::TabFocus);
    setHidden(caption.isEmpty());
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
    click_.press(*event);
    QLabel::mousePressEvent(event);
}

void LinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    const bool clicked = click_.release(*event, rect());
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
    // A label without an address opens nothing.
    if (!address_.isEmpty())
        OpenLinkAddress(address_);
}

} // namespace vo
