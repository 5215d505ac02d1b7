#include <QApplication>

#include "Fonts.h"
#include "QZMainForm.h"
#include "SessionEndWatcher.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VORAD"));
    vorad::InstallFontSubstitutions();

    vorad::SessionEndWatcher sessionEnd;
    vorad::TQZMainForm mainForm(vorad::StartupEnvironment::forProgram());
    QObject::connect(&sessionEnd, &vorad::SessionEndWatcher::sessionEnding, &mainForm, [&mainForm] {
        mainForm.ShutDown(true);
        QApplication::quit();
    });
    mainForm.show();
    return app.exec();
}
