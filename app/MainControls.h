#pragma once

#include <array>

class QAction;
class QFont;
class QLabel;
class QPoint;
class QString;
class QWidget;
class QLineEdit;
class QListView;

namespace vorad {

class DrumList;

// The operating window's controls, built by the window and borrowed by its units.
struct MainControls
{
    QLabel* SummaryHeader = nullptr;
    DrumList* SummaryBox = nullptr;
    QLabel* AllowedLabel = nullptr;
    QLabel* WaitLabel = nullptr;
    DrumList* AllowedList = nullptr;
    DrumList* WaitList = nullptr;
    QLabel* CLOCK1 = nullptr;
    QLabel* F5Bottom = nullptr;
    QLabel* ContestLogLabel1 = nullptr;
    QLabel* MyCallsign = nullptr;
    QLabel* CurrentTZLabel = nullptr;
    QLabel* TimeZoneLabel = nullptr;
    QLabel* PointsTotalLabel = nullptr;
    QLabel* PointsTotal = nullptr;
    QLabel* TopIndexLabel = nullptr;
    QListView* LogBook = nullptr;
    QLineEdit* BandN = nullptr;
    QLineEdit* ModeN = nullptr;
    QLineEdit* RSTTxN = nullptr;
    QLineEdit* CallsignN = nullptr;
    QLineEdit* NameN = nullptr;
    QLineEdit* RSTRxN = nullptr;
    QLineEdit* TimeUTC = nullptr;
    QLineEdit* DateN = nullptr;
    QLineEdit* PointsN = nullptr;
    QLabel* StatusPanel = nullptr;
    QLabel* TimeStatusPanel = nullptr;
    QLabel* PartialCheck = nullptr; // the logged callsigns that hold what is typed
    // F1 to F10: the key's name, and under it the caption that runs its command.
    std::array<QLabel*, 10> keyTops {};
    std::array<QLabel*, 10> keyBottoms {};
    QAction* LogBookDisplay1 = nullptr;
    QAction* DupeDisplay1 = nullptr;
    QAction* ContactSummaryDisplay1 = nullptr;
};

// A label of the window at its design place, as large as its text.
QLabel* PlacedLabel(
    QWidget* parent, const char* name, const QString& text, const QPoint& at, const QFont& font);

} // namespace vorad
