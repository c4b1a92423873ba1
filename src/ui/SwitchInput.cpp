#include "ui/SwitchInput.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

#include <algorithm>

namespace tirvelo {

namespace {
// The key repeat's press comes at its release's time stamp; a switch bouncing
// within this is one press too.
constexpr quint64 kRepeatGapMs = 5;
// How long a release waits for the key repeat's press to arrive: long enough
// for a busy machine to deliver it, too short to notice.
constexpr int kReleaseWaitMs = 30;
} // namespace

SwitchInput::SwitchInput(QWidget* window, Actions actions, QObject* parent)
    : QObject(parent), m_window(window), m_actions(std::move(actions))
{
    m_clock.start();
    m_holdTimer.setSingleShot(true);
    m_holdTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_holdTimer, &QTimer::timeout, this, &SwitchInput::holdElapsed);
    m_releaseTimer.setSingleShot(true);
    connect(&m_releaseTimer, &QTimer::timeout, this, &SwitchInput::settleRelease);
}

SwitchInput::~SwitchInput()
{
    if (m_filtering)
        QCoreApplication::instance()->removeEventFilter(this);
}

void SwitchInput::setPressTargets(QWidget* previous, std::vector<QWidget*> next, std::vector<QWidget*> page)
{
    m_previousTarget = previous;
    m_nextTargets.assign(next.begin(), next.end());
    m_pageTargets.assign(page.begin(), page.end());
}

void SwitchInput::setOptions(const AccessOptions& options)
{
    m_options = options;
    m_timings = SwitchTimings(); // new timings count from the next activation on
    m_timings.setAcceptanceMs(options.acceptanceMs);
    m_timings.setPostAcceptanceMs(options.postAcceptanceMs);
    m_holdTimer.stop();
    m_held = nullptr;
    m_waiting.clear();
    m_keysDown.clear();
    m_releasePutOff.reset();
    m_releaseTimer.stop();
    // Events are looked at only when an option needs it, so the defaults cost nothing.
    const bool needed = m_timings.holdsPresses() || options.selectKey != SwitchKey::None
        || options.stepKey != SwitchKey::None;
    if (needed != m_filtering && QCoreApplication::instance()) {
        if (needed)
            QCoreApplication::instance()->installEventFilter(this);
        else
            QCoreApplication::instance()->removeEventFilter(this);
        m_filtering = needed;
    }
}

bool SwitchInput::admit()
{
    return m_timings.admit(m_clock.elapsed());
}

bool SwitchInput::delayRunning() const
{
    return m_timings.delayRunning(m_clock.elapsed());
}

std::function<void()> SwitchInput::actionForPress(QObject* target) const
{
    if (target == m_previousTarget)
        return m_actions.previous;
    if (std::find(m_nextTargets.begin(), m_nextTargets.end(), target) != m_nextTargets.end())
        return m_actions.next;
    if (std::find(m_pageTargets.begin(), m_pageTargets.end(), target) != m_pageTargets.end())
        return m_actions.page ? m_actions.page() : m_actions.next;
    return nullptr;
}

std::function<void()> SwitchInput::actionForKey(int key, Qt::KeyboardModifiers modifiers)
{
    const SwitchKey pressed = switchKeyForKeyPress(key, modifiers);
    if (pressed != SwitchKey::None && pressed == m_options.selectKey) {
        // Taken even with nothing to act on, so that the key never types.
        std::function<void()> selected = m_actions.select ? m_actions.select() : nullptr;
        return selected ? selected : [] {};
    }
    if (pressed != SwitchKey::None && pressed == m_options.stepKey) {
        // A bouncing step switch must not move the highlight there and back.
        return [this] {
            if (admit() && m_actions.step)
                m_actions.step();
        };
    }
    if (m_timings.holdsPresses() && key == Qt::Key_PageDown)
        return m_actions.next;
    if (m_timings.holdsPresses() && key == Qt::Key_PageUp)
        return m_actions.previous;
    return nullptr;
}

bool SwitchInput::hold(std::function<void()> action, quint64 pressedAt, int source)
{
    if (!m_timings.holdsPresses()) {
        action();
        return true;
    }
    // A second switch pressed while one is held (a tremor, a brush) does not
    // take the place of the press under way: it waits behind it.
    if (m_held) {
        if (source != m_heldSource)
            m_waiting.push_back({std::move(action), pressedAt, m_clock.elapsed(), source});
        return true;
    }
    startHeld({std::move(action), pressedAt, m_clock.elapsed(), source});
    return true;
}

void SwitchInput::startHeld(Press press)
{
    m_held = std::move(press.action);
    m_heldSince = press.stamp;
    m_heldSource = press.source;
    // From its own press: a press that waited may be due at once.
    const qint64 due = m_timings.pressBegan(press.clockAt);
    m_holdTimer.start(int(qMax<qint64>(0, due - m_clock.elapsed())));
}

