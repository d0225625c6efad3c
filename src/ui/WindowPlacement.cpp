#include "ui/WindowPlacement.h"

#include <QtGlobal>

namespace vo {

QRect placeWindow(QSize wanted, QSize minimum, const QMargins &frame, const QRect &available)
{
    const QSize client = wanted.boundedTo(available.size().shrunkBy(frame)).expandedTo(minimum);
    const QSize outer = client.grownBy(frame);
    const int left = qMax(available.left(), available.left() + (available.width() - outer.width()) / 2);
    const int top = qMax(available.top(), available.top() + (available.height() - outer.height()) / 2);
    return QRect(QPoint(left + frame.left(), top + frame.top()), client);
}

} // namespace vo
