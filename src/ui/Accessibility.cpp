#include "ui/Accessibility.h"

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

} // namespace vo