bool SwitchInput::release(quint64 releasedAt, int source)
{
    // A waiting switch let go: it waits no more, and the held press still counts.
    if (m_held && source != m_heldSource) {
        std::erase_if(m_waiting, [source](const Press& press) { return press.source == source; });
        return true;
    }
    // Held long enough by the events' own time stamps, it counts even when the
    // program was too busy to see the time pass; let go before that, never.
    std::function<void()> action = std::move(m_held);
    m_held = nullptr;
    m_timings.pressEnded();
    m_holdTimer.stop();
    if (action && releasedAt >= m_heldSince + quint64(m_timings.acceptanceMs())) {
        m_waiting.clear(); // one activation for presses that overlap
        action();
        return true;
    }
    // Let go too soon (presses overlap, as with a tremor): a switch pressed
    // meanwhile and still held takes its place.
    if (!m_waiting.empty()) {
        Press next = std::move(m_waiting.front());
        m_waiting.erase(m_waiting.begin());
        startHeld(std::move(next));
    }
    return true;
}

void SwitchInput::keyReleased(quint64 releasedAt, int source)
{
    settleRelease();
    m_releasePutOff = KeyRelease{releasedAt, source};
    // An event made without a time stamp cannot be the key repeat's.
    if (releasedAt == 0)
        settleRelease();
    else
        m_releaseTimer.start(kReleaseWaitMs);
}

bool SwitchInput::holdGoesOn(quint64 pressedAt, int source)
{
    if (!m_releasePutOff || m_releasePutOff->source != source || pressedAt < m_releasePutOff->stamp
        || pressedAt - m_releasePutOff->stamp > kRepeatGapMs)
        return false;
    m_releasePutOff.reset();
    m_releaseTimer.stop();
    // The acceptance time may have run out while the release waited.
    if (m_held && m_heldSource == source && !m_holdTimer.isActive())
        m_holdTimer.start(0);
    return true;
}

void SwitchInput::settleRelease()
{
    if (!m_releasePutOff)
        return;
    const KeyRelease released = *m_releasePutOff;
    m_releasePutOff.reset();
    m_releaseTimer.stop();
    m_keysDown.remove(released.source);
    if (m_timings.holdsPresses())
        release(released.stamp, released.source);
}

void SwitchInput::holdElapsed()
{
    // The key may have been let go in time: its release decides.
    if (m_releasePutOff && m_releasePutOff->source == m_heldSource)
        return;
    if (!m_held || !m_timings.takeHeldPress(m_clock.elapsed()))
        return;
    const std::function<void()> action = std::move(m_held);
    m_held = nullptr;
    m_waiting.clear(); // one activation for presses that overlap
    action();
}

bool SwitchInput::eventFilter(QObject* watched, QEvent* event)
{
    const auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget || widget->window() != m_window)
        return false;
    switch (event->type()) {
    case QEvent::KeyPress: {
        auto* key = static_cast<QKeyEvent*>(event);
        // A switch held down repeats its key; the press counts once.
        if (key->isAutoRepeat())
            return m_keysDown.contains(keySwitch(key->key()));
        if (holdGoesOn(key->timestamp(), keySwitch(key->key())))
            return true;
        settleRelease();
        std::function<void()> action = actionForKey(key->key(), key->modifiers());
        if (!action)
            return false;
        m_keysDown.insert(keySwitch(key->key()));
        return hold(std::move(action), key->timestamp(), keySwitch(key->key()));
    }
    case QEvent::KeyRelease: {
        // The release of a press taken here, whatever modifiers came meanwhile.
        auto* key = static_cast<QKeyEvent*>(event);
        const int source = keySwitch(key->key());
        if (!m_keysDown.contains(source))
            return false;
        if (!key->isAutoRepeat())
            keyReleased(key->timestamp(), source);
        return true;
    }
    case QEvent::WindowDeactivate:
        // The releases of keys held now go to another window: none is held here any more.
        if (watched == m_window) {
            settleRelease();
            m_keysDown.clear();
        }
        return false;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        if (!m_timings.holdsPresses() || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            return false;
        std::function<void()> action = actionForPress(watched);
        if (action)
            settleRelease();
        return action ? hold(std::move(action), static_cast<QMouseEvent*>(event)->timestamp(), kMouseSwitch) : false;
    }
    case QEvent::MouseButtonRelease:
        if (!m_timings.holdsPresses() || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton
            || !actionForPress(watched))
            return false;
        settleRelease();
        return release(static_cast<QMouseEvent*>(event)->timestamp(), kMouseSwitch);
    default:
        return false;
    }
}

} // namespace tirvelo
