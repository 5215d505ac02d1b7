#include "RigControls.h"

#include "BandMode.h"
#include "ContactEntry.h"
#include "ContestSettings.h"
#include "LogLine.h"
#include "QZMainForm.h"
#include "RigLink.h"

namespace vorad {

RigControls::RigControls(
    TQZMainForm& form, const ContestSettings& settings, ContactEntry& entry, int pollMs)
    : m_form(form)
    , m_settings(settings)
    , m_entry(entry)
    , m_pollMs(pollMs)
{ }

RigControls::~RigControls()
{
    stop();
}

void RigControls::stop()
{
    if (m_link) {
        m_link->stop(2000);
        m_link.reset();
    }
}

void RigControls::settingsChanged()
{
    if (!m_settings.rigEnabled) {
        if (m_link) {
            // A call in progress ends on the link's own thread: nothing waits for it here.
            m_link.reset();
            tell(QStringLiteral("  Rig control off"));
        }
        return;
    }
    const RigConfig wanted { m_settings.rigModel, m_settings.rigDevice, m_settings.rigSpeed };
    if (m_link && m_link->config() == wanted)
        return;
    m_link.reset();
    start();
}

void RigControls::start()
{
    m_link = std::make_unique<RigLink>(
        RigConfig { m_settings.rigModel, m_settings.rigDevice, m_settings.rigSpeed }, m_pollMs);
    m_follower.forget();
    m_pending = false;
    RigLink* link = m_link.get();
    connect(link, &RigLink::unavailable, this, [this](const QString& reason) {
        tell(QStringLiteral("  Rig control unavailable: ") + reason);
    });
    connect(link, &RigLink::connected, this, [this](const QString& name, bool again) {
        // The radio may have been turned while it was away: its first reading is followed.
        m_follower.forget();
        tell(again ? QStringLiteral("  Rig found again")
                   : QStringLiteral("  Rig connected: ") + name);
    });
    connect(link, &RigLink::lost, this, [this](const QString& reason, bool ever) {
        tell((ever ? QStringLiteral("  Rig lost: ") : QStringLiteral("  Rig not answering: "))
            + reason + QStringLiteral(" - log by hand; retrying"));
    });
    connect(link, &RigLink::refused, this,
        [this](const QString& reason) { tell(QStringLiteral("  The rig refused: ") + reason); });
    connect(link, &RigLink::reading, this, &RigControls::take);
}

void RigControls::tell(const QString& text)
{
    m_form.runCommand([this, text] { m_form.showStatus(text); });
}

void RigControls::take(qint64 hz, const QString& rigMode)
{
    m_lastHz = hz;
    m_memory.remember(hz);
    m_pendingHz = hz;
    m_pendingMode = rigMode;
    m_pending = true;
    if (m_applyQueued)
        return;
    m_applyQueued = true;
    m_form.runCommand([this] {
        m_applyQueued = false;
        applyReading();
    });
}

void RigControls::applyReading()
{
    if (!m_pending || !m_link)
        return;
    // A logged line brought back for correction keeps its own band and mode; once it is done
    // the row follows the radio again, whatever it shows then.
    if (m_entry.editPending()) {
        m_editSeen = true;
        return;
    }
    if (m_editSeen) {
        m_editSeen = false;
        m_follower.forget();
    }
    m_pending = false;
    const RigFollowStep step = m_follower.take(m_pendingHz, m_pendingMode, m_entry.row().band.text);
    if (!step.band.isEmpty() && step.band != m_entry.row().band.text)
        m_entry.SelectBand(step.band);
    if (!step.mode.isEmpty() && step.mode != m_entry.row().mode.text)
        m_entry.SelectMode(step.mode);
    if (!step.notice.isEmpty())
        m_form.showStatus(step.notice);
}

void RigControls::bandChosen()
{
    if (!m_link)
        return;
    const qint64 hz = m_memory.tuneFrequency(m_entry.row().band.text);
    if (hz > 0)
        m_link->request(hz, RigModeForLabel(m_entry.row().mode.text, hz));
}

void RigControls::modeChosen()
{
    if (!m_link)
        return;
    // The sideband goes by the band shown: a band key just pressed is not in a reading yet.
    const QString band = m_entry.row().band.text;
    const qint64 hz = m_lastHz > 0 && BandForFrequency(m_lastHz) == StripSpaces(band)
        ? m_lastHz
        : m_memory.tuneFrequency(band);
    const QString mode = RigModeForLabel(m_entry.row().mode.text, hz);
    if (!mode.isEmpty())
        m_link->request(0, mode);
}

} // namespace vorad
