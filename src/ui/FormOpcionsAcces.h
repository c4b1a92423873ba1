#pragma once
// The switch-access options dialog: it shows a set of options and hands back
// what the teacher chose; storing and applying them is the main window's job.
#include "desktop/AccessOptions.h"
#include "desktop/InterfaceLanguage.h"

#include <QDialog>
#include <optional>

class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QSpinBox;

namespace tirvelo {

class TFormOpcionsAcces : public QDialog {
    Q_OBJECT
public:
    explicit TFormOpcionsAcces(QWidget* parent = nullptr);

    void setOptions(const AccessOptions& options);
    AccessOptions options() const;
    void setLanguage(InterfaceLanguage language);
    // Says that the highlight cannot be spoken, for want of the cue voice's program.
    void setCueVoiceMissing(bool missing);

    QSpinBox* SpinAcceptacio = nullptr;
    QSpinBox* SpinRetard = nullptr;
    QComboBox* ComboTeclaSeleccio = nullptr;
    QComboBox* ComboTeclaPas = nullptr;
    QCheckBox* CheckLlegeixResaltat = nullptr;
    QCheckBox* CheckSoDurantSo = nullptr;
    QLabel* LabelSoDurantSo = nullptr;
    QLabel* LabelSenseVeu = nullptr;     // no cue voice
    QLabel* LabelTeclaXifra = nullptr;   // a digit is a switch key
    QDialogButtonBox* Botons = nullptr;

private:
    QComboBox* makeKeyBox();
    // One key cannot both select and step: choosing it in one box clears the other.
    void keepKeysApart(QComboBox* changed, QComboBox* other);
    void showDigitKeyHint();

    QLabel* m_labels[4] = {}; // before the two times and the two keys
};

// The dialog over parent, showing the options in force; what was chosen, or
// none when cancelled.
std::optional<AccessOptions> askAccessOptions(QWidget* parent, InterfaceLanguage language, const AccessOptions& current,
                                              bool cueVoiceMissing);

} // namespace tirvelo
