#pragma once

#include <QSize>
#include <QString>

#include "ColourScheme.h"

class QLabel;

namespace vorad {

class Desktop;
class LogBook;
class TQZMainForm;
struct ContestSettings;
struct MainControls;

// The window's look: its colours, the layout of every control for the window's size, its title
// and its fit to the screen.
class Appearance
{
public:
    // The window's default size, menu bar included.
    static constexpr QSize DefaultWindowSize { 635, 435 };

    Appearance(TQZMainForm& form, MainControls& controls, ContestSettings& settings,
        const LogBook& logBook, const Desktop& desktop);

    // The colours of the form's design; the scheme is applied over them once the dialogs exist.
    void paintDesignColours();
    // The window's own controls in the scheme's colours (the dialogs paint their own).
    void paintScheme(const ColourScheme& s);
    void LayoutMainWindow();
    void SetMainTitle();
    void FinishLayout();
    void RestoreDefaultWindowSize();
    void showTitle(const QString& title);
    void showLogFileCaption();
    // The title tells again whether the log is on disk; true when that changed to "it is".
    bool titleCaughtUp();
    // True while the program itself sizes the window.
    bool placingWindow() const { return m_placingWindow > 0; }
    void setValueText(QLabel* label, const QString& text);
    // The window's system commands: maximise lays out, restore and a drag of the title bar
    // return the window to its design size.
    void stateChanged(Qt::WindowStates before);
    void moved(bool spontaneous);
    // From now on a move is the operator's.
    void watchMoves() { m_watchMoves = true; }

private:
    QSize screenSize() const;
    void resizeWindow(QSize size);

    TQZMainForm& m_form;
    MainControls& c;
    ContestSettings& m_settings;
    const LogBook& m_logBook;
    const Desktop& m_desktop;
    bool m_titleInStep = true;
    QString m_title; // the title before the note that the log is not on disk
    QSize m_fitReference { 635, 482 };
    int m_placingWindow = 0;
    bool m_watchMoves = false; // the first placement by the window manager is not a drag
    QSize m_sizeAtLastMove;
};

} // namespace vorad
