#include "AlsaSink.h"

#include <chrono>

#include <alsa/asoundlib.h>

namespace vorad {

namespace {

// ALSA's own complaints (no card, no configuration) are not the operator's business.
void quiet(const char*, int, const char*, int, const char*, ...)
{ }

snd_pcm_format_t format(const Pcm& pcm)
{
    return pcm.bits == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
}

} // namespace

AlsaSink::AlsaSink()
{
    snd_lib_error_set_handler(quiet);
    m_thread = std::thread([this] { run(); });
}

AlsaSink::~AlsaSink()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        m_cancel = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void AlsaSink::play(const Pcm& pcm)
{
    {
        std::lock_guard lock(m_mutex);
        m_next = pcm;
        m_pending = true;
        m_cancel = true; // the sound still playing is cut off
        ++m_queued;
    }
    m_wake.notify_all();
}

void AlsaSink::playAndWait(const Pcm& pcm)
{
    play(pcm);
    std::unique_lock lock(m_mutex);
    const quint64 mine = m_queued;
    // The sound's own length and a second more: a hung device never holds the window longer.
    m_done.wait_for(lock, std::chrono::milliseconds(pcm.durationMs() + 1000),
        [&] { return m_finished >= mine || m_quit; });
}

void AlsaSink::run()
{
    snd_pcm_t* device = nullptr;
    bool tried = false;
    for (;;) {
        Pcm pcm;
        quint64 taken = 0;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_pending || m_quit; });
            if (m_quit)
                break;
            pcm = std::move(m_next);
            taken = m_queued; // a sound replaced before it was taken counts as ended with it
            m_pending = false;
            m_cancel = false;
        }
        if (!tried) {
            tried = true;
            if (snd_pcm_open(&device, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0)
                device = nullptr;
        }
        const int frame = pcm.channels * pcm.bits / 8;
        const auto started = std::chrono::steady_clock::now();
        if (onStarted)
            onStarted();
        if (device
            && snd_pcm_set_params(device, format(pcm), SND_PCM_ACCESS_RW_INTERLEAVED,
                   unsigned(pcm.channels), unsigned(pcm.rate), 1, 100000)
                == 0) {
            // Written in pieces of about 20 ms, so that a new cue cuts in at once.
            const snd_pcm_sframes_t piece = qMax(1, pcm.rate / 50);
            snd_pcm_sframes_t at = 0;
            const snd_pcm_sframes_t total = pcm.frames();
            while (at < total) {
                {
                    std::lock_guard lock(m_mutex);
                    if (m_cancel)
                        break;
                }
                const snd_pcm_sframes_t n = snd_pcm_writei(
                    device, pcm.data.constData() + at * frame, size_t(qMin(piece, total - at)));
                if (n < 0) {
                    if (snd_pcm_recover(device, int(n), 1) < 0)
                        break;
                    continue;
                }
                at += n;
            }
            bool cut = false;
            {
                std::lock_guard lock(m_mutex);
                cut = m_cancel;
            }
            // What the device still holds plays out unless a new cue comes: no drain, which
            // could not be cut short.
            snd_pcm_sframes_t delay = 0;
            if (!cut && snd_pcm_delay(device, &delay) == 0 && delay > 0) {
                std::unique_lock lock(m_mutex);
                m_wake.wait_for(lock, std::chrono::milliseconds(delay * 1000 / pcm.rate),
                    [this] { return m_cancel || m_quit; });
            }
            snd_pcm_drop(device);
        } else {
            // No device: the wait lasts as long as the sound would have, unless cut off.
            std::unique_lock lock(m_mutex);
            m_wake.wait_until(lock, started + std::chrono::milliseconds(pcm.durationMs()),
                [this] { return m_cancel || m_quit; });
        }
        {
            std::lock_guard lock(m_mutex);
            m_finished = taken;
        }
        m_done.notify_all();
    }
    if (device)
        snd_pcm_close(device);
}

} // namespace vorad
