#pragma once
// The switch-access options dialog: it shows a set of options and hands back
// what the teacher chose; storing and applying them is the main window's job.
#include "desktop/AccessOptions.h"
#include "desktop/InterfaceLanguage.h"

#include <QDialog>

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

    QSpinBox* SpinAcceptacio = nullptr;
    QSpinBox* SpinRetard = nullptr;
    QComboBox* ComboTeclaSeleccio = nullptr;
    QComboBox* ComboTeclaPas = nullptr;
    QCheckBox* CheckLlegeixResaltat = nullptr;
    QCheckBox* CheckSoDurantSo = nullptr;
    QLabel* LabelSoDurantSo = nullptr;
    QDialogButtonBox* Botons = nullptr;

private:
    QComboBox* makeKeyBox();
    // One key cannot both select and step: choosing it in one box clears the other.
    void keepKeysApart(QComboBox* changed, QComboBox* other);

    QLabel* m_labels[4] = {}; // before the two times and the two keys
};

} // namespace tirvelo
