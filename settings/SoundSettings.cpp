#include "SoundSettings.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "ContestSettings.h"
#include "ControlNames.h"
#include "SettingsForm.h"
#include "TextFilter.h"

namespace vorad {

namespace {

// Client area: the OK button's right edge plus the labels' margin, "CW Enabled"'s foot plus
// the OK button's top.
constexpr int FormWidth = 320 + 75 + 8;
constexpr int FormHeight = 104 + 17 + 8;

} // namespace

// What a screen reader calls each box; the buttons and check boxes read their own text.
constexpr ControlName SoundNames[] = {
    { "DupeSoundFile", "Dupe sound file", "Opening its list picks the file" },
    { "ErrorSoundFile", "Error sound file", "Opening its list picks the file" },
    { "QSOOKSoundFile", "QSO OK sound file", "Opening its list picks the file" },
};

TSoundSettings::TSoundSettings(ContestSettings& settings, SettingsFormHost& host, QWidget* parent)
    : OptionsDialog(host, parent)
    , m_settings(settings)
{
    setObjectName(QStringLiteral("SoundSettings"));
    setWindowTitle(QStringLiteral("Sound"));
    setModal(false);
    resize(FormWidth, FormHeight);
    QFont base(QStringLiteral("Arial"));
    base.setPointSize(8);
    setFont(base);
    QPalette p = palette();
    p.setColor(QPalette::Window, QColor(0, 0, 128));
    p.setColor(QPalette::WindowText, QColor(255, 255, 0));
    setPalette(p);
    setAutoFillBackground(true);

    auto cueBox = [this](const char* label, const char* name, int top) {
        auto* l = new QLabel(QString::fromLatin1(label), this);
        l->move(8, top + 8);
        l->adjustSize();
        auto* box = new ChooserBox(this);
        box->setObjectName(QString::fromLatin1(name));
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->lineEdit()->setValidator(new TextFilter(false, box));
        box->setGeometry(56, top, 249, 21);
        connect(box, &ChooserBox::chooserRequested, this,
            [this, box] { m_host.runCommand([this, box] { chooseWave(box); }); });
        return box;
    };
    DupeSoundFile = cueBox("Dupe:", "DupeSoundFile", 8);
    ErrorSoundFile = cueBox("Error:", "ErrorSoundFile", 40);
    QSOOKSoundFile = cueBox("QSO Ok:", "QSOOKSoundFile", 72);

    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(320, 8, 75, 25);
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    CancelButton->setGeometry(320, 40, 75, 25);
    connect(OKButton, &QPushButton::clicked, this,
        [this] { m_host.runCommand([this] { OKButtonClick(); }); });
    connect(CancelButton, &QPushButton::clicked, this,
        [this] { m_host.runCommand([this] { CancelButtonClick(); }); });

    auto check = [this](const char* text, const char* name, int left, bool on) {
        auto* c = new QCheckBox(QString::fromLatin1(text), this);
        c->setObjectName(QString::fromLatin1(name));
        c->setGeometry(left, 104, 97, 17);
        c->setChecked(on);
        return c;
    };
    SoundEnabledCheckBox = check("Sound Enabled", "SoundEnabledCheckBox", 56, true);
    CWEnabled = check("CW Enabled", "CWEnabled", 160, false);
    // Its yellow is its own: the screen colours leave it.
    QPalette yellow = CWEnabled->palette();
    yellow.setColor(QPalette::WindowText, QColor(255, 255, 0));
    CWEnabled->setPalette(yellow);
    connect(CWEnabled, &QCheckBox::clicked, this,
        [this] { m_host.runCommand([this] { CWEnabledClick(); }); });
    NameControls(this, SoundNames);
}

void TSoundSettings::ShowForm()
{
    FormShow();
    showPlaced();
}

void TSoundSettings::FormShow()
{
    resize(FormWidth, FormHeight);
    DupeSoundFile->setEditText(m_settings.dupeSoundFile);
    ErrorSoundFile->setEditText(m_settings.errorSoundFile);
    QSOOKSoundFile->setEditText(m_settings.qsookSoundFile);
    SoundEnabledCheckBox->setChecked(m_settings.soundEnabled);
    CWEnabled->setChecked(m_settings.cwEnabled);
    greyCueBoxes();
    m_host.setDialogClosed(false);
}

void TSoundSettings::greyCueBoxes()
{
    for (ChooserBox* box : { DupeSoundFile, ErrorSoundFile, QSOOKSoundFile })
        box->setEnabled(!CWEnabled->isChecked());
}

void TSoundSettings::chooseWave(ChooserBox* box)
{
    FileChoice choice;
    choice.caption = QStringLiteral("Open");
    choice.filter = QStringLiteral("Wave Files (*.WAV)");
    choice.mustExist = true;
    const QString path = QDir::toNativeSeparators(m_host.desktop().chooseFile(this, choice));
    if (path.isEmpty())
        return;
    box->setEditText(path);
    QCoreApplication::processEvents();
}

void TSoundSettings::CWEnabledClick()
{
    m_settings.cwEnabled = CWEnabled->isChecked();
    greyCueBoxes();
}

void TSoundSettings::OKButtonClick()
{
    m_settings.dupeSoundFile = DupeSoundFile->currentText();
    m_settings.errorSoundFile = ErrorSoundFile->currentText();
    m_settings.qsookSoundFile = QSOOKSoundFile->currentText();
    m_settings.cwEnabled = CWEnabled->isChecked();
    greyCueBoxes();
    m_settings.soundEnabled = SoundEnabledCheckBox->isChecked();
    closeDialog();
    if (onTakenOver)
        onTakenOver();
}

} // namespace vorad
