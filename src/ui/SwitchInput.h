#pragma once
// The switch timings and switch keys of the main window. While an acceptance
// time is set, a press on a page-turning target (or of a page or switch key)
// acts only once it has been held that long; switch keys select or step
// wherever the focus is in the window, and never reach the control that has
// it. Every activation, whatever it came from, passes admit() for the
// post-acceptance delay. With every option at its default nothing is
// intercepted and admit() lets everything through.
//
// One press at a time: while a press waits out its acceptance time, another
// switch pressed meanwhile waits behind it, and takes its place only if it is
// let go too soon. A select acts on what was highlighted when its press began.
//
// A switch key held past the X server's key-repeat delay comes as releases and
// presses at the same time stamp, which the toolkit marks as repeats only when
// it sees both at once. A release followed at once by a press of the same key
// is therefore one hold: a release waits a moment for such a press before it
// counts (still by its own time stamp).
#include "desktop/AccessOptions.h"
#include "scan/SwitchTimings.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>

#include <functional>
#include <optional>
#include <vector>

class QWidget;

namespace tirvelo {

class SwitchInput : public QObject {
    Q_OBJECT
public:
    struct Actions {
        std::function<void()> previous; // the previous-page button
        std::function<void()> next;     // the next-page button
        // What a select pressed now acts on (empty: nothing), asked as the press begins.
        std::function<std::function<void()>()> select;
        std::function<void()> step;     // the step key
        // What a press on the picture or a text box acts on, asked as the press
        // begins; when empty, next.
        std::function<std::function<void()>()> page;
    };

    SwitchInput(QWidget* window, Actions actions, QObject* parent = nullptr);
    ~SwitchInput() override;

    // Where a left press turns to the previous page, where to the next, and
    // where it is a click on the page.
    void setPressTargets(QWidget* previous, std::vector<QWidget*> next, std::vector<QWidget*> page = {});
    void setOptions(const AccessOptions& options);
    const AccessOptions& options() const { return m_options; }

    // False while the post-acceptance delay of the last admitted activation runs.
    bool admit();
    // True while the post-acceptance delay runs; starts nothing.
    bool delayRunning() const;
    // A switch key is down now (a switch wired as the left button is seen by the toolkit).
    bool switchKeyHeld() const { return !m_keysDown.isEmpty(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::function<void()> actionForPress(QObject* target) const;
    // The action of a key press; none for a key that is no switch or page key here.
    std::function<void()> actionForKey(int key, Qt::KeyboardModifiers modifiers);
    // Which switch a press or release comes from: a key's code, or the mouse button.
    static constexpr int kMouseSwitch = -1;
    static int keySwitch(int key) { return key == Qt::Key_Enter ? Qt::Key_Return : key; }
    // A press waiting out its acceptance time: its action, the event's time
    // stamp, the clock's reading when it came, and its switch.
    struct Press {
        std::function<void()> action;
        quint64 stamp;
        qint64 clockAt;
        int source;
    };
    bool hold(std::function<void()> action, quint64 pressedAt, int source);
    void startHeld(Press press);
    bool release(quint64 releasedAt, int source);
    void holdElapsed();
    // A switch key's release, put off a moment in case the key repeat's press follows.
    void keyReleased(quint64 releasedAt, int source);
    // True for the key repeat's press after a release of the same key: the hold goes on.
    bool holdGoesOn(quint64 pressedAt, int source);
    // Lets the release put off take effect now.
    void settleRelease();

    QWidget* m_window;
    Actions m_actions;
    AccessOptions m_options;
    SwitchTimings m_timings;
    QElapsedTimer m_clock;
    QTimer m_holdTimer;
    std::function<void()> m_held;
    quint64 m_heldSince = 0; // the press event's time stamp
    int m_heldSource = 0;
    std::vector<Press> m_waiting; // pressed while another was held, in order
    QSet<int> m_keysDown; // switch and page keys whose press was taken, until their release
    struct KeyRelease {
        quint64 stamp;
        int source;
    };
    std::optional<KeyRelease> m_releasePutOff;
    QTimer m_releaseTimer;
    QPointer<QWidget> m_previousTarget;
    std::vector<QPointer<QWidget>> m_nextTargets;
    std::vector<QPointer<QWidget>> m_pageTargets;
    bool m_filtering = false;
};

} // namespace tirvelo
