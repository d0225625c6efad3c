#include "ui/DialogParts.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace vo {

namespace {

// A mouse button whose caption shows the Alt letter that presses it, underlined as a mnemonic
// is, while its text stays the caption alone: the shortcut belongs to the dialog.
class AltLetterButton final : public QPushButton
{
public:
    using QPushButton::QPushButton;

    void underline(QChar letter)
    {
        letter_ = letter;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QStylePainter painter(this);
        QStyleOptionButton option;
        initStyleOption(&option);
        if (const qsizetype at = option.text.indexOf(letter_, 0, Qt::CaseInsensitive); !letter_.isNull() && at >= 0)
            option.text.insert(at, u'&');
        painter.drawControl(QStyle::CE_PushButton, option);
    }

private:
    QChar letter_;
};

} // namespace

ButtonClosedDialog::ButtonClosedDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
}

void ButtonClosedDialog::setWayOut(QPushButton *button)
{
    wayOut_ = button;
}

void ButtonClosedDialog::addAltShortcut(QPushButton *button, Qt::Key key)
{
    if (auto *shown = dynamic_cast<AltLetterButton *>(button))
        shown->underline(QChar(key));
    auto *shortcut = new QShortcut(QKeySequence(Qt::ALT | key), this); // owned by the dialog
    connect(shortcut, &QShortcut::activated, button, [button] {
        if (button->isVisible() && button->isEnabled())
            button->click();
    });
}

ButtonClosedDialog::OkCancel ButtonClosedDialog::addOkCancel(const QPoint &okTopLeft)
{
    const QSize size(75, 25);
    QPushButton *ok = makeMouseButton(this, "btnOk", QStringLiteral("Ok"), QRect(okTopLeft, size));
    QPushButton *cancel = makeMouseButton(this, "btnCancel", QStringLiteral("Cancel"),
                                          QRect(okTopLeft + QPoint(83, 0), size));
    addAltShortcut(ok, Qt::Key_O);
    addAltShortcut(cancel, Qt::Key_C);
    setWayOut(cancel);
    return {ok, cancel};
}

void ButtonClosedDialog::closeEvent(QCloseEvent *event)
{
    // The button's handler ends the dialog (or refuses to); the window goes only if it did.
    if (wayOut_ && isVisible())
        wayOut_->click();
    if (isVisible())
        event->ignore();
    else
        event->accept();
}

void centreOnScreen(QWidget &window)
{
    const QWidget *owner = window.parentWidget() ? window.parentWidget()->window() : nullptr;
    const QScreen *screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QSize frame = window.frameGeometry().size();
    window.move(area.left() + (area.width() - frame.width()) / 2, area.top() + (area.height() - frame.height()) / 2);
}

QPushButton *makeMouseButton(QWidget *parent, const char *objectName, const QString &caption, const QRect &geometry)
{
    auto *button = new AltLetterButton(caption, parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setGeometry(geometry);
    button->setAutoDefault(false);
    button->setDefault(false);
    button->setFocusPolicy(Qt::NoFocus);
    return button;
}

QLabel *makeCaption(QWidget *parent, const char *objectName, const QString &text, const QPoint &at, int wrapWidth)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(objectName));
    if (wrapWidth > 0) {
        label->setWordWrap(true);
        label->setGeometry(at.x(), at.y(), wrapWidth, label->heightForWidth(wrapWidth));
    } else {
        label->adjustSize();
        label->move(at);
    }
    return label;
}

QLabel *makeFieldCaption(QWidget *parent, const char *objectName, const QString &text, int left, int fieldTop,
                         int roomEnd)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(objectName));
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    constexpr int gapBeforeField = 4;
    label->setGeometry(left, fieldTop, roomEnd - gapBeforeField - left, kFieldHeight);
    return label;
}

} // namespace vo
