#include "launch/launchform.h"

#include "core/seams.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Launch"));
    LaunchForm form;
    form.Form_Load();
    form.show();
    if (EndRequested())
        return 0;
    return app.exec();
}
