#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <atomic>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include "AlsaSink.h"
#include "ContestSettings.h"
#include "SoundCues.h"
#include "TestFiles.h"
#include "WaveFile.h"

using namespace vorad;

namespace {

// Remembers what it was asked to play, and how.
class RecordingSink : public AudioSink
{
public:
    void play(const Pcm& pcm) override { heard << QStringLiteral("play %1").arg(pcm.data.size()); }
    void playAndWait(const Pcm& pcm) override
    {
        heard << QStringLiteral("morse");
        last = pcm;
    }
    QStringList heard;
    Pcm last;
};

struct Burst
{
    qint64 startMs;
    qint64 lengthMs;
    int crossings; // sign changes inside the burst
};

// The tone bursts of 16-bit mono sound, found from the samples alone.
QList<Burst> bursts(const Pcm& pcm)
{
    QList<Burst> found;
    const auto* s = reinterpret_cast<const qint16*>(pcm.data.constData());
    const qint64 n = pcm.frames();
    qint64 i = 0;
    while (i < n) {
        while (i < n && s[i] == 0)
            ++i;
        if (i >= n)
            break;
        const qint64 start = i;
        qint64 lastSound = i;
        int crossings = 0;
        int sign = 0;
        // A burst ends where 2 ms pass without a sample.
        while (i < n && i - lastSound < pcm.rate / 500) {
            if (s[i] != 0) {
                lastSound = i;
                const int now = s[i] < 0 ? -1 : 1;
                crossings += sign != 0 && now != sign;
                sign = now;
            }
            ++i;
        }
        found.append(
            { start * 1000 / pcm.rate, (lastSound + 1 - start) * 1000 / pcm.rate, crossings });
    }
    return found;
}

// ALSA's default device made a file plugin writing to `target`, for as long as it lives.
class FileDevice
{
public:
    FileDevice(const QTemporaryDir& dir, const QString& target)
        : m_before(qgetenv("ALSA_CONFIG_PATH"))
        , m_had(qEnvironmentVariableIsSet("ALSA_CONFIG_PATH"))
    {
        const QString conf = dir.filePath(QStringLiteral("asound.conf"));
        writeFile(conf,
            "pcm.!default { type file slave.pcm { type null } format raw file \""
                + QFile::encodeName(target) + "\" }\n");
        qputenv("ALSA_CONFIG_PATH", QFile::encodeName(conf));
    }
    ~FileDevice()
    {
        if (m_had)
            qputenv("ALSA_CONFIG_PATH", m_before);
        else
            qunsetenv("ALSA_CONFIG_PATH");
    }

private:
    QByteArray m_before;
    bool m_had;
};

Pcm tone(int ms, char fill)
{
    Pcm pcm;
    pcm.data = QByteArray(8000 * 2 * ms / 1000, fill);
    return pcm;
}

QByteArray wave(int format, int channels, int rate, int bits, const QByteArray& data)
{
    QByteArray fmt(16, '\0');
    qToLittleEndian<quint16>(quint16(format), fmt.data());
    qToLittleEndian<quint16>(quint16(channels), fmt.data() + 2);
    qToLittleEndian<quint32>(quint32(rate), fmt.data() + 4);
    qToLittleEndian<quint32>(quint32(rate * channels * bits / 8), fmt.data() + 8);
    qToLittleEndian<quint16>(quint16(channels * bits / 8), fmt.data() + 12);
    qToLittleEndian<quint16>(quint16(bits), fmt.data() + 14);
    auto chunk = [](const char* id, const QByteArray& body) {
        QByteArray c(id, 4);
        QByteArray size(4, '\0');
        qToLittleEndian<quint32>(quint32(body.size()), size.data());
        return c + size + body;
    };
    const QByteArray riff = "WAVE" + chunk("fmt ", fmt) + chunk("data", data);
    return chunk("RIFF", riff);
}

} // namespace

