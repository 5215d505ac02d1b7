#pragma once

#include <QByteArray>

namespace vorad {

// Sound as the device takes it: interleaved little-endian samples.
struct Pcm
{
    int rate = 8000;
    int channels = 1;
    int bits = 16; // 8 (unsigned) or 16 (signed)
    QByteArray data;

    qint64 frames() const
    {
        const int frame = channels * bits / 8;
        return frame > 0 ? data.size() / frame : 0;
    }
    // Length in milliseconds.
    qint64 durationMs() const { return rate > 0 ? frames() * 1000 / rate : 0; }
};

// Where cues are heard. A new sound cuts off the one still playing.
class AudioSink
{
public:
    virtual ~AudioSink() = default;
    // Starts the sound and returns at once.
    virtual void play(const Pcm& pcm) = 0;
    // Sounds it and returns when it has been heard.
    virtual void playAndWait(const Pcm& pcm) = 0;
};

// Hears nothing and waits for nothing: for tests and benchmarks.
class SilentSink : public AudioSink
{
public:
    void play(const Pcm&) override { }
    void playAndWait(const Pcm&) override { }
};

} // namespace vorad
