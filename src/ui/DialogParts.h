#pragma once

#include "ui/Accessibility.h"

#include <QDialog>
#include <QPointer>
#include <QRect>

#include <utility>

class QLabel;
class QPushButton;

namespace vo {

// A dialog that closes only through its own buttons: Escape does nothing and no button is
// pressed by Enter. The window manager's close (Alt+F4, a task bar's Close) is taken as the
// dialog's way-out button, so a seller without a mouse is never locked in.
class ButtonClosedDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ButtonClosedDialog(QWidget *parent = nullptr);

    void reject() override {}

protected:
    // The button that the window manager's close presses.
    void setWayOut(QPushButton *button);

    // Alt+`key` presses `button`. The button stays out of the focus chain and its text stays
    // the caption: the shortcut belongs to the dialog, not to the button. A button made by
    // makeMouseButton shows the letter underlined, as a mnemonic.
    void addAltShortcut(QPushButton *button, Qt::Key key);

    struct OkCancel
    {
        QPushButton *ok;
        QPushButton *cancel;
    };
    // The mouse buttons "Ok" and "Cancel", 75 x 25 side by side from `okTopLeft`, with Alt+O and
    // Alt+C, and Cancel as the way out.
    OkCancel addOkCancel(const QPoint &okTopLeft);

    void closeEvent(QCloseEvent *event) override;

private:
    QPointer<QPushButton> wayOut_;
};

// Places `window`'s frame in the middle of the screen its owner stands on (the primary screen
// for a window without owner). Call once the window has its size.
void centreOnScreen(QWidget &window);

// An object known by its name, as tests and accessibility tools find it.
template <typename Object, typename... Args>
Object *makeNamed(const char *objectName, Args &&...args)
{
    auto *object = new Object(std::forward<Args>(args)...);
    object->setObjectName(QString::fromLatin1(objectName));
    return object;
}

// A button used with the mouse only: never the default, never in the focus chain.
QPushButton *makeMouseButton(QWidget *parent, const char *objectName, const QString &caption, const QRect &geometry);

// A caption placed at a point, or wrapped within a width.
QLabel *makeCaption(QWidget *parent, const char *objectName, const QString &text, const QPoint &at, int wrapWidth = -1);

// The height of every one-line field of the dialogs.
inline constexpr int kFieldHeight = 21;

// A one-line caption level with the field whose top is `fieldTop`, owning the room from `left`
// up to a small gap before `roomEnd` (where its field or the dialog's edge is). Text that
// outgrew the room would be painted over, so the room is the label's width.
QLabel *makeFieldCaption(QWidget *parent, const char *objectName, const QString &text, int left, int fieldTop,
                         int roomEnd);

// A field announced by its label: the label is its buddy and lends it its accessible name.
template <typename Field>
Field *makeLabelledField(QWidget *parent, const char *objectName, QLabel *label, const QRect &geometry)
{
    auto *field = new Field(parent);
    field->setObjectName(QString::fromLatin1(objectName));
    field->setGeometry(geometry);
    bindLabel(label, field);
    return field;
}

} // namespace vo
