#pragma once
// The input level dialog: the live level of the sound input as a bar, the
// trigger threshold on a track bar, and a button that opens the desktop's
// recording-level control, and "Calibra", which hears the room for three
// seconds and puts the threshold just above it. One instance, created hidden
// at start-up; its creation sets up the capture and its destruction closes it.
#include "audio/LevelCalibration.h"
#include "modes/Services.h"

#include <QDialog>
#include <QIcon>
#include <QImage>

class QProgressBar;
class QPushButton;
class QSlider;

namespace tirvelo {

class RecordingLevelControl;

class TFormNivellEntradaDAudio : public QDialog {
    Q_OBJECT
public:
    static constexpr int ClientWidth = 238;
    static constexpr int ClientHeight = 103;

    // The services must outlive the dialog.
    explicit TFormNivellEntradaDAudio(const Services& services, QWidget* parent = nullptr);
    // Runs FormDestroy when it has not run yet.
    ~TFormNivellEntradaDAudio() override;

    // The bar (0..128); the main window calls it for each captured buffer
    // while the dialog is visible.
    void setLevel(int level);
    // Captions of the interface language: window title, "&Tancar",
    // "Nivell &Micròfon" and "Calibra" (the narrow button's tooltip and
    // name). The track bar's tooltip stays Catalan.
    void setCaptions(const QString& dialogTitle, const QString& closeCaption, const QString& levelCaption,
                     const QString& calibrateCaption);
    // The calibration's words in the interface language: the button's name
    // while counting down ("%1" the seconds), and what the bar and the button
    // say after a calibration in a room too loud.
    void setCalibrationCaptions(const QString& countdown, const QString& tooLoud, const QString& tooLoudHint);

    // Calibration hears the capture that voice mode runs: without it the
    // button is disabled, and switching it off abandons a run.
    void setCaptureRunning(bool running);
    bool calibrating() const { return m_calibration.listening(); }
    // One buffer's level while calibrating (the main window hands it on
    // instead of triggering): shown on the bar, counted down on the button;
    // the last one sets the threshold through the track bar.
    void hearRoom(int level);

    // Closes capture, waits 1000 ms handling events so that the buffers the
    // device returns are answered, and frees the buffers. Runs once.
    void FormDestroy();

    // The button pictures: the 18x18 check mark (enabled, or embossed grey for
    // disabled) and the 12x16 slider panel; transparent where the background is.
    static QImage checkMarkGlyph(bool enabled);
    static QImage volumeGlyph();
    // The 11x12 stopwatch of the narrow "Calibra" button.
    static QImage calibrateGlyph();
    static QString thresholdToolTip(int value);

    QProgressBar* ProgressBarVolum = nullptr;
    QSlider* TrackBar1 = nullptr;
    QPushButton* BitBtn1 = nullptr;
    QPushButton* BitBtn2 = nullptr;
    QPushButton* BitBtnCalibra = nullptr;

protected:
    // Esc and the window manager's close do what "&Tancar" does.
    void reject() override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    void FormCreate();
    void TrackBar1Change(int position);
    void BitBtn1Click();
    void BitBtn2Click();
    void BitBtnCalibraClick();
    // The button's face and the bar's text: the seconds left while listening,
    // the stopwatch and no text otherwise.
    void showCalibration();
    // The calibrate button's accessible name and description; the word after
    // a calibration in a room too loud stays until the next one, or until the
    // dialog is closed.
    void setCalibrateButtonTexts(const QString& name, const QString& description);
    void placeBottomRight();
    void placeByDecoratedFrameOnce();

    Services m_services;
    RecordingLevelControl* m_levelControl = nullptr;
    LevelCalibration m_calibration;
    QIcon m_calibrateIcon; // the stopwatch, on the button when not counting down
    QString m_calibrateCaption;
    QString m_countdownCaption;
    QString m_tooLoudCaption;
    QString m_tooLoudHint;
    bool m_roomTooLoud = false; // the last calibration's room
    bool m_placedByFrame = false;
    bool m_destroyed = false;
};

} // namespace tirvelo
