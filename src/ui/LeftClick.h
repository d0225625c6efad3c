#pragma once

#include <QMouseEvent>
#include <QRect>

namespace vo {

// A click as a push button counts it: the left button pressed over a control and released over
// it again. Another button, or a press dragged off before the release, is no click.
class LeftClick
{
public:
    void press(const QMouseEvent &event) { pressed_ = event.button() == Qt::LeftButton; }

    // True when this release ends a click over `area`, in the event's own coordinates.
    bool release(const QMouseEvent &event, const QRect &area)
    {
        const bool clicked = pressed_ && event.button() == Qt::LeftButton && area.contains(event.position().toPoint());
        pressed_ = false;
        return clicked;
    }

private:
    bool pressed_ = false;
};

} // namespace vo
