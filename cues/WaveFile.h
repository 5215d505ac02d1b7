#pragma once

#include <QString>

#include "Pcm.h"

namespace vorad {

// Reads PCM wave data: 8 or 16 bits, mono or stereo, any rate. Anything else is refused with
// the reason in `error`, never handed on to be played as noise.
bool ReadWave(const QByteArray& bytes, Pcm* pcm, QString* error);
bool ReadWaveFile(const QString& path, Pcm* pcm, QString* error);

} // namespace vorad
