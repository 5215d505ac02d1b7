#include "StationHints.h"

#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListView>

#include "ContactEntry.h"
#include "ContestSettings.h"
#include "EntryRules.h"
#include "LogBook.h"
#include "LogLine.h"
#include "MainControls.h"
#include "QZMainForm.h"

namespace vorad {

StationHints::StationHints(TQZMainForm& form, MainControls& controls,
    const ContestSettings& settings, const LogBook& logBook, ContactEntry& entry)
    : m_form(form)
    , c(controls)
    , m_settings(settings)
    , m_logBook(logBook)
    , m_entry(entry)
{ }

void StationHints::createHintLine(QWidget* client, const QFont& font)
{
    c.PartialCheck = new QLabel(client);
    c.PartialCheck->setObjectName(QStringLiteral("PartialCheck"));
    QFont small = font;
    small.setPixelSize(7);
    c.PartialCheck->setFont(small);
    c.PartialCheck->setGeometry(8, 352, 610, 8);
    c.PartialCheck->setAutoFillBackground(true);
    c.PartialCheck->setTextInteractionFlags(Qt::NoTextInteraction);
    c.PartialCheck->setFocusPolicy(Qt::NoFocus);
    paintHintLine(m_settings.colours);
    // Any change, typed or put there by the rules: the line is always about what the box shows.
    QObject::connect(c.CallsignN, &QLineEdit::textChanged, c.PartialCheck,
        [this](const QString& text) { showPartialCheck(text); });
}

void StationHints::placeHintLine()
{
    const QRect row = c.CallsignN->geometry();
    const QRect list = c.LogBook->geometry();
    const int top = row.top() + row.height();
    const int height = c.keyTops[0]->geometry().top() - top;
    if (height < 4) {
        c.PartialCheck->hide();
        return;
    }
    c.PartialCheck->setGeometry(list.left(), top, list.width(), height);
    QFont f = c.PartialCheck->font();
    f.setPixelSize(height > 6 ? height - 1 : height);
    c.PartialCheck->setFont(f);
    c.PartialCheck->show();
}

void StationHints::paintHintLine(const ColourScheme& s)
{
    PaintWidget(c.PartialCheck, s.features, s.colourForm);
}

void StationHints::showPartialCheck(const QString& typed)
{
    const QString text = PartialCheckText(m_logBook.lines(), m_logBook.stations(), typed);
    if (c.PartialCheck->text() != text)
        c.PartialCheck->setText(text);
}

QString StationHints::readCallHistory()
{
    const QString path = m_settings.callHistoryFile;
    if (path.isEmpty()) {
        m_history.clear();
        m_readPath.clear();
        return {};
    }
    const QFileInfo info(path);
    if (path == m_readPath && info.lastModified() == m_readModified && info.size() == m_readSize)
        return {};
    m_readPath = path;
    m_readModified = info.lastModified();
    m_readSize = info.size();
    return CallHistoryReadText(path, m_history.readFile(path, NameBoxLength));
}

bool StationHints::callsignEnter()
{
    const QString typed = m_entry.row().callsign.text;
    const QString band = BandTypedInCallsign(typed);
    if (band.isEmpty() && !IsFrequencyText(typed))
        return false;
    m_form.runCommand([this, band, typed] {
        // What the row shows of an earlier contact or a refusal belongs to the call that was
        // there; the callsign being edited stays in its box.
        if (!m_entry.editPending() && (m_entry.repeatShown() || m_entry.repeatAllowedShown()))
            m_entry.ClearEntry();
        EntryRow& row = m_entry.row();
        row.callsign.text = m_entry.editPending() ? m_entry.record().callsign : QString();
        if (band.isEmpty()) {
            m_form.errorCue();
            row.status.text = QStringLiteral("  %1 is in no band - the band is unchanged...")
                                  .arg(StripSpaces(typed));
        } else {
            m_form.BandChosenByOperator(band);
            row.status.text = QStringLiteral("  Band changed to %1...").arg(band);
        }
    });
    return true;
}

} // namespace vorad
