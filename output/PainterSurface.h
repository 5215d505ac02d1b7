#pragma once

#include <QFont>
#include <QPainter>

#include "PrintLayout.h"

class QPagedPaintDevice;

namespace vorad {

// A print job on a printer or a PDF file: the printer's own device units, unscaled.
class PainterSurface : public PrintSurface
{
public:
    explicit PainterSurface(QPagedPaintDevice& device);

    int pageWidth() const override;
    int pageHeight() const override;
    void setFont(const QString& family, int points, bool bold) override;
    int textHeight(const QString& text) override;
    int textWidth(const QString& text) override;
    void drawText(int x, int y, const QString& text) override;
    int penWidth() const override { return m_penWidth; }
    void setPenWidth(int width) override;
    void drawLine(int x1, int y1, int x2, int y2) override;
    bool begin() override;
    void newPage() override;
    bool end() override;
    QString errorText() const override { return m_error; }

private:
    QFontMetrics metrics() const;

    QPagedPaintDevice& m_device;
    QPainter m_painter;
    QFont m_font;
    int m_penWidth = 1;
    bool m_failed = false;
    QString m_error;
};

} // namespace vorad
