#include "MainLayout.h"

#include <algorithm>
#include <limits>

#include "LogLine.h"

namespace vorad {

namespace {

constexpr int ReferenceWidth = 635;
constexpr int ReferenceHeight = 434;
constexpr int MinimumWidth = ReferenceWidth - 90;
constexpr int MinimumHeight = ReferenceHeight - 35;

using C = LayoutControl;

// The entry row's boxes and the texts whose width each takes.
constexpr struct
{
    LayoutControl box;
    const char* sample;
} EntrySamples[] = {
    { C::BandN, " 70cm" },
    { C::ModeN, "Phone " },
    { C::RSTTxN, "   599000" },
    { C::CallsignN, "  VK8EEE/E" },
    { C::NameN, "Fred Bloggs " },
    { C::RSTRxN, "   599000" },
    { C::TimeUTC, "  24:59:59" },
    { C::DateN, "  00-00-0000" },
    { C::PointsN, " 1" },
};

} // namespace

int ScaleBy(int a, int b, int c)
{
    if (b == 0)
        return 1;
    const long long v = static_cast<long long>(a) * c / b;
    if (v < 1)
        return 1;
    return v > std::numeric_limits<int>::max() ? std::numeric_limits<int>::max()
                                               : static_cast<int>(v);
}

MainLayout ComputeMainLayout(const LayoutInput& in, const LayoutMeasure& measure)
{
    MainLayout out;
    int W = in.window.width();
    int H = in.window.height();
    const bool decide = in.mayLayOut && (W != ReferenceWidth || H != ReferenceHeight);
    W = std::max(W, MinimumWidth);
    H = std::max(H, MinimumHeight);
    out.window = QSize(W, H);
    if (!decide)
        return out;
    out.laidOut = true;
    // The menu bar keeps its height when the window grows to its minimum.
    const int CH = in.clientHeight + (H - in.window.height());
    const int dpi = in.dpi > 0 ? in.dpi : 96;
    const auto sx = [W](int v) { return ScaleBy(v, ReferenceWidth, W); };
    const auto sy = [H](int v) { return ScaleBy(v, ReferenceHeight, H); };
    const auto adjusted = [dpi](int points) { return std::max(1, points * 96 / dpi); };
    const int F = ((100 * W / ReferenceWidth) * 100) / 1000;
    const auto text = [&](LayoutControl c, int points, const QString& s) {
        return measure.textSize(c, points, s);
    };
    const QString E = QStringLiteral("E");

    // 4. The header labels, each sized to its text in the new font.
    const int captionPoints = adjusted(F);
    auto header = [&](LayoutControl c) -> ControlPlace& {
        ControlPlace& p = out[c];
        p.points = captionPoints;
        p.rect.setSize(text(c, captionPoints, in.headerTexts[static_cast<std::size_t>(c)]));
        return p;
    };
    ControlPlace& station = header(C::ContestLogLabel1);
    ControlPlace& callsign = header(C::MyCallsign);
    ControlPlace& tzCaption = header(C::CurrentTZLabel);
    ControlPlace& tz = header(C::TimeZoneLabel);
    ControlPlace& pointsCaption = header(C::PointsTotalLabel);
    ControlPlace& points = header(C::PointsTotal);
    if (!in.fullScreen) {
        station.rect.moveTopLeft({ sx(254), sy(16) });
        callsign.rect.moveTopLeft({ sx(254), sy(32) });
        tzCaption.rect.moveTopLeft({ sx(254), sy(56) });
        tz.rect.moveTopLeft({ sx(254), sy(72) });
        pointsCaption.rect.moveTopLeft({ sx(254), sy(104) });
        points.rect.moveTopLeft({ pointsCaption.rect.left(), sy(120) });
    } else {
        const auto rightEdge = [](const ControlPlace& p) { return p.rect.left() + p.rect.width(); };
        station.rect.moveTopLeft({ sx(8), sy(8) });
        callsign.rect.moveTopLeft({ rightEdge(station) + 5,
            station.rect.top() - text(C::ContestLogLabel1, captionPoints, E).height() / 3 });
        tzCaption.rect.moveTopLeft({ sx(254), station.rect.top() });
        tz.rect.moveTopLeft({ rightEdge(tzCaption) + 5, callsign.rect.top() });
        pointsCaption.rect.moveTopLeft({ sx(460), station.rect.top() });
        points.rect.moveTopLeft({ rightEdge(pointsCaption) + 5, callsign.rect.top() });
    }

    // 5. The logbook list and its column headings.
    const int L = adjusted(F);
    ControlPlace& heading = out[C::TopIndexLabel];
    ControlPlace& list = out[C::LogBook];
    const int headingTop = in.fullScreen ? sy(24) : sy(165);
    list.points = L;
    list.rect = QRect(sx(8), 2 * in.headingPointsBefore + headingTop + 2, sx(610), 0);
    heading.points = L;
    heading.rect
        = QRect(list.rect.left(), headingTop, list.rect.width(), list.rect.top() - headingTop - 1);

    // 6. The entry row, box against box.
    const int rowHeight = text(C::TopIndexLabel, L, E).height() * 3 / 2;
    int left = list.rect.left();
    for (const auto& sample : EntrySamples) {
        ControlPlace& box = out[sample.box];
        box.points = L;
        const int width = text(C::TopIndexLabel, L, QString::fromLatin1(sample.sample)).width();
        box.rect = QRect(left, 0, width, rowHeight);
        left += width - 1;
    }
    ControlPlace& pointsBox = out[C::PointsN];
    const int slack
        = list.rect.width() - (pointsBox.rect.left() + pointsBox.rect.width() - list.rect.left());
    pointsBox.rect.setWidth(pointsBox.rect.width() + slack);

    // 7. The summary and the dupe lists.
    ControlPlace& summaryHeader = out[C::SummaryHeader];
    summaryHeader.rect
        = QRect(list.rect.left(), sy(8), sx(233), measure.fontHeight(C::SummaryHeader, 0) + 2);
    ControlPlace& summary = out[C::SummaryBox];
    summary.rect = QRect(list.rect.left(), summaryHeader.rect.top() + summaryHeader.rect.height(),
        summaryHeader.rect.width(), sy(138));
    ControlPlace& allowed = out[C::AllowedList];
    const int allowedTop = summaryHeader.rect.top() + 2 * L;
    allowed.rect = QRect(list.rect.left() + list.rect.width() - summary.rect.width(), allowedTop,
        summary.rect.width() / 2,
        summary.rect.height() + summaryHeader.rect.height()
            - (allowedTop - summaryHeader.rect.top()));
    allowed.points = std::max(1, captionPoints - 3);
    ControlPlace& wait = out[C::WaitList];
    wait.rect = allowed.rect.translated(allowed.rect.width(), 0);
    wait.points = allowed.points;
    for (auto [c, over] :
        { std::pair { C::AllowedLabel, &allowed }, std::pair { C::WaitLabel, &wait } }) {
        ControlPlace& caption = out[c];
        caption.points = captionPoints;
        caption.rect = QRect(QPoint(over->rect.left(), allowedTop - 2 * L),
            text(c, captionPoints,
                c == C::AllowedLabel ? QStringLiteral("Repeat Allowed:")
                                     : QStringLiteral("Time Wait:")));
    }

    // 8. The function keys: the captions take the largest size whose two lines fit.
    const int keyPoints = adjusted(((100 * W / ReferenceWidth) * 80) / 800);
    ControlPlace& keyTop = out[C::FTop];
    keyTop.points = keyPoints;
    keyTop.rect.setSize({ sx(57), sy(17) });
    int captionSize = keyPoints;
    while (captionSize > 1
        && static_cast<long long>(in.captionHeightBefore) * 36
            < static_cast<long long>(captionSize) * dpi + 4 * 36)
        --captionSize;
    ControlPlace& keyBottom = out[C::FBottom];
    keyBottom.points = captionSize;
    keyBottom.rect.setSize({ keyTop.rect.width(), sy(25) });

    // 9. The status lines along the bottom.
    ControlPlace& status = out[C::StatusPanel];
    status.points = L;
    status.rect = QRect(0, CH - rowHeight, sx(380), rowHeight);
    ControlPlace& timeStatus = out[C::TimeStatusPanel];
    timeStatus.points = L;
    timeStatus.rect = QRect(status.rect.left() + status.rect.width(), status.rect.top(),
        W - status.rect.width(), rowHeight);

    // 10. The function keys above them, at the design's spacing.
    const int captionTop = status.rect.top() - keyBottom.rect.height() - status.rect.height() / 2;
    const int numberTop = captionTop - keyTop.rect.height();
    for (int n = 0; n < 10; ++n) {
        out.keyTops[static_cast<std::size_t>(n)]
            = QRect(sx(8 + 62 * n), numberTop, keyTop.rect.width(), keyTop.rect.height());
        out.keyBottoms[static_cast<std::size_t>(n)]
            = QRect(sx(8 + 62 * n), captionTop, keyTop.rect.width(), keyBottom.rect.height());
    }
    keyTop.rect.moveTopLeft(out.keyTops[0].topLeft());
    keyBottom.rect.moveTopLeft(out.keyBottoms[0].topLeft());

    // 11. The list down to the keys, the entry row right under it.
    list.rect.setHeight(std::max(0, numberTop - (status.rect.height() * 3) / 2 - list.rect.top()));
    for (const auto& sample : EntrySamples)
        out[sample.box].rect.moveTop(list.rect.top() + list.rect.height());

    // 12. As many log lines in view as the list holds.
    out.winLogLength = std::max(1, list.rect.height() / (measure.fontHeight(C::LogBook, L) + 5));
    out.firstVisibleLine = in.logLines - out.winLogLength;

    // 13. The large clock over the area it stands in for.
    if (in.clockSide == 'L' || in.clockSide == 'R') {
        ControlPlace& clock = out[C::CLOCK1];
        clock.points = 48;
        const QSize size = text(C::CLOCK1, 48, QStringLiteral("00:00:00"));
        clock.rect = QRect(ClockPosition(in.clockSide, size, summary.rect, allowed.rect,
                               wait.rect.width(), out[C::AllowedLabel].rect),
            size);
    }
    return out;
}

QPoint ClockPosition(char side, QSize clock, const QRect& summary, const QRect& allowedList,
    int waitWidth, const QRect& allowedLabel)
{
    if (side == 'L')
        return { summary.left() + summary.width() / 2 - clock.width() / 2,
            summary.top() + summary.height() / 2 - clock.height() / 2 };
    return { allowedList.left() + (allowedList.width() + waitWidth) / 2 - clock.width() / 2,
        allowedLabel.top() + (allowedList.height() + allowedLabel.height()) / 2
            - clock.height() / 2 };
}

QString MainTitle(const QString& callsign, const QString& bandCategory, const QString& logFile)
{
    return callsign + QLatin1Char(' ') + bandCategory + QLatin1String(" Vandrel v")
        + QLatin1String("1.50") + QLatin1String("      ") + ShortLogFileName(logFile);
}

ScreenFit ScreenFitSize(QSize screen, QSize fitReference)
{
    static constexpr struct
    {
        int screenWidth, screenHeight, width, height;
    } Table[] = {
        { 640, 480, 615, 435 },
        { 800, 600, 550, 460 },
        { 1280, 1024, 1080, 808 },
        { 1280, 800, 1024, 750 },
        { 1024, 400, 550, 390 },
    };
    if (screen == QSize(1024, 768))
        return {};
    for (const auto& row : Table) {
        if (screen == QSize(row.screenWidth, row.screenHeight))
            return { { row.width, row.height } };
    }
    return { { ScaleBy(fitReference.width(), 1024, screen.width()),
                 ScaleBy(fitReference.height(), 768, screen.height()) },
        true };
}

} // namespace vorad
