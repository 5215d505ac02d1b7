#pragma once

#include <QObject>
#include <QString>

#include <memory>

#include "RigRules.h"

namespace vorad {

class ContactEntry;
class RigLink;
class TQZMainForm;
struct ContestSettings;

// The radio in the window: its readings set the band and mode boxes (through the same road as
// the band and mode keys), the operator's band and mode choices tune it, and the status line
// tells when it is lost and found. Logging by hand goes on whatever the radio does.
class RigControls : public QObject
{
public:
    RigControls(
        TQZMainForm& form, const ContestSettings& settings, ContactEntry& entry, int pollMs);
    ~RigControls() override;

    // Starts, restarts or stops the link as the settings now have it.
    void settingsChanged();
    // The band (or the mode) box has a new choice of the operator's: the radio follows it.
    void bandChosen();
    void modeChosen();
    // The program ends: the link's thread is given a moment to close the radio.
    void stop();
    bool linked() const { return m_link != nullptr; }

private:
    void start();
    void take(qint64 hz, const QString& rigMode);
    void applyReading();
    void tell(const QString& text);

    TQZMainForm& m_form;
    const ContestSettings& m_settings;
    ContactEntry& m_entry;
    int m_pollMs;
    std::unique_ptr<RigLink> m_link;
    RigFollower m_follower;
    BandMemory m_memory;
    qint64 m_lastHz = 0;
    // The newest reading not yet applied: readings that come while a handler runs are
    // gathered into one.
    qint64 m_pendingHz = 0;
    QString m_pendingMode;
    bool m_pending = false;
    bool m_applyQueued = false;
    bool m_editSeen = false;
};

} // namespace vorad
