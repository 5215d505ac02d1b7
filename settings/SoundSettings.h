#pragma once

#include <functional>

#include "SettingsForm.h"

class QCheckBox;
class QPushButton;

namespace vorad {

struct ContestSettings;

// The sound dialog: the three cues, sound on or off, Morse cues instead of sounds. Modeless,
// created once, hidden between uses.
class TSoundSettings : public OptionsDialog
{
    Q_OBJECT

public:
    TSoundSettings(ContestSettings& settings, SettingsFormHost& host, QWidget* parent = nullptr);

    // The wave file chooser; an empty path is a cancel. Tests set the hook to stand in for it.
    // Run after OK took the cues over.
    std::function<void()> onTakenOver;

    void ShowForm();
    void FormShow();
    void OKButtonClick();
    void CWEnabledClick();
    void chooseWave(ChooserBox* box);

private:
    void greyCueBoxes();

    ContestSettings& m_settings;

    ChooserBox* DupeSoundFile = nullptr;
    ChooserBox* ErrorSoundFile = nullptr;
    ChooserBox* QSOOKSoundFile = nullptr;
    QCheckBox* SoundEnabledCheckBox = nullptr;
    QCheckBox* CWEnabled = nullptr;
    QPushButton* OKButton = nullptr;
    QPushButton* CancelButton = nullptr;
};

} // namespace vorad
