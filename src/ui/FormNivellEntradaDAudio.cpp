#include "ui/FormNivellEntradaDAudio.h"

#include "modes/Delay.h"
#include "ui/AccessOptionsCaptions.h"
#include "ui/CurrentDesktop.h"
#include "audio/WavMax.h"
#include "modes/MessageSink.h"
#include "ui/RecordingLevelControl.h"

#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSlider>

#include <algorithm>

namespace tirvelo {

namespace {

constexpr QRgb DarkGreen = qRgb(0, 128, 0);
constexpr QRgb BrightGreen = qRgb(0, 255, 0);
constexpr QRgb Navy = qRgb(0, 0, 128);
constexpr QRgb Grey = qRgb(128, 128, 128);
constexpr QRgb White = qRgb(255, 255, 255);
constexpr QRgb Silver = qRgb(192, 192, 192);
constexpr QRgb Black = qRgb(0, 0, 0);
constexpr QRgb Red = qRgb(192, 0, 0);

QImage transparentImage(int width, int height)
{
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    return image;
}

// Centre row of the check mark's stroke in column x (2..15): down to the
// corner at x = 6, then up to the tip at x = 15.
int checkRow(int x)
{
    return x <= 6 ? 9 + (x - 2) : 13 - (x - 6);
}

} // namespace

QImage TFormNivellEntradaDAudio::checkMarkGlyph(bool enabled)
{
    QImage mark = transparentImage(18, 18);
    for (int x = 2; x <= 15; ++x) {
        const int y = checkRow(x);
        mark.setPixel(x, y - 2, BrightGreen);
        for (int dy = -1; dy <= 1; ++dy)
            mark.setPixel(x, y + dy, DarkGreen);
        mark.setPixel(x, y + 2, Navy);
    }
    if (enabled)
        return mark;
    // Disabled: the same shape embossed, a white copy one pixel down and right
    // under a grey one.
    QImage embossed = transparentImage(18, 18);
    for (int y = 0; y < 17; ++y)
        for (int x = 0; x < 17; ++x)
            if (qAlpha(mark.pixel(x, y)) != 0)
                embossed.setPixel(x + 1, y + 1, White);
    for (int y = 0; y < 18; ++y)
        for (int x = 0; x < 18; ++x)
            if (qAlpha(mark.pixel(x, y)) != 0)
                embossed.setPixel(x, y, Grey);
    return embossed;
}

QImage TFormNivellEntradaDAudio::volumeGlyph()
{
    // A raised silver panel (column 11 and row 15, the dark border, stay
    // transparent) holding one vertical slider.
    QImage panel = transparentImage(12, 16);
    for (int y = 0; y <= 14; ++y)
        for (int x = 0; x <= 10; ++x)
            panel.setPixel(x, y, Silver);
    for (int x = 0; x <= 10; ++x) {
        panel.setPixel(x, 0, White);
        panel.setPixel(x, 14, Grey);
    }
    for (int y = 0; y <= 14; ++y) {
        panel.setPixel(0, y, White);
        panel.setPixel(10, y, Grey);
    }
    panel.setPixel(0, 14, Grey);
    for (int y = 2; y <= 12; ++y)
        panel.setPixel(5, y, Black);
    for (int y = 3; y <= 11; y += 2) {
        panel.setPixel(3, y, Grey);
        panel.setPixel(7, y, Grey);
    }
    for (int y = 7; y <= 8; ++y)
        for (int x = 4; x <= 6; ++x)
            panel.setPixel(x, y, Black);
    return panel;
}

QImage TFormNivellEntradaDAudio::calibrateGlyph()
{
    // A stopwatch: its crown, a white face and a red hand from the centre.
    static constexpr const char* Rows[] = {
        "....###....", ".....#.....", "...#####...", "..#ooooo#..", ".#ooorooo#.", "#ooooroooo#",
        "#ooooroooo#", "#oooorrroo#", "#ooooooooo#", ".#ooooooo#.", "..#ooooo#..", "...#####...",
    };
    QImage watch = transparentImage(11, 12);
    for (int y = 0; y < watch.height(); ++y)
        for (int x = 0; x < watch.width(); ++x)
            if (const char c = Rows[y][x]; c != '.')
                watch.setPixel(x, y, c == '#' ? Black : c == 'r' ? Red : White);
    return watch;
}

QString TFormNivellEntradaDAudio::thresholdToolTip(int value)
{
    return QStringLiteral("Valor minim del senyal que provoca efecte = ") + QString::number(value);
}

TFormNivellEntradaDAudio::TFormNivellEntradaDAudio(const Services& services, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_services(services)
{
    setWindowTitle(QStringLiteral("Nivell d'entrada d'audio"));
    QFont small = font();
    small.setPixelSize(11);
    setFont(small);
    setFixedSize(ClientWidth, ClientHeight);

    ProgressBarVolum = new QProgressBar(this);
    ProgressBarVolum->setObjectName(QStringLiteral("ProgressBarVolum"));
    ProgressBarVolum->setGeometry(13, 8, 212, 17);
    ProgressBarVolum->setRange(0, 128);
    ProgressBarVolum->setValue(0);
    ProgressBarVolum->setTextVisible(false);
    ProgressBarVolum->setAccessibleName(QStringLiteral("Nivell d'entrada"));

    TrackBar1 = new QSlider(Qt::Horizontal, this);
    TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
    TrackBar1->setGeometry(1, 32, 236, 33);
    TrackBar1->setRange(0, 128);
    TrackBar1->setTickPosition(QSlider::TicksAbove);
    TrackBar1->setTickInterval(10);
    TrackBar1->setValue(0);
    TrackBar1->setAccessibleName(QStringLiteral("Valor minim del senyal que provoca efecte"));

    QIcon check;
    check.addPixmap(QPixmap::fromImage(checkMarkGlyph(true)), QIcon::Normal);
    check.addPixmap(QPixmap::fromImage(checkMarkGlyph(false)), QIcon::Disabled);
    BitBtn1 = new QPushButton(check, QStringLiteral("&Tancar"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    BitBtn1->setGeometry(9, 72, 97, 25);
    BitBtn1->setIconSize(QSize(18, 18));
    BitBtn1->setDefault(true);

    BitBtn2 = new QPushButton(QIcon(QPixmap::fromImage(volumeGlyph())), QStringLiteral(u"Nivell &Micròfon"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setGeometry(128, 72, 97, 25);
    BitBtn2->setIconSize(QSize(12, 16));

    // Narrow, in the gap between the two buttons, so that nothing else moves.
    m_calibrateIcon = QIcon(QPixmap::fromImage(calibrateGlyph()));
    BitBtnCalibra = new QPushButton(m_calibrateIcon, QString(), this);
    BitBtnCalibra->setObjectName(QStringLiteral("BitBtnCalibra"));
    BitBtnCalibra->setGeometry(108, 72, 18, 25);
    BitBtnCalibra->setIconSize(QSize(11, 12));
    setCaptions(windowTitle(), BitBtn1->text(), BitBtn2->text(), QStringLiteral("Calibra"));
    const AccessOptionsCaptions& catalan = accessOptionsCaptionsFor(InterfaceLanguage::Catalan);
    setCalibrationCaptions(catalan.CalibrationCountdown, catalan.RoomTooLoud, catalan.RoomTooLoudHint);
    BitBtnCalibra->setEnabled(false); // voice mode starts off
    setTabOrder(BitBtn1, BitBtnCalibra);
    setTabOrder(BitBtnCalibra, BitBtn2);

    connect(TrackBar1, &QSlider::valueChanged, this, &TFormNivellEntradaDAudio::TrackBar1Change);
    connect(BitBtn1, &QPushButton::clicked, this, &TFormNivellEntradaDAudio::BitBtn1Click);
    connect(BitBtn2, &QPushButton::clicked, this, &TFormNivellEntradaDAudio::BitBtn2Click);
    connect(BitBtnCalibra, &QPushButton::clicked, this, &TFormNivellEntradaDAudio::BitBtnCalibraClick);
    m_levelControl = new RecordingLevelControl(this);

    FormCreate();
}

TFormNivellEntradaDAudio::~TFormNivellEntradaDAudio()
{
    FormDestroy();
}

void TFormNivellEntradaDAudio::FormCreate()
{
    m_services.capture.SetupWaveInput(WavMax::DefaultBufferLength);
    // The capture reports an input that cannot be opened through this.
    MessageSink& messages = m_services.messages;
    m_services.capture.setDeviceErrorReporter([&messages](QObject* owner, const QString& text, const QString& caption) {
        QWidget* window = qobject_cast<QWidget*>(owner);
        messages.warning(window ? window->window() : nullptr, text, caption);
    });
    TrackBar1->setToolTip(thresholdToolTip(m_services.capture.TriggerThreshold));
    TrackBar1->setValue(m_services.capture.TriggerThreshold);
    placeBottomRight();
}

void TFormNivellEntradaDAudio::placeBottomRight()
{
    // A Wayland client cannot place its windows: the compositor does.
    if (!currentDesktopSession().placesOwnWindows())
        return;
    QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    const QRect outer = frameGeometry();
    move(area.x() + area.width() - outer.width(), area.y() + area.height() - outer.height());
}

// A window manager adds its frame only once the dialog is shown: the frame
// known at creation was the bare client area. Placed again by the decorated
// frame, once, so that the title bar does not push it off the screen.
void TFormNivellEntradaDAudio::placeByDecoratedFrameOnce()
{
    if (m_placedByFrame || !isVisible() || frameGeometry().size() == size())
        return;
    m_placedByFrame = true;
    placeBottomRight();
}

void TFormNivellEntradaDAudio::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    placeByDecoratedFrameOnce();
}

void TFormNivellEntradaDAudio::moveEvent(QMoveEvent* event)
{
    QDialog::moveEvent(event);
    placeByDecoratedFrameOnce();
}

void TFormNivellEntradaDAudio::reject()
{
    BitBtn1Click();
}

void TFormNivellEntradaDAudio::TrackBar1Change(int position)
{
    m_services.capture.TriggerThreshold = position;
    TrackBar1->setToolTip(thresholdToolTip(position));
}

void TFormNivellEntradaDAudio::BitBtn1Click()
{
    // Closed while listening: the run is abandoned and the threshold kept.
    m_calibration.cancel();
    m_roomTooLoud = false;
    showCalibration();
    ProgressBarVolum->setValue(0);
    hide();
}

void TFormNivellEntradaDAudio::BitBtn2Click()
{
    m_levelControl->raise();
}

void TFormNivellEntradaDAudio::BitBtnCalibraClick()
{
    // Pressed again while listening: the run starts over.
    m_calibration.start(m_services.clock.now());
    m_roomTooLoud = false;
    showCalibration();
}

void TFormNivellEntradaDAudio::setCaptureRunning(bool running)
{
    BitBtnCalibra->setEnabled(running);
    if (!running && m_calibration.listening()) {
        m_calibration.cancel();
        showCalibration();
    }
}

void TFormNivellEntradaDAudio::hearRoom(int level)
{
    setLevel(level);
    if (m_calibration.hear(level, m_services.clock.now())) {
        // Through the track bar, so that its tooltip follows; the teacher can move it on.
        TrackBar1->setValue(m_calibration.threshold());
        m_roomTooLoud = m_calibration.roomTooLoud();
    }
    showCalibration();
}

void TFormNivellEntradaDAudio::showCalibration()
{
    if (!m_calibration.listening()) {
        BitBtnCalibra->setText(QString());
        BitBtnCalibra->setIcon(m_calibrateIcon);
        setCalibrateButtonTexts(m_calibrateCaption, m_roomTooLoud ? m_tooLoudHint : QString());
        if (m_roomTooLoud)
            ProgressBarVolum->setFormat(m_tooLoudCaption);
        ProgressBarVolum->setTextVisible(m_roomTooLoud);
        return;
    }
    const QString seconds = QString::number(m_calibration.secondsLeft(m_services.clock.now()));
    if (!BitBtnCalibra->icon().isNull()) // once, not at every buffer
        BitBtnCalibra->setIcon(QIcon());
    BitBtnCalibra->setText(seconds);
    // The button has the focus after its press: a screen reader says its new name.
    setCalibrateButtonTexts(m_countdownCaption.arg(seconds), QString());
    ProgressBarVolum->setFormat(seconds);
    ProgressBarVolum->setTextVisible(true);
}

void TFormNivellEntradaDAudio::setLevel(int level)
{
    ProgressBarVolum->setValue(std::clamp(level, 0, 128));
}

void TFormNivellEntradaDAudio::setCaptions(const QString& dialogTitle, const QString& closeCaption,
                                           const QString& levelCaption, const QString& calibrateCaption)
{
    setWindowTitle(dialogTitle);
    BitBtn1->setText(closeCaption);
    BitBtn2->setText(levelCaption);
    m_calibrateCaption = calibrateCaption;
    BitBtnCalibra->setToolTip(calibrateCaption);
    if (!m_calibration.listening())
        setCalibrateButtonTexts(calibrateCaption, BitBtnCalibra->accessibleDescription());
}

void TFormNivellEntradaDAudio::setCalibrateButtonTexts(const QString& name, const QString& description)
{
    // Set only when they change: each setting is an event a screen reader hears.
    if (BitBtnCalibra->accessibleName() != name)
        BitBtnCalibra->setAccessibleName(name);
    if (BitBtnCalibra->accessibleDescription() != description)
        BitBtnCalibra->setAccessibleDescription(description);
}

void TFormNivellEntradaDAudio::setCalibrationCaptions(const QString& countdown, const QString& tooLoud,
                                                      const QString& tooLoudHint)
{
    m_countdownCaption = countdown;
    m_tooLoudCaption = tooLoud;
    m_tooLoudHint = tooLoudHint;
    showCalibration();
}

void TFormNivellEntradaDAudio::FormDestroy()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    m_calibration.cancel(); // the buffers returned while closing are not the room's
    m_services.capture.CloseWaveInput();
    m_services.clock.delay(1000);
    m_services.capture.FreeWaveBuffers();
    m_services.capture.setDeviceErrorReporter({});
}

} // namespace tirvelo
