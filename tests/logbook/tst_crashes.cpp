#include <csignal>
#include <random>

#include <QDir>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include "LogFileStore.h"
#include "LogLine.h"
#include "TestFiles.h"

using namespace vorad;

namespace {

// The callsigns of the file's contacts; false when the file holds anything a load would question.
bool readCalls(const QString& path, QSet<QString>* calls, QString* why)
{
    const LoadedLog log = ParseLogFile(readAll(path));
    if (!log.problems.isEmpty() || log.tornLastLine) {
        *why = QStringLiteral("%1: %2 damaged lines%3")
                   .arg(path)
                   .arg(log.problems.size())
                   .arg(log.tornLastLine ? QStringLiteral(", a torn last line") : QString());
        return false;
    }
    for (const QString& line : log.lines)
        calls->insert(ParseLogLine(line).callsign);
    return true;
}

} // namespace

class TestCrashes : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The driver logs through the logbook and is killed at random moments, during appends and
    // during the rewrites of edit, delete, save and New Log. After each kill every contact it
    // had told of is in the log (or, while a New Log was under way, in the backup), the log and
    // its backup read whole, and the next run loads the log.
    void killedAtRandom()
    {
        QTemporaryDir dir;
        const QString log = dir.filePath("QZVHF.LOG");
        const QString bak = dir.filePath("QZVHF.BAK");
        std::mt19937 rng(20261209);
        QSet<QString> must; // told of as logged
        QSet<QString> maybe; // a step on it was under way
        bool newLogUnderWay = false;
        int kills = 0, duringRewrite = 0, checked = 0, lost = 0, steps = 0;
        QStringList lostCalls;
        for (int run = 0; run < 300; ++run) {
            QProcess driver;
            driver.start(QStringLiteral(VORAD_CRASH_DRIVER),
                { dir.path(), QString::number(rng()), QString::number(qint64(run) * 10'000'000) });
            QVERIFY(driver.waitForStarted());
            while (!driver.canReadLine() && driver.state() == QProcess::Running)
                driver.waitForReadyRead(5000);
            const QByteArray ready = driver.readLine().trimmed();
            QVERIFY2(ready.startsWith("READY"), ready.constData());
            // Somewhere in the next 30 ms: mostly appends, with rewrites of up to 3,000 lines.
            QTest::qSleep(int(rng() % 30));
            ::kill(pid_t(driver.processId()), SIGKILL);
            QVERIFY(driver.waitForFinished(10000));
            ++kills;

            QByteArray last;
            QList<QByteArray> told = driver.readAllStandardOutput().split('\n');
            told.removeLast(); // empty, or a line the kill cut short: never told
            for (const QByteArray& raw : std::as_const(told)) {
                const QList<QByteArray> w = raw.trimmed().split(' ');
                const QByteArray& step = w.first();
                if (step.isEmpty())
                    continue;
                last = step;
                ++steps;
                auto call = [&](int i) { return QString::fromLatin1(w.value(i)); };
                if (step == "A") {
                    must.insert(call(1));
                } else if (step == "e" || step == "d") {
                    must.remove(call(1));
                    maybe.insert(call(1));
                    if (step == "e")
                        maybe.insert(call(2));
                } else if (step == "E") {
                    maybe.remove(call(1));
                    maybe.remove(call(2));
                    must.insert(call(2));
                } else if (step == "D") {
                    maybe.remove(call(1));
                } else if (step == "n") {
                    newLogUnderWay = true;
                } else if (step == "N") {
                    newLogUnderWay = false;
                    must.clear();
                    maybe.clear();
                }
            }
            if (last == "e" || last == "d" || last == "s" || last == "n")
                ++duringRewrite;

            QSet<QString> present, backedUp;
            QString why;
            QVERIFY2(readCalls(log, &present, &why), qPrintable(why));
            if (QFile::exists(bak))
                QVERIFY2(readCalls(bak, &backedUp, &why), qPrintable(why));
            for (const QString& c : std::as_const(must)) {
                ++checked;
                if (!present.contains(c) && !(newLogUnderWay && backedUp.contains(c))) {
                    ++lost;
                    lostCalls.append(c);
                }
            }
            // What was under way is now settled by the file: the next run starts from it.
            for (const QString& c : std::as_const(maybe)) {
                if (present.contains(c))
                    must.insert(c);
            }
            maybe.clear();
            if (newLogUnderWay)
                must.intersect(present);
            newLogUnderWay = false;
        }
        qInfo("crash campaign: %d kills (%d during a rewrite), %d steps told, %d contacts "
              "checked, %d lost",
            kills, duringRewrite, steps, checked, lost);
        QVERIFY2(lost == 0, qPrintable(lostCalls.mid(0, 10).join(' ')));
    }
};

QTEST_GUILESS_MAIN(TestCrashes)
#include "tst_crashes.moc"
