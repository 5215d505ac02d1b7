// The window linked to a rig control daemon that bench/rig.sh kills and starts again: for each
// second, the longest the window's event loop went without turning, and what the status line
// said. A key is typed into the callsign box every 50 ms meanwhile, as an operator would.
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>

#include "BenchWindow.h"

using namespace vorad;

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (argc < 3) {
        std::fprintf(stderr, "usage: bench_rig HOST:PORT SECONDS\n");
        return 2;
    }
    const QByteArray device = argv[1];
    const int seconds = std::max(1, QByteArray(argv[2]).toInt());
    QTemporaryDir dir;
    StartupEnvironment env = BenchEnvironment(dir,
        "[CONTEST]\r\nCallsign=VK6XYZ\r\n[RIG]\r\nEnabled=1\r\nModel=2\r\nDevice=" + device
            + "\r\n",
        QTime(10, 0));
    TQZMainForm form(env);
    form.show();
    auto* status = form.findChild<QLabel*>(QStringLiteral("StatusPanel"));
    auto* callsign = form.findChild<QLineEdit*>(QStringLiteral("CallsignN"));

    QElapsedTimer gap;
    qint64 longest = 0;
    qint64 worst = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] { longest = std::max(longest, gap.restart()); });
    QTimer keys;
    keys.setInterval(50);
    int typed = 0;
    QObject::connect(&keys, &QTimer::timeout, [&] {
        callsign->setFocus();
        const char c = static_cast<char>('A' + typed++ % 26);
        QKeyEvent press(
            QEvent::KeyPress, Qt::Key_A + (c - 'A'), Qt::NoModifier, QString(QLatin1Char(c)));
        QApplication::sendEvent(callsign, &press);
        if (callsign->text().size() > 8)
            callsign->clear();
    });
    int second = 0;
    QTimer report;
    report.setInterval(1000);
    QObject::connect(&report, &QTimer::timeout, [&] {
        ++second;
        const qint64 pause = std::max(longest, gap.elapsed());
        worst = std::max(worst, pause);
        std::printf("second %2d: longest pause %3lld ms; status \"%s\"\n", second,
            static_cast<long long>(pause), status->text().toLatin1().constData());
        std::fflush(stdout);
        longest = 0;
        if (second >= seconds) {
            std::printf("longest pause over %d s: %lld ms, %d keys typed\n", seconds,
                static_cast<long long>(worst), typed);
            app.quit();
        }
    });
    gap.start();
    tick.start();
    keys.start();
    report.start();
    const int code = app.exec();
    form.ShutDown(true);
    return code;
}
