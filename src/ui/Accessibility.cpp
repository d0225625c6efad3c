#include "ui/Accessibility.h"

#include <QAccessibleWidget>
#include <QLabel>

namespace vo {

void bindLabel(QLabel *label, QWidget *field)
{
    label->setBuddy(field);
    QString name = label->text();
    name.remove(QLatin1Char('&'));
    field->setAccessibleName(name);
}

void nameByHint(QWidget *button)
{
    button->setAccessibleName(button->toolTip());
}

namespace {
// Asked once for each class of the object's ancestry, most derived first: a window class of
// the program's own comes through here as "QWidget".
QAccessibleInterface *plainWindowFactory(const QString &className, QObject *object)
{
    if (className != u"QWidget" || !object || !object->isWidgetType())
        return nullptr;
    auto *widget = static_cast<QWidget *>(object);
    if (widget->windowType() != Qt::Window)
        return nullptr;
    return new QAccessibleWidget(widget, QAccessible::Window); // owned by Qt's accessibility cache
}
} // namespace

void announcePlainWindowsAsFrames()
{
    static const bool installed = [] {
        QAccessible::installFactory(plainWindowFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

} // namespace vo
