#include "news/NewsHint.h"

#include "platform/AnsiText.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTimer>
#include <QToolTip>

namespace vo {

namespace {

constexpr int kMargin = 4;
// A title is a line or two. The rest of a longer one is cut before it is converted or
// measured: laying out megabytes would freeze the window and stretch the balloon off the screen.
constexpr qsizetype kMaxShownBytes = 400;

QPointer<TNewsHint> &shownHint()
{
    static QPointer<TNewsHint> hint;
    return hint;
}

// News that came while the seller answers a dialog: the balloon waits until no modal dialog
// stands, instead of being lost. A later one replaces it; it goes with its button.
class HeldBackHint : public QObject
{
public:
    HeldBackHint(const QWidget &button, const QByteArray &text)
        : QObject(const_cast<QWidget *>(&button)), button_(&button), text_(text)
    {
        watchModalDialog();
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Hide)
            // The modal stack has settled only once the hiding has been handled.
            QTimer::singleShot(0, this, &HeldBackHint::watchModalDialog);
        return QObject::eventFilter(watched, event);
    }

private:
    void watchModalDialog()
    {
        if (QWidget *dialog = QApplication::activeModalWidget()) {
            dialog->installEventFilter(this);
            return;
        }
        deleteLater();
        if (button_)
            ShowNewsHint(*button_, text_);
    }

    QPointer<const QWidget> button_;
    QByteArray text_;
};

void holdBack(const QWidget &button, const QByteArray &text)
{
    static QPointer<HeldBackHint> waiting;
    delete waiting;
    waiting = new HeldBackHint(button, text);
}

// Announced by assistive technology as what it is, a notification, with its text.
class NewsHintAccessible final : public QAccessibleWidget
{
public:
    explicit NewsHintAccessible(TNewsHint *hint) : QAccessibleWidget(hint, QAccessible::Notification) {}

    QString text(QAccessible::Text t) const override
    {
        if (t == QAccessible::Name || t == QAccessible::Description)
            return static_cast<const TNewsHint *>(widget())->text();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface *newsHintFactory(const QString &className, QObject *object)
{
    if (className != QLatin1String(TNewsHint::staticMetaObject.className()) || !object || !object->isWidgetType())
        return nullptr;
    return new NewsHintAccessible(static_cast<TNewsHint *>(object)); // owned by Qt's accessibility cache
}

bool isModalWindow(QObject *object)
{
    const auto *widget = object->isWidgetType() ? static_cast<QWidget *>(object) : nullptr;
    return widget && widget->isWindow() && widget->isModal();
}

QFont hintFont()
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    return font;
}

} // namespace

QRect hintRectFor(HintPlacement placement, QPoint anchor, QSize size)
{
    const int x = anchor.x();
    const int y = anchor.y();
    switch (placement) {
    case HintPlacement::BelowLeft:
        return QRect(QPoint(x - size.width() - 3, y + 1), size);
    case HintPlacement::BelowRight:
        return QRect(QPoint(x + 6, y + 1), size);
    case HintPlacement::AboveLeft:
        return QRect(QPoint(x - 1 - size.width(), y - 1 - size.height()), size);
    case HintPlacement::AboveRight:
        break;
    }
    return QRect(QPoint(x + 1, y - 1 - size.height()), size);
}

QRect placeHint(QPoint anchor, QSize size, const QRect &screen)
{
    const HintPlacement cycle[] = {HintPlacement::BelowLeft, HintPlacement::BelowRight, HintPlacement::AboveLeft,
                                   HintPlacement::AboveRight};
    QRect rect;
    for (const HintPlacement placement : cycle) {
        rect = hintRectFor(placement, anchor, size);
        if (screen.contains(rect))
            break;
    }
    return rect;
}

TNewsHint::TNewsHint(const QString &text, QWidget *owner)
    : QWidget(owner, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus)
    , text_(text)
{
    static const bool accessible = [] {
        QAccessible::installFactory(newsHintFactory);
        return true;
    }();
    Q_UNUSED(accessible);
    setObjectName(QStringLiteral("LMDMessageHint1"));
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::NoFocus);
    setFont(hintFont());
    setAccessibleName(text_);
    setPalette(QToolTip::palette());
}

