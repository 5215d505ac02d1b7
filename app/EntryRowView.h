#pragma once

#include <QPalette>

#include "ContactEntry.h"

class QFont;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QModelIndex;
class QMouseEvent;
class QTimer;
class QWidget;

namespace vorad {

class LogBook;
class TQZMainForm;
struct ContestSettings;
struct MainControls;

// The entry row's boxes and the log list as the operator meets them: their painting, focus,
// and the clicks that stand for the row's steps or pick a line.
class EntryRowView
{
public:
    EntryRowView(TQZMainForm& form, MainControls& controls, const ContestSettings& settings,
        LogBook& logBook, ContactEntry& entry);

    // The nine boxes of the row, in `client`.
    void createBoxes(QWidget* client, const QFont& font);
    // What the operator types is the row's text at once, so that nothing painted later (a
    // clock tick) can put an older text back.
    void followTyping();
    void createPickRefusal();

    // The row's state onto the boxes and the status lines.
    void render();
    void setEntryFocus(EntryFocus box);
    void showEntryBandMode(const QString& band, const QString& mode);
    void showEntryPoints(const QString& points);
    void showNextSerial(int serial);

    void RSTTxNMouseDown();
    // ENTER in the sent report: it is formatted, and the box it came from has the focus again.
    void RSTTxNEnter();
    // A click on one of the row's boxes, turned into the step it stands for.
    bool boxMouse(QWidget* box, QMouseEvent* event);
    // A click on the log list; true when it is used up.
    bool listMouse(QMouseEvent* event);

    void clearLogSelection();
    int selectedLogRow() const;
    // A row of the log check: selected and shown, unless an edit is in progress.
    void selectLogLine(int row);
    void scrollLogTo(int firstRow);
    void scrollToLastLines();

private:
    void paintBox(QLineEdit* box, const BoxView& view);
    void paintPanel(QLabel* panel, const PanelView& view);
    void paintRoles(QWidget* w, QPalette::ColorRole textRole, ColourRole textColour,
        QPalette::ColorRole backgroundRole, ColourRole background);
    void pickLine(const QModelIndex& line, bool doubleClick, bool held);

    TQZMainForm& m_form;
    MainControls& c;
    const ContestSettings& m_settings;
    LogBook& m_logBook;
    ContactEntry& m_entry;
    QLineEdit* m_focusBeforeRstTx = nullptr;
    QLineEdit* m_selectWhenPainted = nullptr; // given the focus; its text is selected once shown
    // A click on the log list during an edit is refused once it is plain that it is no double
    // click (which reloads the row).
    QTimer* m_pickRefusal = nullptr;
};

} // namespace vorad
