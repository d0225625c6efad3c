#include "app/Application.h"
#include "app/FMain.h"
#include "ui/Skin.h"

int main(int argc, char **argv)
{
    vo::TApplication app(argc, argv);
    vo::skin::apply(vo::skin::builtIn());

    vo::TfrmMain frmMain(vo::AppFolder::ofRunningProgram());
    frmMain.show();
    return app.exec();
}
