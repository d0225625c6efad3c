#pragma once

#include <QByteArray>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QWidget>

namespace vo {

// Where a balloon of `size` goes for the anchor point: below-left of it when that lies wholly
// on the screen, else below-right, above-left, above-right, in that order; the last one when
// none fits. Right and bottom edges are outer edges: left + width and top + height.
enum class HintPlacement { BelowLeft, BelowRight, AboveLeft, AboveRight };
QRect hintRectFor(HintPlacement placement, QPoint anchor, QSize size);
QRect placeHint(QPoint anchor, QSize size, const QRect &screen);

// The news balloon LMDMessageHint1: a text on the tooltip colours with a drop shadow, shown on
// top of every window without taking the focus. It takes every mouse button and wheel event of
// the application for itself, as a captured mouse would, and goes away at the first one, at
// Escape, when a modal dialog opens, or when the application is activated or deactivated. It
// is never shown while a modal dialog stands. At most one exists: a new one replaces it.
// Assistive technology announces it as a notification.
class TNewsHint : public QWidget
{
    Q_OBJECT
public:
    static constexpr int kShadowDepth = 4;

    // Shows the balloon at a screen point; the previous one, if any, goes first. Null while a
    // modal dialog stands.
    static TNewsHint *showAt(QPoint anchor, const QByteArray &text, QWidget *owner);
    // The balloon now shown, or null.
    static TNewsHint *current();

    QString text() const { return text_; }

protected:
    void paintEvent(QPaintEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    TNewsHint(const QString &text, QWidget *owner);
    void dismiss();

    QString text_;
    QRect textRect_;
    bool dismissed_ = false;
};

// ShowNewsHint: the anchor is the middle of the button's own position values (left + width
// div 2, top + height div 2) taken as a point of its window's client area. While a modal dialog
// stands it shows nothing and returns null; the balloon then comes once no modal dialog stands.
QPoint newsHintAnchor(const QWidget &button);
TNewsHint *ShowNewsHint(const QWidget &button, const QByteArray &text);

} // namespace vo
