// A whole logbook file: split into lines, loaded into a logbook, checked against the rules.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "ContestSettings.h"
#include "LogBook.h"
#include "LogCheck.h"
#include "LogFileStore.h"
#include "NullUi.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    using namespace vorad;
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const LoadedLog parsed = ParseLogFile(bytes);
    ContestSettings settings;
    settings.callsign = QStringLiteral("VK3XYZ");
    settings.contestFinishDate = QDate(2026, 8, 16);
    CheckLog(parsed.lines, settings, {}, 36000);

    // Made once; it goes with what it holds when the run ends.
    static const QTemporaryDir folder(QDir::tempPath() + QStringLiteral("/vorad-fuzz-XXXXXX"));
    if (!folder.isValid())
        return 0;
    settings.logFileName = folder.filePath(QStringLiteral("QZVHF.LOG"));
    settings.backupLogFileName = folder.filePath(QStringLiteral("QZVHF.BAK"));
    QFile file(settings.logFileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return 0;
    file.close();
    LogFileStore store;
    store.setSyncEnabled(false);
    LogBook book(store);
    NullUi ui;
    book.LoadLogBook(settings, ui);
    book.NextSerialNumber();
    return 0;
}
