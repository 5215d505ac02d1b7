#pragma once

#include <array>

#include <QRect>
#include <QSize>
#include <QString>

namespace vorad {

// a x c / b, never less than 1; the product is taken in 64 bits and a zero divisor gives 1.
int ScaleBy(int a, int b, int c);

// The main window's controls that the layout places; the ten function keys share two entries.
enum class LayoutControl {
    ContestLogLabel1,
    MyCallsign,
    CurrentTZLabel,
    TimeZoneLabel,
    PointsTotalLabel,
    PointsTotal,
    TopIndexLabel,
    LogBook,
    BandN,
    ModeN,
    RSTTxN,
    CallsignN,
    NameN,
    RSTRxN,
    TimeUTC,
    DateN,
    PointsN,
    SummaryHeader,
    SummaryBox,
    AllowedList,
    WaitList,
    AllowedLabel,
    WaitLabel,
    StatusPanel,
    TimeStatusPanel,
    CLOCK1,
    FTop,
    FBottom,
    Count
};
constexpr int LayoutControlCount = static_cast<int>(LayoutControl::Count);

// Text measured in a control's own typeface; points 0 is the control's font as it stands.
class LayoutMeasure
{
public:
    virtual ~LayoutMeasure() = default;
    virtual QSize textSize(LayoutControl control, int points, const QString& text) const = 0;
    // The font's line height in pixels.
    virtual int fontHeight(LayoutControl control, int points) const = 0;
};

struct LayoutInput
{
    QSize window; // the window's size, menu bar included
    int clientHeight = 0; // below the menu bar
    int dpi = 96; // the screen's horizontal logical resolution
    bool fullScreen = false; // "LogBook Display Full Screen" ticked
    char clockSide = '\0'; // 'L' over the summary, 'R' over the dupe lists, '\0' none
    bool mayLayOut = true; // false while minimised or shutting down
    int headingPointsBefore = 10; // the column-heading line's font size as it stands
    int captionHeightBefore = 25; // the function-key captions' height as it stands
    int logLines = 0;
    // The texts of the six header labels, in the order of LayoutControl.
    std::array<QString, 6> headerTexts;
};

struct ControlPlace
{
    QRect rect;
    int points = 0; // 0: the font is left as it is
};

struct MainLayout
{
    QSize window; // the window's size after the minimum
    bool laidOut = false; // false: only the minimum size applies
    std::array<ControlPlace, LayoutControlCount> places;
    std::array<QRect, 10> keyTops, keyBottoms; // F1 to F10
    int winLogLength = 1;
    int firstVisibleLine = 0;

    const ControlPlace& operator[](LayoutControl c) const
    {
        return places[static_cast<std::size_t>(c)];
    }
    ControlPlace& operator[](LayoutControl c) { return places[static_cast<std::size_t>(c)]; }
};

// The places of every control of the main window for its size, in the two arrangements.
MainLayout ComputeMainLayout(const LayoutInput& in, const LayoutMeasure& measure);

// The large clock centred over the summary list ('L') or over the dupe lists and their
// captions ('R'); `clock` is the size of "00:00:00" in its font.
QPoint ClockPosition(char side, QSize clock, const QRect& summary, const QRect& allowedList,
    int waitWidth, const QRect& allowedLabel);

// The main window's title: own callsign, band category, version and the log file's name
// (shortened past 25 characters).
QString MainTitle(const QString& callsign, const QString& bandCategory, const QString& logFile);

// The window size that suits the screen; an empty size where the window stays as it is.
// Screens the table does not list get a size in proportion to `fitReference`.
struct ScreenFit
{
    QSize size;
    bool proportional = false;
};
ScreenFit ScreenFitSize(QSize screen, QSize fitReference);

} // namespace vorad
