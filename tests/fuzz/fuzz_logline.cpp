// One record of the logbook file, as a load meets it, and back.
#include "LogLine.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    const QByteArrayView record(reinterpret_cast<const char*>(data), qsizetype(size));
    bool cut = false;
    const QString line = vorad::FileBytesToLogLine(record, &cut);
    vorad::ParseLogLine(line);
    int points = 0;
    vorad::PointsValue(vorad::LogLinePoints(line), &points);
    const QString again = vorad::FileRecordToLogLine(vorad::LogLineToFileRecord(line));
    vorad::NextSerialNumber({ line, again });
    return 0;
}
