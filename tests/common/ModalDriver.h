#pragma once

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace vo::test {

// Runs `act` on the next modal dialog once it is shown, from inside its own event loop, the way
// a person would answer it. The poll stops after a few seconds so a missing dialog fails the
// test instead of hanging it.
inline void whenModalShown(std::function<void(QWidget *)> act, int attempts = 500)
{
    QTimer::singleShot(10, qApp, [act = std::move(act), attempts]() mutable {
        if (QWidget *modal = QApplication::activeModalWidget()) {
            act(modal);
        } else if (attempts > 0) {
            whenModalShown(std::move(act), attempts - 1);
        }
    });
}

template <typename Widget>
Widget *child(QWidget *parent, const char *name)
{
    return parent->findChild<Widget *>(QString::fromLatin1(name));
}

} // namespace vo::test
