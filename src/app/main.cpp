#include "app/Application.h"
#include "app/FMain.h"
#include "ui/Skin.h"

#include <QIcon>

namespace {

// The menu entry's icon, so the window and the task switcher show what the menu shows. A
// distributor's main.ico takes its place once the branding is loaded.
QIcon programIcon()
{
    QIcon icon;
    for (const int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1x%1/apps/vantrel-oskel.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace

int main(int argc, char **argv)
{
    vo::TApplication app(argc, argv);
    // The installed menu entry is vantrel-oskel.desktop. On X11 the window's class is the
    // application name, which the entry gives as StartupWMClass.
    QGuiApplication::setDesktopFileName(QStringLiteral("vantrel-oskel"));
    QApplication::setWindowIcon(programIcon());
    vo::skin::apply(vo::skin::builtIn());

    vo::TfrmMain frmMain(vo::AppFolder::ofRunningProgram());
    frmMain.show();
    return app.exec();
}
