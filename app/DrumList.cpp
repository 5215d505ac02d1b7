#include "DrumList.h"

#include <QPainter>

#include "DupeSummary.h"

namespace vorad {

DrumList::DrumList(Style style, int itemHeight, QWidget* parent)
    : QWidget(parent)
    , m_style(style)
    , m_itemHeight(itemHeight)
    , m_colour(Qt::white)
{
    setAutoFillBackground(true);
    setFocusPolicy(Qt::NoFocus);
}

int DrumList::rows() const
{
    return m_style == Style::Dupe ? DupeVisibleRows(height(), m_itemHeight, textHeight())
                                  : SummaryVisibleRows(height(), m_itemHeight);
}

int DrumList::drawnRows() const
{
    return m_style == Style::Dupe ? rows() - 1 : rows();
}

int DrumList::textHeight() const
{
    return fontMetrics().height();
}

void DrumList::setEntries(const QStringList& visible)
{
    m_offset = 0; // a crept picture stands straight again, whether or not the rows changed
    m_entries = visible;
    update();
}

void DrumList::setEntryColour(const QColor& colour)
{
    m_colour = colour;
    update();
}

void DrumList::creep()
{
    ++m_offset;
    update();
}

void DrumList::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.setPen(m_colour);
    p.setFont(font());
    const int ascent = fontMetrics().ascent();
    const int drawn = qMin<int>(drawnRows(), static_cast<int>(m_entries.size()));
    for (int i = 0; i < drawn; ++i) {
        const int top = m_offset
            + (m_style == Style::Dupe ? DupeRowTop(i, m_itemHeight, textHeight())
                                      : i * m_itemHeight);
        p.drawText(2, top + ascent, m_entries.at(i));
    }
}

} // namespace vorad
