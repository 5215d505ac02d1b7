#include "Appearance.h"

#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>

#include "ContestSettings.h"
#include "Desktop.h"
#include "DrumList.h"
#include "LogBook.h"
#include "LogLine.h"
#include "MainControls.h"
#include "MainLayout.h"
#include "QZMainForm.h"
#include "SummarySheet.h"

namespace vorad {

namespace {

// Text measured in a control's own typeface, at the size the layout is about to give it.
class WidgetMeasure : public LayoutMeasure
{
public:
    std::array<QWidget*, LayoutControlCount> widgets {};

    QSize textSize(LayoutControl c, int points, const QString& text) const override
    {
        return metrics(c, points).size(Qt::TextSingleLine, text);
    }
    int fontHeight(LayoutControl c, int points) const override
    {
        return metrics(c, points).height();
    }

private:
    QFontMetrics metrics(LayoutControl c, int points) const
    {
        QWidget* w = widgets[static_cast<std::size_t>(c)];
        QFont f = w->font();
        if (points > 0)
            f.setPointSize(points);
        return QFontMetrics(f, w);
    }
};

void setPoints(QWidget* w, int points)
{
    if (points <= 0 || w->font().pointSize() == points)
        return;
    QFont f = w->font();
    f.setPointSize(points);
    w->setFont(f);
}

void paintDesign(QWidget* w, ColourValue text, ColourValue background)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, ToQColor(text));
    p.setColor(QPalette::Text, ToQColor(text));
    p.setColor(QPalette::Window, ToQColor(background));
    p.setColor(QPalette::Base, ToQColor(background));
    w->setPalette(p);
}

} // namespace

Appearance::Appearance(TQZMainForm& form, MainControls& controls, ContestSettings& settings,
    const LogBook& logBook, const Desktop& desktop)
    : m_form(form)
    , c(controls)
    , m_settings(settings)
    , m_logBook(logBook)
    , m_desktop(desktop)
{ }

void Appearance::paintDesignColours()
{
    const ColourScheme& s = m_settings.colours;
    paintDesign(m_form.centralWidget(), s.titleColour, s.colourForm);
    m_form.centralWidget()->setAutoFillBackground(true);
    for (QLabel* l : { c.ContestLogLabel1, c.CurrentTZLabel, c.PointsTotalLabel })
        paintDesign(l, s.features, s.colourForm);
    for (QLabel* l : { c.MyCallsign, c.TimeZoneLabel, c.PointsTotal })
        paintDesign(l, s.titleColour, s.colourForm);
    paintDesign(c.TopIndexLabel, 0, s.functionB);
    paintDesign(c.SummaryHeader, 0, s.functionB);
    paintDesign(c.SummaryBox, 0, s.functionB);
    paintDesign(c.AllowedLabel, ColourScheme::rgb(0, 255, 0), s.colourForm);
    paintDesign(c.WaitLabel, ColourScheme::rgb(255, 0, 0), s.colourForm);
    for (DrumList* l : { c.AllowedList, c.WaitList })
        paintDesign(l, s.textLabel, ColourScheme::rgb(0, 0, 0));
    paintDesign(c.CLOCK1, ColourScheme::rgb(255, 255, 0), s.colourForm);
    for (std::size_t n = 0; n < c.keyTops.size(); ++n) {
        paintDesign(c.keyTops[n], ColourScheme::rgb(255, 255, 255), s.functionB);
        paintDesign(c.keyBottoms[n], s.functionL, s.functionB);
    }
    paintDesign(c.LogBook, s.textLabel, s.listBox);
    for (QLineEdit* e : { c.BandN, c.ModeN, c.CallsignN, c.NameN, c.RSTRxN, c.TimeUTC, c.DateN })
        paintDesign(e, s.entryBox, s.listBox);
    // The sent report starts in inverse colours; the points box has the list background.
    paintDesign(c.RSTTxN, s.listBox, s.entryBox);
    paintDesign(c.PointsN, s.entryBox, s.listBox);
    paintDesign(c.StatusPanel, s.titleColour, s.colourForm);
    paintDesign(c.TimeStatusPanel, s.features, s.colourForm);
}

