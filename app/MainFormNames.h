#pragma once

class QWidget;

namespace vorad {

// Names the main window's controls for a screen reader; run once its controls are built.
void NameMainWindowControls(QWidget* window);

} // namespace vorad
