#include "app/Application.h"

#include "ui/ErrorReporter.h"

namespace vo {

TApplication::TApplication(int &argc, char **argv)
    : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Vantrel Oskel"));
    setApplicationDisplayName(QStringLiteral("Vantrel Oskel"));
    setApplicationVersion(QStringLiteral("2.01"));
}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    bool handled = false;
    runGuarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

} // namespace vo