void Appearance::paintScheme(const ColourScheme& s)
{
    const ColourValue window = s.colourForm;
    // Window backgrounds.
    PaintWidget(m_form.centralWidget(), s.titleColour, window);
    for (QLabel* panel : { c.StatusPanel, c.TimeStatusPanel }) {
        QPalette p = panel->palette();
        p.setColor(QPalette::Window, ToQColor(window));
        panel->setPalette(p);
    }
    PaintWidget(c.LogBook, s.textLabel, s.listBox);
    for (std::size_t n = 0; n < c.keyTops.size(); ++n) {
        PaintWidget(c.keyTops[n], s.functionT, s.functionB);
        PaintWidget(c.keyBottoms[n], s.functionL, s.functionB);
    }
    for (QLabel* l : { c.MyCallsign, c.TimeZoneLabel, c.PointsTotal })
        PaintWidget(l, s.titleColour, window);
    for (QLabel* l : { c.ContestLogLabel1, c.CurrentTZLabel, c.PointsTotalLabel })
        PaintWidget(l, s.features, window);
    // The summary and the column headings.
    PaintWidget(c.SummaryHeader, s.functionL, s.functionB);
    PaintWidget(c.TopIndexLabel, s.functionL, s.functionB);
    PaintWidget(c.SummaryBox, s.functionL, s.functionB);
}

void Appearance::LayoutMainWindow()
{
    using C = LayoutControl;
    const std::pair<C, QWidget*> controls[] = {
        { C::ContestLogLabel1, c.ContestLogLabel1 },
        { C::MyCallsign, c.MyCallsign },
        { C::CurrentTZLabel, c.CurrentTZLabel },
        { C::TimeZoneLabel, c.TimeZoneLabel },
        { C::PointsTotalLabel, c.PointsTotalLabel },
        { C::PointsTotal, c.PointsTotal },
        { C::TopIndexLabel, c.TopIndexLabel },
        { C::LogBook, c.LogBook },
        { C::BandN, c.BandN },
        { C::ModeN, c.ModeN },
        { C::RSTTxN, c.RSTTxN },
        { C::CallsignN, c.CallsignN },
        { C::NameN, c.NameN },
        { C::RSTRxN, c.RSTRxN },
        { C::TimeUTC, c.TimeUTC },
        { C::DateN, c.DateN },
        { C::PointsN, c.PointsN },
        { C::SummaryHeader, c.SummaryHeader },
        { C::SummaryBox, c.SummaryBox },
        { C::AllowedList, c.AllowedList },
        { C::WaitList, c.WaitList },
        { C::AllowedLabel, c.AllowedLabel },
        { C::WaitLabel, c.WaitLabel },
        { C::StatusPanel, c.StatusPanel },
        { C::TimeStatusPanel, c.TimeStatusPanel },
        { C::CLOCK1, c.CLOCK1 },
        { C::FTop, c.keyTops[0] },
        { C::FBottom, c.keyBottoms[0] },
    };
    WidgetMeasure measure;
    for (auto [control, w] : controls)
        measure.widgets[static_cast<std::size_t>(control)] = w;

    QMainWindow& window = m_form;
    const DisplayTicks& ticks = m_form.displayTicks();
    const char clockSide = m_form.clockSide();
    LayoutInput in;
    in.window = window.size();
    in.clientHeight = window.height()
        - (window.menuBar()->isNativeMenuBar() ? 0 : window.menuBar()->sizeHint().height());
    in.dpi = m_desktop.screenDpi(&window);
    in.fullScreen = ticks.fullScreen;
    in.clockSide = clockSide;
    // Qt counts a window that is not shown yet as inactive: the start-up lays it out too.
    in.mayLayOut = !window.isMinimized() && !m_form.shutDownDone();
    in.headingPointsBefore
        = c.TopIndexLabel->font().pointSize() > 0 ? c.TopIndexLabel->font().pointSize() : 10;
    in.captionHeightBefore = c.keyBottoms[0]->height();
    in.logLines = m_logBook.rowCount();
    for (auto [control, w] : controls) {
        if (static_cast<std::size_t>(control) < in.headerTexts.size())
            in.headerTexts[static_cast<std::size_t>(control)] = static_cast<QLabel*>(w)->text();
    }
    const MainLayout out = ComputeMainLayout(in, measure);
    if (out.window != window.size())
        resizeWindow(out.window);
    if (!out.laidOut)
        return;
    for (auto [control, w] : controls) {
        if (control == C::CLOCK1 || control == C::FTop || control == C::FBottom)
            continue;
        if (control == C::AllowedList || control == C::WaitList) {
            // The station caption's typeface, smaller.
            QFont f = c.ContestLogLabel1->font();
            f.setPointSize(out[control].points);
            w->setFont(f);
        }
        setPoints(w, out[control].points);
        w->setGeometry(out[control].rect);
    }
    for (std::size_t n = 0; n < c.keyTops.size(); ++n) {
        setPoints(c.keyTops[n], out[C::FTop].points);
        c.keyTops[n]->setGeometry(out.keyTops[n]);
        setPoints(c.keyBottoms[n], out[C::FBottom].points);
        c.keyBottoms[n]->setGeometry(out.keyBottoms[n]);
    }
    m_settings.winLogLength = out.winLogLength;
    m_form.scrollLogTo(out.firstVisibleLine);
    m_form.letEventsRun();
    if (clockSide != '\0') {
        setPoints(c.CLOCK1, out[C::CLOCK1].points);
        c.CLOCK1->setGeometry(out[C::CLOCK1].rect);
        c.CLOCK1->show();
        c.CLOCK1->raise();
    }
}

