#pragma once

#include <functional>
#include <memory>
#include <thread>

#include "Pcm.h"

namespace vorad {

// Plays through ALSA's default device on a thread of its own. Without a device it stays
// silent: no error box, no lines on the terminal, and waits last as long as the sound would.
// A device that never opens or never takes its samples holds only that thread: the sink's end
// waits for it a second at most, and then leaves it to the end of the process.
class AlsaSink : public AudioSink
{
public:
    AlsaSink();
    ~AlsaSink() override;

    void play(const Pcm& pcm) override;
    void playAndWait(const Pcm& pcm) override;
    // Told, on the sink's thread, as each sound starts going to the device (or to silence).
    void setOnStarted(std::function<void()> told);

    // What the thread shares with the sink; it outlives the sink while the thread is held.
    struct Shared;

private:
    std::shared_ptr<Shared> m_shared;
    std::thread m_thread;
};

} // namespace vorad
