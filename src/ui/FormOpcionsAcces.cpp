#include "ui/FormOpcionsAcces.h"

#include "ui/AccessOptionsCaptions.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace tirvelo {

namespace {

constexpr int kTimeStepMs = 50;

QSpinBox* makeTimeBox(int maximum)
{
    auto* box = new QSpinBox;
    box->setRange(0, maximum);
    box->setSingleStep(kTimeStepMs);
    return box;
}

SwitchKey keyIn(const QComboBox* box)
{
    return static_cast<SwitchKey>(box->currentData().toInt());
}

void chooseKey(QComboBox* box, SwitchKey key)
{
    box->setCurrentIndex(qMax(0, box->findData(static_cast<int>(key))));
}

} // namespace

TFormOpcionsAcces::TFormOpcionsAcces(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormOpcionsAcces"));
    SpinAcceptacio = makeTimeBox(AccessOptions::MaxAcceptanceMs);
    SpinRetard = makeTimeBox(AccessOptions::MaxPostAcceptanceMs);
    ComboTeclaSeleccio = makeKeyBox();
    ComboTeclaPas = makeKeyBox();
    CheckLlegeixResaltat = new QCheckBox;
    CheckSoDurantSo = new QCheckBox;
    LabelSoDurantSo = new QLabel;
    LabelSoDurantSo->setWordWrap(true);
    LabelSenseVeu = new QLabel;
    LabelSenseVeu->setWordWrap(true);
    LabelSenseVeu->setVisible(false);
    LabelTeclaXifra = new QLabel;
    LabelTeclaXifra->setWordWrap(true);
    LabelTeclaXifra->setVisible(false);
    Botons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);

    auto* form = new QFormLayout;
    QWidget* const fields[] = {SpinAcceptacio, SpinRetard, ComboTeclaSeleccio, ComboTeclaPas};
    for (int row = 0; row < 4; ++row) {
        m_labels[row] = new QLabel;
        m_labels[row]->setBuddy(fields[row]);
        form->addRow(m_labels[row], fields[row]);
    }
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(LabelTeclaXifra);
    layout->addWidget(CheckLlegeixResaltat);
    layout->addWidget(LabelSenseVeu);
    layout->addWidget(CheckSoDurantSo);
    layout->addWidget(LabelSoDurantSo);
    layout->addWidget(Botons);

    connect(Botons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Botons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(ComboTeclaSeleccio, &QComboBox::currentIndexChanged, this,
            [this] { keepKeysApart(ComboTeclaSeleccio, ComboTeclaPas); });
    connect(ComboTeclaPas, &QComboBox::currentIndexChanged, this,
            [this] { keepKeysApart(ComboTeclaPas, ComboTeclaSeleccio); });
    for (QComboBox* box : {ComboTeclaSeleccio, ComboTeclaPas})
        connect(box, &QComboBox::currentIndexChanged, this, &TFormOpcionsAcces::showDigitKeyHint);
    setLanguage(InterfaceLanguage::Catalan);
}

QComboBox* TFormOpcionsAcces::makeKeyBox()
{
    auto* box = new QComboBox;
    for (const SwitchKey key : offeredSwitchKeys())
        box->addItem(QString::fromLatin1(switchKeyName(key)), static_cast<int>(key));
    return box;
}

void TFormOpcionsAcces::keepKeysApart(QComboBox* changed, QComboBox* other)
{
    if (keyIn(changed) != SwitchKey::None && keyIn(changed) == keyIn(other))
        chooseKey(other, SwitchKey::None);
}

void TFormOpcionsAcces::showDigitKeyHint()
{
    LabelTeclaXifra->setVisible(isDigitSwitchKey(keyIn(ComboTeclaSeleccio)) || isDigitSwitchKey(keyIn(ComboTeclaPas)));
}

void TFormOpcionsAcces::setCueVoiceMissing(bool missing)
{
    LabelSenseVeu->setVisible(missing);
}

void TFormOpcionsAcces::setOptions(const AccessOptions& options)
{
    SpinAcceptacio->setValue(options.acceptanceMs);
    SpinRetard->setValue(options.postAcceptanceMs);
    chooseKey(ComboTeclaPas, SwitchKey::None);
    chooseKey(ComboTeclaSeleccio, options.selectKey);
    chooseKey(ComboTeclaPas, options.stepKey);
    CheckLlegeixResaltat->setChecked(options.spokenHighlight);
    CheckSoDurantSo->setChecked(options.soundSwitchDuringPageSound);
}

AccessOptions TFormOpcionsAcces::options() const
{
    AccessOptions options;
    options.acceptanceMs = SpinAcceptacio->value();
    options.postAcceptanceMs = SpinRetard->value();
    options.selectKey = keyIn(ComboTeclaSeleccio);
    options.stepKey = keyIn(ComboTeclaPas);
    options.spokenHighlight = CheckLlegeixResaltat->isChecked();
    options.soundSwitchDuringPageSound = CheckSoDurantSo->isChecked();
    return options;
}

void TFormOpcionsAcces::setLanguage(InterfaceLanguage language)
{
    const AccessOptionsCaptions& captions = accessOptionsCaptionsFor(language);
    setWindowTitle(captions.DialogTitle);
    const QString labels[] = {captions.AcceptanceTime, captions.PostAcceptanceDelay, captions.SelectKey,
                              captions.StepKey};
    QWidget* const fields[] = {SpinAcceptacio, SpinRetard};
    for (int row = 0; row < 4; ++row)
        m_labels[row]->setText(labels[row]);
    // Spin boxes are named by their caption without its colon; a combo box is
    // named by its choice, so its caption goes to its description.
    for (int row = 0; row < 2; ++row)
        fields[row]->setAccessibleName(labels[row].chopped(1));
    ComboTeclaSeleccio->setAccessibleDescription(labels[2].chopped(1));
    ComboTeclaPas->setAccessibleDescription(labels[3].chopped(1));
    for (QComboBox* box : {ComboTeclaSeleccio, ComboTeclaPas})
        box->setItemText(0, captions.NoKey);
    CheckLlegeixResaltat->setText(captions.SpokenHighlight);
    CheckSoDurantSo->setText(captions.SoundSwitchDuringSound);
    LabelSoDurantSo->setText(captions.SoundSwitchDuringSoundHint);
    LabelSenseVeu->setText(captions.NoCueVoice);
    LabelTeclaXifra->setText(captions.DigitKeyHint);
    Botons->button(QDialogButtonBox::Ok)->setText(captions.Accept);
    Botons->button(QDialogButtonBox::Cancel)->setText(captions.Cancel);
}

std::optional<AccessOptions> askAccessOptions(QWidget* parent, InterfaceLanguage language, const AccessOptions& current,
                                              bool cueVoiceMissing)
{
    TFormOpcionsAcces dialog(parent);
    dialog.setLanguage(language);
    dialog.setOptions(current);
    dialog.setCueVoiceMissing(cueVoiceMissing);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.options();
}

} // namespace tirvelo
