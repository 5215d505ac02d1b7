#include <QApplication>

#include "Fonts.h"
#include "QZMainForm.h"

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VORAD"));
    vorad::InstallFontSubstitutions();

    vorad::TQZMainForm mainForm(vorad::StartupEnvironment::forProgram());
    // A logout during the start-up has saved the settings already: end without a window.
    if (mainForm.sessionEnded())
        return 0;
    // Another copy logs in that file: this one has told so and touched nothing.
    if (mainForm.logHeldElsewhere())
        return 1;
    mainForm.show();
    return app.exec();
}
