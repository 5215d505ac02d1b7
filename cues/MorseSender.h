#pragma once

#include <functional>

#include <QString>

#include "Pcm.h"

namespace vorad {

// The Morse of `text` as sound: 600 Hz, dit 25 ms, dah 150 ms, and after every element and
// every character a wait of one 55 ms tick of the millisecond clock, which lasts from just over
// 0 to 55 ms more than a tick (55 to 110 ms) as the clock stands at `startMs`. Characters with
// no entry (lower case, space, punctuation) give nothing.
Pcm MorsePcm(const QString& text, qint64 startMs);

// Sends Morse through the sink and returns when it has been heard.
class MorseSender
{
public:
    static constexpr int PitchHz = 600;
    static constexpr int DitMs = 25;
    static constexpr int DahMs = 150;
    static constexpr int TickMs = 55;
    static constexpr int SampleRate = 16000;

    explicit MorseSender(AudioSink& sink, std::function<qint64()> clockMs = {});

    // `speed` is what every caller passes (20); the timing does not depend on it.
    void send(const QString& text, int speed);

private:
    AudioSink& m_sink;
    std::function<qint64()> m_clockMs;
};

} // namespace vorad
