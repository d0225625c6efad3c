#include "support/X11Probe.h"

#include <QGuiApplication>
#include <QProcess>
#include <QWidget>

#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace vo::test::x11 {

namespace {

struct FreeReply
{
    void operator()(void *reply) const { std::free(reply); }
};
template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, FreeReply>;

xcb_connection_t *connection()
{
    const auto *native = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return native ? native->connection() : nullptr;
}

xcb_window_t rootWindow()
{
    return xcb_setup_roots_iterator(xcb_get_setup(connection())).data->root;
}

xcb_atom_t atom(const char *name)
{
    xcb_connection_t *c = connection();
    const ReplyPtr<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(qstrlen(name)), name), nullptr));
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The child of the root that holds `window`: the window itself, or the frame around it.
xcb_window_t outermost(xcb_window_t window)
{
    xcb_connection_t *c = connection();
    for (;;) {
        const ReplyPtr<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, window), nullptr));
        if (!tree || tree->parent == tree->root || tree->parent == XCB_WINDOW_NONE)
            return window;
        window = tree->parent;
    }
}

QByteArray property(xcb_window_t window, const char *name, xcb_atom_t type)
{
    xcb_connection_t *c = connection();
    const xcb_get_property_cookie_t cookie = xcb_get_property(c, 0, window, atom(name), type, 0, 4096);
    const ReplyPtr<xcb_get_property_reply_t> reply(xcb_get_property_reply(c, cookie, nullptr));
    if (!reply)
        return QByteArray();
    return QByteArray(static_cast<const char *>(xcb_get_property_value(reply.get())),
                      xcb_get_property_value_length(reply.get()));
}

bool viewable(xcb_window_t window)
{
    xcb_connection_t *c = connection();
    const ReplyPtr<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, window), nullptr));
    return attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
}

} // namespace

bool useTestDisplay()
{
    const QByteArray display = qgetenv("VO_X11_DISPLAY");
    if (display.isEmpty()) {
        std::fprintf(stderr, "FAIL: this suite needs an X server: set VO_X11_DISPLAY (scripts/test starts Xvfb "
                             "and sets it).\n");
        return false;
    }
    qputenv("DISPLAY", display);
    qputenv("QT_QPA_PLATFORM", "xcb");
    return true;
}

QString windowName(const QWidget &window)
{
    return QString::fromUtf8(property(xcb_window_t(window.winId()), "_NET_WM_NAME", atom("UTF8_STRING")));
}

QList<ForeignWindow> windowsOf(qint64 pid)
{
    xcb_connection_t *c = connection();
    const ReplyPtr<xcb_query_tree_reply_t> tree(xcb_query_tree_reply(c, xcb_query_tree(c, rootWindow()), nullptr));
    QList<ForeignWindow> found;
    if (!tree)
        return found;
    const xcb_window_t *children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        const xcb_window_t window = children[i];
        const QByteArray owner = property(window, "_NET_WM_PID", XCB_ATOM_CARDINAL);
        quint32 ownerPid = 0;
        if (owner.size() == sizeof ownerPid)
            std::memcpy(&ownerPid, owner.constData(), sizeof ownerPid);
        if (ownerPid != quint32(pid) || !viewable(window))
            continue;
        found.append({window, QString::fromUtf8(property(window, "_NET_WM_NAME", atom("UTF8_STRING"))),
                      property(window, "WM_CLASS", XCB_ATOM_STRING),
                      !property(window, "_NET_WM_ICON", XCB_ATOM_CARDINAL).isEmpty()});
    }
    return found;
}

QRect frameGeometry(const QWidget &window)
{
    xcb_connection_t *c = connection();
    const xcb_window_t frame = outermost(xcb_window_t(window.winId()));
    const ReplyPtr<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, xcb_get_geometry(c, frame), nullptr));
    const ReplyPtr<xcb_translate_coordinates_reply_t> origin(
        xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, frame, rootWindow(), 0, 0), nullptr));
    if (!geometry || !origin)
        return QRect();
    const int border = geometry->border_width;
    return QRect(origin->dst_x - border, origin->dst_y - border, geometry->width + 2 * border,
                 geometry->height + 2 * border);
}

QRect rootGeometry()
{
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(connection())).data;
    return QRect(0, 0, screen->width_in_pixels, screen->height_in_pixels);
}

void sendDeleteWindow(const QWidget &window)
{
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = xcb_window_t(window.winId());
    message.type = atom("WM_PROTOCOLS");
    message.data.data32[0] = atom("WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_connection_t *c = connection();
    xcb_send_event(c, 0, message.window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char *>(&message));
    xcb_flush(c);
}

bool xdotool(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForFinished(10000)) {
        std::fprintf(stderr, "xdotool did not run: %s\n", qPrintable(process.errorString()));
        return false;
    }
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

} // namespace vo::test::x11
