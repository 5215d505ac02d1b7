#include "PainterSurface.h"

#include <QPagedPaintDevice>
#include <QPen>

namespace vorad {

PainterSurface::PainterSurface(QPagedPaintDevice& device)
    : m_device(device)
{ }

int PainterSurface::pageWidth() const
{
    return m_device.width();
}

int PainterSurface::pageHeight() const
{
    return m_device.height();
}

void PainterSurface::setFont(const QString& family, int points, bool bold)
{
    m_font = QFont(family);
    m_font.setPointSize(points);
    // The heavy face has no family of its own here: its weight is asked for.
    if (family == QLatin1String("Arial Black"))
        m_font.setWeight(QFont::Black);
    else
        m_font.setBold(bold);
    if (m_painter.isActive())
        m_painter.setFont(m_font);
}

QFontMetrics PainterSurface::metrics() const
{
    // Before the job begins the device's own resolution still gives the sizes.
    return m_painter.isActive() ? m_painter.fontMetrics() : QFontMetrics(m_font, &m_device);
}

int PainterSurface::textHeight(const QString& text)
{
    (void)text; // the font's full height, as the layout counts lines
    return metrics().height();
}

int PainterSurface::textWidth(const QString& text)
{
    return metrics().horizontalAdvance(text);
}

void PainterSurface::drawText(int x, int y, const QString& text)
{
    if (m_painter.isActive())
        m_painter.drawText(x, y + metrics().ascent(), text);
}

void PainterSurface::setPenWidth(int width)
{
    m_penWidth = width;
    if (m_painter.isActive())
        m_painter.setPen(QPen(Qt::black, width));
}

void PainterSurface::drawLine(int x1, int y1, int x2, int y2)
{
    if (m_painter.isActive())
        m_painter.drawLine(x1, y1, x2, y2);
}

bool PainterSurface::begin()
{
    if (!m_painter.begin(&m_device)) {
        m_error = QStringLiteral("The printer could not start the job.");
        return false;
    }
    m_painter.setFont(m_font);
    m_painter.setPen(QPen(Qt::black, m_penWidth));
    return true;
}

void PainterSurface::newPage()
{
    if (!m_device.newPage()) {
        m_failed = true;
        m_error = QStringLiteral("The printer could not start a new page.");
    }
}

bool PainterSurface::end()
{
    if (m_painter.isActive() && !m_painter.end() && !m_failed) {
        m_failed = true;
        m_error = QStringLiteral("The printer could not finish the job.");
    }
    return !m_failed;
}

} // namespace vorad
