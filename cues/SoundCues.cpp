#include "SoundCues.h"

#include <QFile>

#include "ContestSettings.h"
#include "WaveFile.h"

// The sounds are compiled into a static library: they are brought in by name.
static void initCueResources()
{
    Q_INIT_RESOURCE(cues);
}

namespace vorad {

SoundCues::SoundCues(
    AudioSink& sink, const ContestSettings& settings, std::function<qint64()> clockMs)
    : m_sink(sink)
    , m_settings(settings)
    , m_morse(sink, std::move(clockMs))
{
    initCueResources();
}

void SoundCues::PlaySoundCue(const QString& name)
{
    Pcm pcm;
    QString error;
    if (name == QLatin1String("ERROR") || name == QLatin1String("QSOOK")
        || name == QLatin1String("DUPE")) {
        QFile resource(QStringLiteral(":/cues/") + name);
        if (resource.open(QIODevice::ReadOnly) && ReadWave(resource.readAll(), &pcm, &error))
            m_sink.play(pcm);
        return; // a missing built-in sound plays nothing
    }
    if (!ReadWaveFile(name, &pcm, &error)) {
        tell(name, QStringLiteral("  The sound %1 was not played: %2").arg(name, error));
        return;
    }
    m_refusedFiles.remove(name);
    m_sink.play(pcm);
    if (letEventsRun)
        letEventsRun();
}

QString SoundCues::CueRefusal(const QString& name)
{
    if (name == QLatin1String("ERROR") || name == QLatin1String("QSOOK")
        || name == QLatin1String("DUPE"))
        return {};
    Pcm pcm;
    QString error;
    return ReadWaveFile(name, &pcm, &error)
        ? QString()
        : QStringLiteral("  The sound %1 will not be played: %2").arg(name, error);
}

void SoundCues::checkCue(const QString& name)
{
    const QString refusal = CueRefusal(name);
    if (refusal.isEmpty())
        m_refusedFiles.remove(name);
    else
        tell(name, refusal);
}

void SoundCues::tell(const QString& name, const QString& text)
{
    // Once a file: the status line is the refusals' place, not the sounds'.
    if (m_refusedFiles.contains(name))
        return;
    m_refusedFiles.insert(name);
    if (onRefused)
        onRefused(text);
}

void SoundCues::cue(const QString& name)
{
    if (!m_settings.soundEnabled)
        return;
    if (m_settings.cwEnabled)
        m_morse.send(QStringLiteral("#"), 20);
    else
        PlaySoundCue(name);
}

void SoundCues::errorCue()
{
    cue(m_settings.errorSoundFile);
}

void SoundCues::dupeCue()
{
    cue(m_settings.dupeSoundFile);
}

} // namespace vorad
