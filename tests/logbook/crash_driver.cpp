// Logs, edits, deletes, saves and starts new logs through the logbook without end, telling on
// standard output each step before it starts and once it is done, as the operator would be
// told; the crash campaign kills it at random moments and checks the files against what it told.
#include <cstdio>
#include <cstring>
#include <random>

#include <QCoreApplication>
#include <QDir>

#include "ContestSettings.h"
#include "FailingFileSystem.h"
#include "LogBook.h"
#include "LogFileCommands.h"
#include "LogFileStore.h"
#include "LogLine.h"
#include "LogMirror.h"
#include "NullUi.h"

using namespace vorad;

namespace {

void say(const QByteArray& line)
{
    std::fwrite(line.constData(), 1, size_t(line.size()), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

QString callsign(qint64 n)
{
    return QStringLiteral("VK")
        + QString::number(n, 36).toUpper().rightJustified(6, QLatin1Char('0'));
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 4)
        return 64; // folder, seed, first callsign number [, copies [, mirror folder]]
    const QString folder = QString::fromLocal8Bit(argv[1]);
    std::mt19937 rng(unsigned(std::strtoul(argv[2], nullptr, 10)));
    qint64 next = std::strtoll(argv[3], nullptr, 10);

    auto fs = std::make_shared<FailingFileSystem>();
    LogFileStore store(fs);
    store.setSyncEnabled(false); // a killed process leaves its writes to the kernel all the same
    fs->faults().link = argc > 4 && std::strcmp(argv[4], "copies") == 0; // as on a FAT stick
    ContestSettings settings;
    settings.logFileName = QDir(folder).filePath(QStringLiteral("QZVHF.LOG"));
    settings.backupLogFileName = QDir(folder).filePath(QStringLiteral("QZVHF.BAK"));
    settings.callsign = QStringLiteral("VK3XYZ");
    LogBook book(store);
    // The mirror on a worker of its own, as in the program, on a disk of its own.
    auto mirrorFs = std::make_shared<FailingFileSystem>();
    mirrorFs->faults().link = fs->faults().link;
    LogMirror mirror(mirrorFs, LogMirror::Mode::Worker);
    mirror.setSyncEnabled(false);
    if (argc > 5) {
        mirror.setFolder(QString::fromLocal8Bit(argv[5]));
        book.setWriteListener(&mirror);
    }
    NullUi ui;
    if (!book.LoadLogBook(settings, ui) || !book.loaded()) {
        say("LOADFAIL");
        return 2;
    }
    say("READY " + QByteArray::number(book.lines().size()));

    auto record = [&](const QString& call) {
        ContactRecord r;
        r.callsign = call;
        r.band = QStringLiteral("2m");
        r.mode = QStringLiteral("FM");
        r.rstSent = QStringLiteral("59")
            + QString::number(book.serialCounter() % 1000).rightJustified(3, QLatin1Char('0'));
        r.rstReceived = QStringLiteral("59001");
        r.name = QStringLiteral("Al");
        r.time = QStringLiteral("10:00:00");
        r.date = QStringLiteral("08-15-2026");
        r.points = QStringLiteral("1");
        return r;
    };
    auto callAt = [&](int row) { return ParseLogLine(book.lines().at(row)).callsign.toLatin1(); };
    for (;;) {
        const int size = int(book.lines().size());
        const unsigned r = rng() % 100;
        // Larger logs start afresh more often, so that every rewrite stays a few thousand lines.
        if (size > 3000 && r < 30) {
            say("n");
            if (!NewLog(settings, book, ui))
                return 5;
            say("N");
        } else if (r < 85 || size < 5) {
            const QString call = callsign(next++);
            book.AppendContact(record(call), settings, ui);
            if (!book.fileInStep())
                return 4;
            book.setSerialCounter(book.serialCounter() + 1);
            say("A " + call.toLatin1());
        } else if (r < 91) {
            const int row = int(rng() % unsigned(size));
            const QByteArray old = callAt(row);
            const QString call = callsign(next++);
            say("e " + old + ' ' + call.toLatin1());
            book.ReplaceContact(record(call), row, settings, ui);
            if (!book.fileInStep())
                return 4;
            say("E " + old + ' ' + call.toLatin1());
        } else if (r < 96) {
            const int row = int(rng() % unsigned(size));
            const QByteArray old = callAt(row);
            say("d " + old);
            book.RemoveContact(row);
            if (!SaveLog(settings, book, ui))
                return 4;
            say("D " + old);
        } else if (r < 99) {
            say("s");
            if (!SaveLog(settings, book, ui))
                return 4;
            say("S");
        } else {
            say("n");
            if (!NewLog(settings, book, ui))
                return 5;
            say("N");
        }
    }
}
