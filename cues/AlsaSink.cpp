#include "AlsaSink.h"

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <csignal>
#include <mutex>

#include <pthread.h>

#include <alsa/asoundlib.h>

namespace vorad {

struct AlsaSink::Shared
{
    std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable done;
    Pcm next;
    bool pending = false;
    bool cancel = false;
    bool quit = false;
    bool ended = false; // the thread has closed the device and returned
    quint64 queued = 0; // sounds handed over
    quint64 finished = 0; // ... and ended, heard or cut off
    std::function<void()> onStarted;
};

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// ALSA's own complaints (no card, no configuration) are not the operator's business.
void quiet(const char*, int, const char*, int, const char*, ...)
{ }

snd_pcm_format_t format(const Pcm& pcm)
{
    return pcm.bits == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
}

// Without blocking: a busy device is no device.
snd_pcm_t* openDevice()
{
    snd_pcm_t* device = nullptr;
    return snd_pcm_open(&device, "default", SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK) < 0 ? nullptr
                                                                                           : device;
}

bool cutOff(AlsaSink::Shared& s)
{
    std::lock_guard lock(s.mutex);
    return s.cancel;
}

// Sends one sound to the device, and lets the device play out what it holds unless a newer
// cue cuts it off.
void sound(AlsaSink::Shared& s, snd_pcm_t* device, const Pcm& pcm)
{
    const int frame = pcm.channels * pcm.bits / 8;
    // Written in pieces of about 20 ms, so that a new cue cuts in at once.
    const snd_pcm_sframes_t piece = qMax(1, pcm.rate / 50);
    const snd_pcm_sframes_t total = pcm.frames();
    snd_pcm_sframes_t at = 0;
    auto lastTaken = Clock::now();
    while (at < total && !cutOff(s)) {
        const snd_pcm_sframes_t n = snd_pcm_writei(
            device, pcm.data.constData() + at * frame, size_t(qMin(piece, total - at)));
        if (n == -EAGAIN || n == 0) {
            // The device is full: wait for room a little at a time. One that takes nothing
            // for a second gets no more of this sound.
            if (Clock::now() - lastTaken > 1s)
                break;
            const int ready = snd_pcm_wait(device, 20);
            if (ready < 0 && snd_pcm_recover(device, ready, 1) < 0)
                break;
            continue;
        }
        if (n < 0) {
            if (snd_pcm_recover(device, int(n), 1) < 0)
                break;
            continue;
        }
        at += n;
        lastTaken = Clock::now();
    }
    if (!cutOff(s)) {
        // A sound shorter than the device's buffer never starts it by itself. Then what the
        // device holds plays out, unless a newer cue cuts it off: no drain, which blocks on
        // shared devices and would hold the next cue (and the Morse sender) well past the end.
        if (snd_pcm_state(device) == SND_PCM_STATE_PREPARED)
            snd_pcm_start(device);
        const auto until = Clock::now() + std::chrono::milliseconds(pcm.durationMs()) + 1s;
        std::unique_lock lock(s.mutex);
        snd_pcm_sframes_t left = 0;
        while (!s.cancel && !s.quit && Clock::now() < until && snd_pcm_delay(device, &left) == 0
            && left > 0) {
            const auto step = std::chrono::milliseconds(qBound(1, int(left * 1000 / pcm.rate), 10));
            s.wake.wait_for(lock, step, [&s] { return s.cancel || s.quit; });
        }
    }
    snd_pcm_drop(device);
}

void run(const std::shared_ptr<AlsaSink::Shared>& shared)
{
    AlsaSink::Shared& s = *shared;
    // Opened at the first cue: a start-up that gives none never loads the sound system.
    snd_pcm_t* device = nullptr;
    for (;;) {
        Pcm pcm;
        quint64 taken = 0;
        std::function<void()> told;
        {
            std::unique_lock lock(s.mutex);
            s.wake.wait(lock, [&s] { return s.pending || s.quit; });
            if (s.quit)
                break;
            pcm = std::move(s.next);
            taken = s.queued; // a sound replaced before it was taken counts as ended with it
            s.pending = false;
            s.cancel = false;
            told = s.onStarted;
        }
        const auto started = Clock::now();
        if (told)
            told();
        // A sound server that comes up after the program is found at the next cue.
        if (!device)
            device = openDevice();
        if (device
            && snd_pcm_set_params(device, format(pcm), SND_PCM_ACCESS_RW_INTERLEAVED,
                   unsigned(pcm.channels), unsigned(pcm.rate), 1, 100000)
                == 0) {
            sound(s, device, pcm);
        } else {
            // No device: the wait lasts as long as the sound would have, unless cut off.
            std::unique_lock lock(s.mutex);
            s.wake.wait_until(lock, started + std::chrono::milliseconds(pcm.durationMs()),
                [&s] { return s.cancel || s.quit; });
        }
        {
            std::lock_guard lock(s.mutex);
            s.finished = taken;
        }
        s.done.notify_all();
    }
    if (device)
        snd_pcm_close(device);
    {
        std::lock_guard lock(s.mutex);
        s.ended = true;
    }
    s.done.notify_all();
}

} // namespace

AlsaSink::AlsaSink()
    : m_shared(std::make_shared<Shared>())
{
    snd_lib_error_set_handler(quiet);
    // The thread takes no signals: a terminate is the window's to handle, and a pipe that a
    // device writes to and that closes is an error there, not the end of the program.
    sigset_t all;
    sigset_t before;
    sigfillset(&all);
    pthread_sigmask(SIG_BLOCK, &all, &before);
    m_thread = std::thread([shared = m_shared] { run(shared); });
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
}

AlsaSink::~AlsaSink()
{
    std::unique_lock lock(m_shared->mutex);
    m_shared->quit = true;
    m_shared->cancel = true;
    m_shared->wake.notify_all();
    // A device that never opens or never takes its samples holds the thread inside ALSA; the
    // thread keeps its own share of the state, and the end of the process takes it with it.
    const bool ended = m_shared->done.wait_for(lock, 1s, [this] { return m_shared->ended; });
    lock.unlock();
    if (ended)
        m_thread.join();
    else
        m_thread.detach();
}

void AlsaSink::play(const Pcm& pcm)
{
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->next = pcm;
        m_shared->pending = true;
        m_shared->cancel = true; // the sound still playing is cut off
        ++m_shared->queued;
    }
    m_shared->wake.notify_all();
}

void AlsaSink::playAndWait(const Pcm& pcm)
{
    play(pcm);
    Shared& s = *m_shared;
    std::unique_lock lock(s.mutex);
    const quint64 mine = s.queued;
    // The sound's own length and a second more: a hung device never holds the window longer.
    s.done.wait_for(lock, std::chrono::milliseconds(pcm.durationMs() + 1000),
        [&] { return s.finished >= mine || s.quit; });
}

void AlsaSink::setOnStarted(std::function<void()> told)
{
    std::lock_guard lock(m_shared->mutex);
    m_shared->onStarted = std::move(told);
}

} // namespace vorad
