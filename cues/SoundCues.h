#pragma once

#include <functional>

#include <QSet>
#include <QString>

#include "MorseSender.h"
#include "Pcm.h"

namespace vorad {

struct ContestSettings;

// The cues of the operating window: built-in sounds or wave files, or Morse when Morse cues
// are on; nothing at all while sound is off.
class SoundCues
{
public:
    SoundCues(
        AudioSink& sink, const ContestSettings& settings, std::function<qint64()> clockMs = {});

    // "ERROR", "QSOOK" and "DUPE" (exactly) are the built-in sounds; anything else is the
    // path of a wave file. Returns at once; a new cue cuts off the one still playing.
    void PlaySoundCue(const QString& name);
    // Why a cue name will not be heard ("" when it will).
    static QString CueRefusal(const QString& name);
    // Tells through `onRefused` why a cue name will not be heard, once a file whatever named it
    // (the settings file, the Sound dialog, a file gone since): a file heard again is told
    // again when it next fails.
    void checkCue(const QString& name);
    void errorCue();
    void dupeCue();
    void sendMorse(const QString& text, int speed) { m_morse.send(text, speed); }

    // Told why a wave file was not played, or will not be.
    std::function<void(const QString&)> onRefused;
    // Run after a wave file started, as the operating window lets its events run.
    std::function<void()> letEventsRun;

private:
    void cue(const QString& name);
    void tell(const QString& name, const QString& text);

    AudioSink& m_sink;
    const ContestSettings& m_settings;
    MorseSender m_morse;
    QSet<QString> m_refusedFiles;
};

} // namespace vorad
