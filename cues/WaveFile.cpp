#include "WaveFile.h"

#include <QFile>
#include <QFileInfo>

#include <QtEndian>

namespace vorad {

namespace {

constexpr qint64 MaxWaveBytes = 64 * 1024 * 1024; // several minutes of sound: a cue is short

quint32 le32(const char* p)
{
    return qFromLittleEndian<quint32>(p);
}

quint16 le16(const char* p)
{
    return qFromLittleEndian<quint16>(p);
}

} // namespace

bool ReadWave(const QByteArray& bytes, Pcm* pcm, QString* error)
{
    if (bytes.size() < 12 || !bytes.startsWith("RIFF") || bytes.mid(8, 4) != "WAVE") {
        *error = QStringLiteral("it is not a wave file");
        return false;
    }
    bool haveFormat = false;
    qint64 at = 12;
    while (at + 8 <= bytes.size()) {
        const char* chunk = bytes.constData() + at;
        const qint64 size = le32(chunk + 4);
        const qint64 body = at + 8;
        const qint64 available = qMin<qint64>(size, bytes.size() - body);
        if (!qstrncmp(chunk, "fmt ", 4)) {
            if (available < 16) {
                *error = QStringLiteral("its format block is cut short");
                return false;
            }
            const char* f = bytes.constData() + body;
            const int tag = le16(f);
            pcm->channels = le16(f + 2);
            pcm->rate = int(qMin<quint32>(le32(f + 4), 1000000));
            pcm->bits = le16(f + 14);
            if (tag != 1) {
                *error = QStringLiteral("its sound is compressed (format %1), only PCM is played")
                             .arg(tag);
                return false;
            }
            if (pcm->bits != 8 && pcm->bits != 16) {
                *error = QStringLiteral("it has %1-bit samples, only 8 and 16 are played")
                             .arg(pcm->bits);
                return false;
            }
            if (pcm->channels != 1 && pcm->channels != 2) {
                *error = QStringLiteral("it has %1 channels, only mono and stereo are played")
                             .arg(pcm->channels);
                return false;
            }
            if (pcm->rate < 1000) {
                *error = QStringLiteral("its rate of %1 Hz is not played").arg(pcm->rate);
                return false;
            }
            haveFormat = true;
        } else if (!qstrncmp(chunk, "data", 4)) {
            if (!haveFormat) {
                *error = QStringLiteral("its sound comes before its format");
                return false;
            }
            const int frame = pcm->channels * pcm->bits / 8;
            pcm->data = bytes.mid(body, available - available % frame);
            return true;
        }
        at = body + size + (size & 1);
    }
    *error = QStringLiteral("it holds no sound");
    return false;
}

bool ReadWaveFile(const QString& path, Pcm* pcm, QString* error)
{
    // Only a plain file: a device or a pipe could never end or would block the window.
    if (!QFileInfo(path).isFile()) {
        *error = QStringLiteral("it is not a file");
        return false;
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    if (file.size() > MaxWaveBytes) {
        *error = QStringLiteral("it is too long for a cue");
        return false;
    }
    const QByteArray bytes = file.read(MaxWaveBytes + 1);
    if (bytes.size() > MaxWaveBytes) {
        *error = QStringLiteral("it is too long for a cue");
        return false;
    }
    return ReadWave(bytes, pcm, error);
}

} // namespace vorad