class TestCues : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void morse_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QList<int>>("lengths"); // of the bursts, in ms
        QTest::newRow("error signal") << "#" << QList<int>(8, 25);
        QTest::newRow("digits and letters") << "T5" << QList<int> { 150, 25, 25, 25, 25, 25 };
        QTest::newRow("lower case and blanks") << "abc /." << QList<int> {};
        QTest::newRow("suffix of a short callsign") << QString("VK3").mid(3, 3) << QList<int> {};
    }

    // Timing read from the samples: 600 Hz bursts, 55 to 110 ms of silence after each element.
    void morse()
    {
        QFETCH(QString, text);
        QFETCH(QList<int>, lengths);
        for (qint64 startMs : { 0, 54, 1000037 }) {
            const QList<Burst> found = bursts(MorsePcm(text, startMs));
            QList<int> got;
            for (const Burst& b : found)
                got << int(b.lengthMs);
            // The edges ramp up and down: a burst reads a millisecond short at most.
            for (int& g : got)
                g = (g + 1) / 5 * 5;
            QCOMPARE(got, lengths);
            for (int i = 0; i < found.size(); ++i) {
                QVERIFY(qAbs(found[i].crossings - 2 * 600 * found[i].lengthMs / 1000) <= 2);
                if (i > 0 && text == QLatin1String("#")) {
                    const qint64 gap
                        = found[i].startMs - found[i - 1].startMs - found[i - 1].lengthMs;
                    QVERIFY2(gap >= 55 && gap <= 111, qPrintable(QString::number(gap)));
                }
            }
        }
        // A blank between letters adds no pause.
        QCOMPARE(MorsePcm(QStringLiteral("E E"), 7).data, MorsePcm(QStringLiteral("EE"), 7).data);
    }

    void cueRules_data()
    {
        QTest::addColumn<bool>("sound");
        QTest::addColumn<bool>("cw");
        QTest::addColumn<QString>("errorFile");
        QTest::addColumn<QStringList>("heard");
        QTest::newRow("built-in error") << true << false << "ERROR" << QStringList { "play 5760" };
        QTest::newRow("lower case is a file")
            << true << false << "error" << QStringList { "play 4" };
        QTest::newRow("Morse cues") << true << true << "ERROR" << QStringList { "morse" };
        QTest::newRow("sound off silences Morse too") << false << true << "ERROR" << QStringList {};
        QTest::newRow("unplayable file") << true << false << "missing.wav" << QStringList {};
        QTest::newRow("a device, not a file") << true << false << "/dev/zero" << QStringList {};
    }

    void cueRules()
    {
        QFETCH(bool, sound);
        QFETCH(bool, cw);
        QFETCH(QString, errorFile);
        QFETCH(QStringList, heard);
        QTemporaryDir dir;
        const QString before = QDir::currentPath();
        QDir::setCurrent(dir.path());
        writeFile(QStringLiteral("error"), wave(1, 1, 8000, 16, QByteArray(4, '\1')));
        ContestSettings settings;
        settings.soundEnabled = sound;
        settings.cwEnabled = cw;
        settings.errorSoundFile = errorFile;
        RecordingSink sink;
        SoundCues cues(sink, settings);
        QStringList refused;
        cues.onRefused = [&refused](const QString& text) { refused << text; };
        cues.errorCue();
        cues.errorCue();
        const bool unplayable
            = errorFile.startsWith(QLatin1Char('/')) || errorFile == QLatin1String("missing.wav");
        QCOMPARE(SoundCues::CueRefusal(errorFile).isEmpty(), !unplayable);
        QDir::setCurrent(before);
        QStringList twice = heard + heard;
        QCOMPARE(sink.heard, twice);
        QCOMPARE(refused.size(),
            errorFile.startsWith(QLatin1Char('/')) || errorFile == QLatin1String("missing.wav")
                ? 1
                : 0);
        if (cw && sound)
            QCOMPARE(bursts(sink.last).size(), 8);
    }

    void waveReader_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("error");
        QTest::addColumn<int>("frames");
        QTest::newRow("8-bit mono") << wave(1, 1, 11025, 8, QByteArray(100, '\x80')) << "" << 100;
        QTest::newRow("16-bit stereo") << wave(1, 2, 44100, 16, QByteArray(400, '\0')) << "" << 100;
        QTest::newRow("data cut short")
            << wave(1, 1, 8000, 16, QByteArray(101, '\0')).left(90) << "" << 23;
        QTest::newRow("float samples")
            << wave(3, 1, 8000, 32, QByteArray(8, '\0'))
            << "its sound is compressed (format 3), only PCM is played" << 0;
        QTest::newRow("24-bit") << wave(1, 1, 8000, 24, QByteArray(9, '\0'))
                                << "it has 24-bit samples, only 8 and 16 are played" << 0;
        QTest::newRow("not a wave") << QByteArray("ID3\3\0\0\0\0") << "it is not a wave file" << 0;
    }

    void waveReader()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, error);
        QFETCH(int, frames);
        Pcm pcm;
        QString why;
        QCOMPARE(ReadWave(bytes, &pcm, &why), error.isEmpty());
        QCOMPARE(why, error);
        if (error.isEmpty())
            QCOMPARE(pcm.frames(), frames);
    }

    // A new sound cuts off the one still playing (with or without a device).
    void newCueCutsOld()
    {
        AlsaSink sink;
        Pcm longSound;
        longSound.data = QByteArray(8000 * 2 * 5, '\0'); // 5 s
        Pcm shortSound;
        shortSound.data = QByteArray(8000 * 2 / 10, '\0'); // 0.1 s
        QElapsedTimer t;
        t.start();
        sink.play(longSound);
        sink.playAndWait(shortSound);
        // Once more, with two sounds handed over before the first is taken.
        sink.play(longSound);
        sink.play(longSound);
        sink.playAndWait(shortSound);
        QVERIFY2(t.elapsed() < 900, qPrintable(QString::number(t.elapsed())));
    }

    // A device missing at the start (a sound server that comes up later) is looked for again
    // at the next cue.
    void deviceFoundAfterTheStart()
    {
        QTemporaryDir dir;
        const QString capture = dir.filePath(QStringLiteral("heard.raw"));
        FileDevice device(dir, capture);
        const QString conf = dir.filePath(QStringLiteral("asound.conf"));
        const QByteArray found = readAll(conf);
        writeFile(conf, "pcm.!default { type hw card 31 }\n");
        AlsaSink sink;
        sink.playAndWait(tone(20, '\x11')); // nothing to play on yet
        // A file of its own: ALSA reads its configuration again when the file is another.
        writeFile(conf + QStringLiteral(".new"), found);
        QFile::remove(conf);
        QFile::rename(conf + QStringLiteral(".new"), conf);
        sink.playAndWait(tone(100, '\x11'));
        QCOMPARE(readAll(capture), QByteArray(1600, '\x11'));
    }

    // A device that never takes its samples (a pipe nobody reads) holds only the sink's thread:
    // the sink ends within about a second, and the thread, once the pipe is read, ends cleanly.
    void stuckDeviceDoesNotHoldTheEnd()
    {
        QTemporaryDir dir;
        const QByteArray pipe = QFile::encodeName(dir.filePath(QStringLiteral("device")));
        if (::mkfifo(pipe.constData(), 0600) != 0)
            QSKIP("no named pipes here");
        FileDevice device(dir, QFile::decodeName(pipe));
        auto ended = std::make_shared<std::atomic<bool>>(false);
        std::thread([ended] {
            {
                AlsaSink sink;
                // Bounded too: the sound's length and a second.
                sink.playAndWait(tone(100, '\x11'));
            }
            *ended = true;
        }).detach();
        QTRY_VERIFY_WITH_TIMEOUT(*ended, 5000);

        const int reader = ::open(pipe.constData(), O_RDONLY | O_NONBLOCK);
        QVERIFY(reader >= 0);
        bool hungUp = false;
        QElapsedTimer waited;
        waited.start();
        while (!hungUp && waited.elapsed() < 3000) {
            pollfd p { reader, POLLIN, 0 };
            if (::poll(&p, 1, 100) <= 0)
                continue;
            char bytes[4096];
            hungUp = (p.revents & POLLHUP)
                || ((p.revents & POLLIN) && ::read(reader, bytes, sizeof bytes) == 0);
        }
        ::close(reader);
        QVERIFY(hungUp);
    }
};

QTEST_GUILESS_MAIN(TestCues)
#include "tst_cues.moc"
