#include "ColourForm.h"

#include <QEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>

#include "ControlNames.h"

namespace vorad {

namespace {

// Client area when shown: the OK button's right edge plus the list's margin, the key foot's
// bottom plus the top of "Titles".
constexpr int FormWidth = 168 + 75 + 16;
constexpr int FormHeight = 160 + 25 + 8;

} // namespace

// The samples are pictures of the main window's parts: a click on one chooses its colour.
constexpr ControlName ColourNames[] = {
    { "TitleColour", "Titles colour", "Click to choose the colour" },
    { "Features", "Features colour", "Click to choose the colour" },
    { "FunctionT", "Function key names colour", "Click to choose the colour" },
    { "FunctionL", "Function key captions colour", "Click to choose the colour" },
    { "FunctionB", "Function keys background colour", "Click to choose the colour" },
    { "ListBox1", "Lists background colour", "Click to choose the colour" },
    { "ListBox2", "Lists background colour", "Click to choose the colour" },
    { "TextLabel", "Log text colour", "Click to choose the colour" },
    { "EntryBox", "Entry boxes colour", "Click to choose the colour" },
    { "GoodQSO", "Good QSO colour", "Click to choose the colour" },
    { "BadQSO", "Bad QSO colour", "Click to choose the colour" },
};

TColourForm::TColourForm(const ColourScheme& scheme, SettingsFormHost& host, QWidget* parent)
    : OptionsDialog(host, parent)
    , m_scheme(scheme)
{
    setObjectName(QStringLiteral("ColourForm"));
    setWindowTitle(QStringLiteral("Screen Colours"));
    setModal(false);
    resize(266, 193);
    QFont base(QStringLiteral("Arial"));
    base.setPointSize(8);
    setFont(base);
    setAutoFillBackground(true);

    // Drawn in this order, each over the ones before: the strip over the list's top edge,
    // " Log Text" over the strip, the entry box over the list's foot.
    auto sample = [this](QLabel*& target, const char* name, const char* text, QRect place) {
        target = new QLabel(QString::fromLatin1(text), this);
        target->setObjectName(QString::fromLatin1(name));
        if (place.width() > 0) {
            target->setGeometry(place);
        } else {
            target->move(place.topLeft());
            target->adjustSize();
        }
        target->setAutoFillBackground(true);
        target->installEventFilter(this);
    };
    sample(TitleColour, "TitleColour", "Titles", { 24, 8, 0, 0 });
    QFont bold = base;
    bold.setBold(true);
    TitleColour->setFont(bold);
    TitleColour->adjustSize();
    sample(FunctionL, "FunctionL", "Function Keys", { 40, 144, 73, 17 });
    sample(FunctionT, "FunctionT", "    Function", { 40, 128, 73, 17 });
    sample(FunctionB, "FunctionB", "    ", { 40, 160, 73, 25 });
    sample(ListBox1, "ListBox1", "", { 16, 32, 130, 65 });
    sample(ListBox2, "ListBox2", "", { 32, 24, 114, 13 });
    sample(TextLabel, "TextLabel", " Log Text", { 16, 24, 45, 13 });
    sample(GoodQSO, "GoodQSO", "Good QSO", { 176, 128, 57, 17 });
    sample(BadQSO, "BadQSO", "Bad QSO", { 176, 160, 57, 17 });
    sample(Features, "Features", "Features", { 88, 8, 0, 0 });
    Features->setFont(bold);
    Features->adjustSize();
    // Its text is part of the picture, not something to type into.
    EntryBox = new QLineEdit(QStringLiteral("Entry Boxes"), this);
    EntryBox->setObjectName(QStringLiteral("EntryBox"));
    EntryBox->setGeometry(16, 96, 129, 21);
    EntryBox->setReadOnly(true);
    EntryBox->setFocusPolicy(Qt::NoFocus);
    EntryBox->installEventFilter(this);

    OKButton = new QPushButton(QStringLiteral("&OK"), this);
    OKButton->setObjectName(QStringLiteral("OKButton"));
    OKButton->setGeometry(168, 16, 75, 25);
    CloseButton = new QPushButton(QStringLiteral("&Cancel"), this);
    CloseButton->setObjectName(QStringLiteral("CloseButton"));
    CloseButton->setGeometry(168, 64, 75, 25);
    connect(OKButton, &QPushButton::clicked, this,
        [this] { m_host.runCommand([this] { OKButtonClick(); }); });
    connect(CloseButton, &QPushButton::clicked, this,
        [this] { m_host.runCommand([this] { CancelButtonClick(); }); });

    LoadSamples(m_scheme);
    NameControls(this, ColourNames);
}

void TColourForm::LoadSamples(const ColourScheme& scheme)
{
    m_samples = scheme;
    paintSamples();
}

void TColourForm::paintSamples()
{
    const ColourScheme& s = m_samples;
    QPalette p = palette();
    p.setColor(QPalette::Window, ToQColor(s.colourForm));
    setPalette(p);
    PaintWidget(TitleColour, s.titleColour, s.colourForm);
    PaintWidget(Features, s.features, s.colourForm);
    PaintWidget(ListBox1, s.listBox, s.listBox);
    PaintWidget(ListBox2, s.listBox, s.listBox);
    PaintWidget(TextLabel, s.textLabel, s.listBox);
    PaintWidget(EntryBox, s.entryBox, s.listBox);
    PaintWidget(FunctionT, s.functionT, s.functionB);
    PaintWidget(FunctionL, s.functionL, s.functionB);
    PaintWidget(FunctionB, s.functionB, s.functionB);
    PaintWidget(GoodQSO, s.goodQSO, s.listBox);
    PaintWidget(BadQSO, s.badQSO, s.listBox);
}

void TColourForm::PickColour(ColourValue ColourScheme::*member)
{
    const ColourValue preset = m_samples.*member;
    // The chooser is preset to the sample's colour and returns the preset when cancelled.
    const QColor chosen = m_host.desktop().chooseColour(this, ToQColor(preset));
    if (!chosen.isValid())
        return;
    m_samples.*member = ColourScheme::rgb(chosen.red(), chosen.green(), chosen.blue());
    paintSamples();
}

bool TColourForm::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::MouseButtonPress
        || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
        return OptionsDialog::eventFilter(watched, event);
    const struct
    {
        QObject* sample;
        ColourValue ColourScheme::*member;
    } clicks[] = {
        { TitleColour, &ColourScheme::titleColour },
        { Features, &ColourScheme::features },
        { ListBox1, &ColourScheme::listBox },
        { ListBox2, &ColourScheme::listBox },
        { TextLabel, &ColourScheme::textLabel },
        { EntryBox, &ColourScheme::entryBox },
        { FunctionT, &ColourScheme::functionT },
        { FunctionL, &ColourScheme::functionL },
        { FunctionB, &ColourScheme::functionB },
        { GoodQSO, &ColourScheme::goodQSO },
        { BadQSO, &ColourScheme::badQSO },
    };
    for (const auto& click : clicks) {
        if (click.sample == watched) {
            m_host.runCommand([this, member = click.member] { PickColour(member); });
            return true;
        }
    }
    return OptionsDialog::eventFilter(watched, event);
}

void TColourForm::mousePressEvent(QMouseEvent* event)
{
    // The empty background is the window colour's sample.
    if (event->button() == Qt::LeftButton)
        m_host.runCommand([this] { PickColour(&ColourScheme::colourForm); });
}

void TColourForm::ShowForm()
{
    FormShow();
    showPlaced();
}

void TColourForm::FormShow()
{
    resize(FormWidth, FormHeight);
    LoadSamples(m_scheme);
    m_host.applyColourScheme(m_samples);
    m_host.setDialogClosed(false);
}

void TColourForm::OKButtonClick()
{
    hide();
    m_host.applyColourScheme(m_samples);
    m_host.clearEntry();
    m_host.setDialogClosed(true);
    m_host.dialogFinished();
}

} // namespace vorad
