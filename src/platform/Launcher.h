#pragma once

#include <QString>
#include <QStringList>

namespace vo {

// Every effect the console has outside itself: starting a program (the browser, the updater)
// and handing an address to the system. Tests install a recorder in its place.
class Launcher
{
public:
    virtual ~Launcher() = default;

    // Starts the program and does not wait for it; false when it could not be started. On
    // Windows the shell's "open" receives the arguments joined by single spaces as its one
    // parameter string (shown with SW_SHOW, no working folder), each as it is unless it would
    // not arrive whole (an address with a blank): that one is quoted. Elsewhere each argument
    // reaches the program as it is.
    virtual bool startDetached(const QString &program, const QStringList &arguments) = 0;

    // Lets the system open the address with whatever it associates with it.
    virtual bool openAddress(const QString &address) = 0;
};

// The launcher in use: the system's own unless a test has put another in its place.
Launcher &launcher();

// Puts a launcher in place for its own lifetime, then restores the previous one.
class ScopedLauncher
{
public:
    explicit ScopedLauncher(Launcher &replacement);
    ~ScopedLauncher();
    ScopedLauncher(const ScopedLauncher &) = delete;
    ScopedLauncher &operator=(const ScopedLauncher &) = delete;

private:
    Launcher *previous_;
};

} // namespace vo
