#include "MorseSender.h"

#include <QDateTime>

#include <cmath>

namespace vorad {

namespace {

// "." a dit, "-" a dah, "g" a letter gap.
struct MorseEntry
{
    char c;
    const char* pattern;
};

const MorseEntry morseTable[] = {
    { 'A', ".-" },
    { 'B', "-..." },
    { 'C', "-.-." },
    { 'D', "-.." },
    { 'E', "." },
    { 'F', "..-." },
    { 'G', "--." },
    { 'H', "...." },
    { 'I', ".." },
    { 'J', ".---" },
    { 'K', "-.-" },
    { 'L', ".-.." },
    { 'M', "--" },
    { 'N', "-." },
    { 'O', "---" },
    { 'P', ".--." },
    { 'Q', "--.-" },
    { 'R', ".-." },
    { 'S', "..." },
    { 'T', "-" },
    { 'U', "..-" },
    { 'V', "...-" },
    { 'W', ".--" },
    { 'X', "-..-" },
    { 'Y', "-.--" },
    { 'Z', "--.." },
    { '0', "-----" },
    { '1', ".----" },
    { '2', "..---" },
    { '3', "...--" },
    { '4', "....-" },
    { '5', "....." },
    { '6', "-...." },
    { '7', "--..." },
    { '8', "---.." },
    { '9', "----." },
    { '#', "g........g" },
};

constexpr int RampMs = 4; // raised-cosine edges: no clicks

class ToneWriter
{
public:
    explicit ToneWriter(qint64 startMs)
        : m_ms(startMs)
    {
        m_pcm.rate = MorseSender::SampleRate;
        m_pcm.channels = 1;
        m_pcm.bits = 16;
    }

    void tone(int ms)
    {
        const int n = ms * m_pcm.rate / 1000;
        const int ramp = RampMs * m_pcm.rate / 1000;
        for (int i = 0; i < n; ++i) {
            double gain = 1.0;
            if (i < ramp)
                gain = 0.5 - 0.5 * std::cos(M_PI * i / ramp);
            else if (n - 1 - i < ramp)
                gain = 0.5 - 0.5 * std::cos(M_PI * (n - 1 - i) / ramp);
            const double v
                = gain * 0.6 * std::sin(2 * M_PI * MorseSender::PitchHz * i / m_pcm.rate);
            put(qint16(std::lround(v * 32767)));
        }
        m_ms += ms;
    }

    // One tick's wait as the clock reads it: until clock / 55 passes the tick it started in
    // plus one.
    void tickWait()
    {
        const qint64 deadline = m_ms / MorseSender::TickMs + 1;
        const qint64 end = (deadline + 1) * MorseSender::TickMs;
        const qint64 n = (end - m_ms) * m_pcm.rate / 1000;
        for (qint64 i = 0; i < n; ++i)
            put(0);
        m_ms = end;
    }

    Pcm take() { return std::move(m_pcm); }

private:
    void put(qint16 v)
    {
        m_pcm.data.append(char(v & 0xff));
        m_pcm.data.append(char((v >> 8) & 0xff));
    }

    qint64 m_ms;
    Pcm m_pcm;
};

} // namespace

Pcm MorsePcm(const QString& text, qint64 startMs)
{
    ToneWriter out(startMs);
    for (QChar c : text) {
        for (const MorseEntry& e : morseTable) {
            if (c != QLatin1Char(e.c))
                continue;
            for (const char* p = e.pattern; *p; ++p) {
                if (*p == 'g') {
                    out.tickWait();
                    continue;
                }
                out.tone(*p == '.' ? MorseSender::DitMs : MorseSender::DahMs);
                out.tickWait();
            }
            out.tickWait();
            break;
        }
    }
    return out.take();
}

MorseSender::MorseSender(AudioSink& sink, std::function<qint64()> clockMs)
    : m_sink(sink)
    , m_clockMs(std::move(clockMs))
{
    if (!m_clockMs)
        m_clockMs = [] { return QDateTime::currentMSecsSinceEpoch(); };
}

void MorseSender::send(const QString& text, int)
{
    const Pcm pcm = MorsePcm(text, m_clockMs());
    if (!pcm.data.isEmpty())
        m_sink.playAndWait(pcm);
}

} // namespace vorad
