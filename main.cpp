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
    mainForm.show();
    return app.exec();
}
