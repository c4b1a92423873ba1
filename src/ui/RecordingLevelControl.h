#pragma once
// The desktop's recording-level control: the PulseAudio volume control
// (pavucontrol) on its input-devices tab. The window search and the raise run
// as child processes that report their end by signal, so capture and scanning
// go on while they work.
#include <QObject>
#include <QStringList>

#include <functional>

namespace tirvelo {

class RecordingLevelControl : public QObject {
    Q_OBJECT
public:
    explicit RecordingLevelControl(QObject* parent = nullptr);
    // Ends a helper still running, without its answer.
    ~RecordingLevelControl() override;

    // Brings an open window of the control to the front (mapping it again when
    // minimised); when none is open, or on a Wayland session, starts the
    // control detached on its input tab. Returns at once; finished() tells the outcome. Nothing is shown when
    // the control is not installed. A request while one is under way is dropped.
    void raise();

signals:
    // shown: a window was raised or the program started.
    void finished(bool shown);

private:
    using Next = std::function<void(const QString& output)>;
    // Runs a short helper, at most 2 s, then calls next with its output (empty
    // when it is missing, fails or runs out of time).
    void runHelper(const QString& program, const QStringList& arguments, Next next);
    void raiseWindow(const QString& window);
    void startControl();
    void finish(bool shown);

    bool m_busy = false;
};

} // namespace tirvelo
