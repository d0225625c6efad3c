#include "ui/DialogParts.h"

#include <QLabel>
#include <QPushButton>

namespace vo {

ButtonClosedDialog::ButtonClosedDialog(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
{
}

QPushButton *makeMouseButton(QWidget *parent, const char *objectName, const QString &caption, const QRect &geometry)
{
    auto *button = new QPushButton(caption, parent);
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

QLabel *makeFieldCaption(QWidget *parent, const char *objectName, const QString &text, int left, int fieldTop)
{
    QLabel *label = makeCaption(parent, objectName, text, QPoint(left, fieldTop));
    label->move(left, fieldTop + (kFieldHeight - label->height()) / 2);
    return label;
}

} // namespace vo
