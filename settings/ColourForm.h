#pragma once

#include <functional>

#include "SettingsForm.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace vorad {

// "Screen Colours": a miniature of the main window whose parts are clicked to choose the
// scheme's eleven colours. Modeless, created once, hidden between uses; nothing outside it
// changes until OK.
class TColourForm : public OptionsDialog
{
    Q_OBJECT

public:
    TColourForm(const ColourScheme& scheme, SettingsFormHost& host, QWidget* parent = nullptr);

    const ColourScheme& samples() const { return m_samples; }
    // The samples painted from `scheme`.
    void LoadSamples(const ColourScheme& scheme);
    // A click on the sample that shows `member`.
    void PickColour(ColourValue ColourScheme::*member);

    void ShowForm();
    void FormShow();
    void OKButtonClick();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void paintSamples();

    const ColourScheme& m_scheme;
    ColourScheme m_samples;

    QLabel* TitleColour = nullptr;
    QLabel* FunctionL = nullptr;
    QLabel* FunctionT = nullptr;
    QLabel* FunctionB = nullptr;
    QLabel* ListBox1 = nullptr;
    QLabel* ListBox2 = nullptr;
    QLabel* TextLabel = nullptr;
    QLabel* GoodQSO = nullptr;
    QLabel* BadQSO = nullptr;
    QLabel* Features = nullptr;
    QLineEdit* EntryBox = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CloseButton = nullptr;
};

} // namespace vorad
