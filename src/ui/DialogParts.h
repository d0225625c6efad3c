#pragma once

#include "ui/Accessibility.h"

#include <QDialog>
#include <QRect>

#include <utility>

class QLabel;
class QPushButton;

namespace vo {

// A dialog that closes only through its own buttons: Escape and the window's close box do
// nothing, and no button is pressed by Enter.
class ButtonClosedDialog : public QDialog
{
    Q_OBJECT
public:
    explicit ButtonClosedDialog(QWidget *parent = nullptr);

    void reject() override {}
};

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

// A caption standing level with the one-line field whose top is `fieldTop`.
QLabel *makeFieldCaption(QWidget *parent, const char *objectName, const QString &text, int left, int fieldTop);

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
