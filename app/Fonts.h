#pragma once

namespace vorad {

// Maps the design's font families to the metric-compatible ones installed here.
void InstallFontSubstitutions();

} // namespace vorad
