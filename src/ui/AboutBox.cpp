#include "ui/AboutBox.h"

#include "modes/Delay.h"
#include "ui/AppIcon.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace tirvelo {

TAboutBox::TAboutBox(const Services& services, QWidget* parent) : QDialog(parent), m_services(services)
{
    setWindowTitle(QStringLiteral(u"Parlant de Tirvelo"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    m_title = new QLabel(QStringLiteral(u"Quirna 2000 - Tirvelo"), this);
    QFont titleFont = m_title->font();
    titleFont.setPixelSize(20);
    titleFont.setBold(true);
    m_title->setFont(titleFont);
    m_title->setAlignment(Qt::AlignCenter);
    ImageOrdinador = new QLabel(this);
    ImageOrdinador->setPixmap(applicationIcon().pixmap(64)); // sharp also at a device-pixel ratio above 1
    ImageOrdinador->setAlignment(Qt::AlignCenter);
    ProductName = new QLabel(QStringLiteral(u"Tirvelo per escaneig d'un teclat i lectura de textos"), this);
    ProductName->setAlignment(Qt::AlignCenter);
    auto* credits = new QLabel(QStringLiteral(u"Passa pàgines per a persones que fan servir un commutador o la veu.\n"
                                              u"Llibres d'imatges, textos, sons i textos llegits en veu alta.\n"
                                              u"Fet amb Qt, libjpeg-turbo, libUEMF i eSpeak NG."),
                               this);
    credits->setAlignment(Qt::AlignCenter);
    OKButton = new QPushButton(QStringLiteral("OK"), this);
    OKButton->setDefault(true);
    connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
    layout->addWidget(m_title);
    layout->addWidget(ImageOrdinador);
    layout->addWidget(ProductName);
    layout->addWidget(credits);
    layout->addWidget(OKButton, 0, Qt::AlignHCenter);

    Timer1 = new QTimer(this);
    Timer1->setInterval(150);
    connect(Timer1, &QTimer::timeout, this, [this] {
        m_pulse = (m_pulse + 1) % 40;
        const int level = m_pulse < 20 ? m_pulse : 40 - m_pulse;
        m_title->setStyleSheet(QStringLiteral("color: rgb(0, 0, %1);").arg(120 + level * 6));
    });
    connect(this, &QDialog::finished, Timer1, &QTimer::stop);
}

void TAboutBox::showAsSplash(int milliseconds)
{
    ImageOrdinador->setPixmap(QApplication::windowIcon().pixmap(64));
    QFont font = ProductName->font();
    font.setPointSize(12);
    ProductName->setFont(font);
    setToolTipDuration(0);
    OKButton->hide();
    adjustSize();
    const int fullHeight = height();
    resize(width(), std::max(1, fullHeight - 28));
    setModal(false);
    show();
    Timer1->stop();
    m_services.clock.delay(milliseconds);
    hide();
    resize(width(), fullHeight);
    OKButton->show();
    setModal(true);
}

} // namespace tirvelo
