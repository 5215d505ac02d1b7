#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

#include "Pcm.h"

namespace vorad {

// Plays through ALSA's default device on a thread of its own. Without a device it stays
// silent: no error box, no lines on the terminal, and waits last as long as the sound would.
class AlsaSink : public AudioSink
{
public:
    AlsaSink();
    ~AlsaSink() override;

    void play(const Pcm& pcm) override;
    void playAndWait(const Pcm& pcm) override;
    // Told, on the sink's thread, as each sound starts going to the device (or to silence).
    std::function<void()> onStarted;

private:
    void run();

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    Pcm m_next;
    bool m_pending = false;
    bool m_cancel = false;
    bool m_quit = false;
    quint64 m_queued = 0; // sounds handed over
    quint64 m_finished = 0; // ... and ended, heard or cut off
    std::thread m_thread;
};

} // namespace vorad
