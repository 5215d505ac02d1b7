#pragma once

#include <QString>
#include <QStringList>

namespace vorad {

// Maps the design's font families to the metric-compatible ones installed here.
void InstallFontSubstitutions();
// The family a design font is drawn in here: itself where it is one of the `installed`
// families, else the first installed family it is mapped to. Asked once per font at start-up,
// so that the font database is never searched for a family it does not have.
QString DesignFamily(const QString& family, const QStringList& installed);

} // namespace vorad
