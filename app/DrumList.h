#pragma once

#include <QColor>
#include <QRect>
#include <QStringList>
#include <QWidget>

namespace vorad {

// A list that shows the first rows of a longer one and turns like a drum: the picture creeps
// down a pixel at a time (smooth scrolling), then the rows are refilled one turned on.
class DrumList : public QWidget
{
public:
    enum class Style {
        Dupe, // rows stand apart by half the text height more than the item height
        Plain,
    };

    DrumList(Style style, int itemHeight, QWidget* parent);

    // The rows a list of this height shows (the dupe lists draw one fewer than they hold).
    int rows() const;
    int drawnRows() const;
    // Height of "E" in the list's font: the drum turns one row per that many timer steps.
    int textHeight() const;

    // The rows drawn now, and where each stands (as the picture stands straight).
    int shownRows() const;
    QRect rowRect(int row) const;

    void setEntries(const QStringList& visible);
    const QStringList& entries() const { return m_entries; }
    void setEntryColour(const QColor& colour);
    // The picture one pixel further down.
    void creep();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Style m_style;
    int m_itemHeight;
    QStringList m_entries;
    QColor m_colour;
    int m_offset = 0;
};

} // namespace vorad
