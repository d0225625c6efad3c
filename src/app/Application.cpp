#include "app/Application.h"

#include "ui/ErrorReporter.h"

namespace vo {

TApplication::TApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    // No display name: on X11 and Wayland Qt would append it to every window title, and each
    // window must show exactly its own caption (a distributor's, in a branded console).
    setApplicationName(QStringLiteral("Vantrel Oskel"));
    setApplicationVersion(QStringLiteral("2.01"));
}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    bool handled = false;
    runGuarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

} // namespace vo