void Appearance::resizeWindow(QSize size)
{
    ++m_placingWindow;
    m_form.resize(size);
    --m_placingWindow;
}

void Appearance::showLogFileCaption()
{
    showTitle(LogFileCaption(m_settings.logFileName));
}

void Appearance::showTitle(const QString& title)
{
    m_title = title;
    m_titleInStep = m_logBook.fileInStep();
    m_form.setWindowTitle(title
        + (m_titleInStep ? QString()
                         : QStringLiteral("   [LogBook NOT on disk - kept in memory]")));
}

bool Appearance::titleCaughtUp()
{
    if (m_titleInStep == m_logBook.fileInStep())
        return false;
    showTitle(m_title);
    return m_titleInStep;
}

void Appearance::setValueText(QLabel* label, const QString& text)
{
    label->setText(text);
    // It sizes itself to its text, and never shrinks below the place the layout gave it.
    label->resize(label->sizeHint().expandedTo(label->size()));
}

QSize Appearance::screenSize() const
{
    return m_desktop.screenSize(&m_form);
}

// The title is titled again once the log is loaded: its bands give the category.
void Appearance::FinishLayout()
{
    showTitle(
        MainTitle(c.MyCallsign->text(), BandCategory(m_logBook.lines()), m_settings.logFileName));
    m_form.LayoutMainWindow();
}

void Appearance::SetMainTitle()
{
    // The task bar shows the window's own title on this desktop.
    showTitle(
        MainTitle(c.MyCallsign->text(), BandCategory(m_logBook.lines()), m_settings.logFileName));
    m_form.LayoutMainWindow();
    const ScreenFit fit = ScreenFitSize(screenSize(), m_fitReference);
    if (fit.size.isEmpty())
        return;
    resizeWindow(fit.size);
    if (fit.proportional)
        m_fitReference = m_form.size();
    // At start-up the window was centred at its old size: grown, it would hang past the
    // screen's edges. Later the operator's place for it stands.
    const QRect area = m_desktop.availableArea(&m_form);
    if (!m_form.isVisible() && !area.contains(m_form.frameGeometry())) {
        QRect frame = m_form.frameGeometry();
        frame.moveCenter(area.center());
        m_form.move(frame.topLeft());
    }
    m_form.LayoutMainWindow();
}

void Appearance::RestoreDefaultWindowSize()
{
    if (m_form.isMaximized() || m_form.isMinimized())
        m_form.showNormal();
    m_fitReference = DefaultWindowSize;
    resizeWindow(DefaultWindowSize);
    SetMainTitle();
}

void Appearance::stateChanged(Qt::WindowStates before)
{
    TQZMainForm& w = m_form;
    const bool maximised = w.windowState() & Qt::WindowMaximized;
    const bool restored = !(w.windowState() & (Qt::WindowMaximized | Qt::WindowMinimized))
        && (before & (Qt::WindowMaximized | Qt::WindowMinimized));
    if (!maximised && !restored)
        return;
    w.runCommand([&w, maximised] {
        if (maximised) {
            w.LayoutMainWindow();
        } else {
            w.setVisible(true);
            w.LayoutMainWindow();
            w.letEventsRun();
            // A full re-layout of every control.
            w.resize(w.width() + 1, w.height());
            w.resize(w.width() - 1, w.height());
            w.FocusMainWindow();
            w.RestoreDefaultWindowSize();
        }
        for (int i = 0; i < 2; ++i) {
            w.letEventsRun();
            w.LayoutMainWindow();
        }
        w.letEventsRun();
    });
}

void Appearance::moved(bool spontaneous)
{
    // Only a move without a resize is a drag of the title bar (a drag of the left edge moves
    // and resizes together).
    const bool drag = m_watchMoves && spontaneous && m_form.size() == m_sizeAtLastMove;
    m_sizeAtLastMove = m_form.size();
    if (drag && !m_form.isMaximized() && m_form.size() != DefaultWindowSize)
        m_form.runCommand([this] {
            m_form.RestoreDefaultWindowSize();
            m_form.letEventsRun();
        });
}

} // namespace vorad
