#pragma once

#include <QDateTime>
#include <QString>

#include "CallHistory.h"
#include "ColourScheme.h"

class QFont;
class QLabel;
class QWidget;

namespace vorad {

class ContactEntry;
class LogBook;
class TQZMainForm;
struct ContestSettings;
struct MainControls;

// What the window tells of a station while its callsign is typed: the partial check under the
// entry row and the names of the call history; and ENTER on a band or a frequency typed in the
// callsign box, which selects that band.
class StationHints
{
public:
    StationHints(TQZMainForm& form, MainControls& controls, const ContestSettings& settings,
        const LogBook& logBook, ContactEntry& entry);

    const CallHistory& history() const { return m_history; }

    // The hint line, in `client`; it follows the callsign box as its text changes.
    void createHintLine(QWidget* client, const QFont& font);
    // Under the entry row, over the gap between it and the function keys.
    void placeHintLine();
    void paintHintLine(const ColourScheme& s);
    void showPartialCheck(const QString& typed);

    // The call history the settings name, read when it is new or has changed on disk; the text
    // telling what was read, empty when nothing was.
    QString readCallHistory();

    // ENTER in the callsign box: a band or a frequency there selects the band, a number in no
    // band is refused. False when the box holds neither: the callsign step goes on.
    bool callsignEnter();

private:
    TQZMainForm& m_form;
    MainControls& c;
    const ContestSettings& m_settings;
    const LogBook& m_logBook;
    ContactEntry& m_entry;
    CallHistory m_history;
    // The file read last, and how it stood on disk, so that a settings OK reads it again only
    // when it changed.
    QString m_readPath;
    QDateTime m_readModified;
    qint64 m_readSize = -1;
};

} // namespace vorad