TNewsHint *TNewsHint::current()
{
    return shownHint();
}

TNewsHint *TNewsHint::showAt(QPoint anchor, const QByteArray &text, QWidget *owner)
{
    if (TNewsHint *previous = shownHint())
        previous->dismiss();
    // It would stand on top of the dialog that the seller is answering; the News button still
    // lists the news.
    if (QApplication::activeModalWidget())
        return nullptr;

    // Without a screen (all of them unplugged) there is nowhere to stand; the News button still
    // lists the news.
    const QScreen *screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return nullptr;

    QString shown = ansi::toUnicode(text.left(kMaxShownBytes));
    if (text.size() > kMaxShownBytes)
        shown += QStringLiteral("...");
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    auto *hint = new TNewsHint(shown, owner); // deletes itself on close
    shownHint() = hint;

    const QRect screenRect = screen->geometry();
    // Measured with the font it is painted in: the skin may set the size of every widget's font.
    hint->ensurePolished();
    // A word longer than the wrap width, or many short lines, would still outgrow it: what
    // does not fit is clipped.
    const QSize textSize = QFontMetrics(hint->font())
                               .boundingRect(QRect(0, 0, screenRect.width() / 4, screenRect.height()),
                                             Qt::TextWordWrap, shown)
                               .size()
                               .boundedTo(QSize(screenRect.width() / 4, screenRect.height() / 3));
    hint->textRect_ = QRect(QPoint(kMargin, kMargin), textSize);
    const QSize size(textSize.width() + 2 * kMargin + kShadowDepth, textSize.height() + 2 * kMargin + kShadowDepth);
    hint->setGeometry(placeHint(anchor, size, screenRect));
    // A real grab is not available everywhere (the offscreen platform has none): every event of
    // the application passes this filter first.
    qApp->installEventFilter(hint);
    hint->show();
    hint->raise();
    QAccessibleEvent announced(hint, QAccessible::Alert);
    QAccessible::updateAccessibility(&announced);
    return hint;
}

void TNewsHint::dismiss()
{
    if (dismissed_)
        return;
    dismissed_ = true;
    qApp->removeEventFilter(this);
    if (shownHint() == this)
        shownHint() = nullptr;
    close();
}

bool TNewsHint::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::Wheel:
        // Captured: the click that ends the balloon goes nowhere else.
        if (watched->isWidgetType() || watched->isWindowType()) {
            dismiss();
            return true;
        }
        break;
    case QEvent::KeyPress:
        if (static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
            dismiss();
            return true;
        }
        break;
    case QEvent::Show:
        // A modal dialog comes up under a window that stays on top: the balloon goes first.
        if (watched != this && isModalWindow(watched))
            dismiss();
        break;
    case QEvent::ApplicationActivate:
    case QEvent::ApplicationDeactivate:
    case QEvent::ApplicationStateChange:
        dismiss();
        break;
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}

void TNewsHint::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRect body = rect().adjusted(0, 0, -kShadowDepth, -kShadowDepth);
    painter.fillRect(body.translated(kShadowDepth, kShadowDepth), QColor(0, 0, 0, 96));
    painter.fillRect(body, palette().color(QPalette::ToolTipBase));
    painter.setPen(palette().color(QPalette::ToolTipText));
    painter.drawRect(body.adjusted(0, 0, -1, -1));
    painter.drawText(textRect_, Qt::TextWordWrap, text_);
}

QPoint newsHintAnchor(const QWidget &button)
{
    const QPoint clientPoint(button.x() + button.width() / 2, button.y() + button.height() / 2);
    return button.window()->mapToGlobal(clientPoint);
}

TNewsHint *ShowNewsHint(const QWidget &button, const QByteArray &text)
{
    if (QApplication::activeModalWidget()) {
        holdBack(button, text);
        return nullptr;
    }
    return TNewsHint::showAt(newsHintAnchor(button), text, button.window());
}

} // namespace vo
