#pragma once

#include <QByteArray>
#include <QList>
#include <QRect>
#include <QString>
#include <QStringList>

class QWidget;

// What the X server itself holds about the program's windows, read over the program's own xcb
// connection, and input that arrives the way a keyboard's does (XTest, through xdotool).
namespace vo::test::x11 {

// The X display named by VO_X11_DISPLAY (scripts/test starts Xvfb for it) becomes DISPLAY, on
// the xcb platform. False, with the reason on stderr, when no display was given: a window-system
// test must never pass without a window system.
bool useTestDisplay();

// _NET_WM_NAME of the window, the title a window manager shows.
QString windowName(const QWidget &window);

// A top-level window of another program, as the X server holds it.
struct ForeignWindow
{
    quint32 id = 0;
    QString name;       // _NET_WM_NAME
    QByteArray wmClass; // WM_CLASS: instance and class, each ended by a byte 0
    bool hasIcon = false;
};

// The mapped top-level windows that the program with this process id has made (Qt marks each
// with _NET_WM_PID). Without a window manager they are the root's own children.
QList<ForeignWindow> windowsOf(qint64 pid);

// The outermost window the X server has for `window` (its frame, once a window manager has
// reparented it), in root coordinates.
QRect frameGeometry(const QWidget &window);

// The size of the root window: the whole screen.
QRect rootGeometry();

// What a window manager sends for its close button or Alt+F4: a WM_DELETE_WINDOW message.
void sendDeleteWindow(const QWidget &window);

// Runs xdotool with `arguments` and waits for it; false if it could not run or failed.
bool xdotool(const QStringList &arguments);

} // namespace vo::test::x11
