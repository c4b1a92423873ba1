#include "ui/SwitchInput.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

#include <algorithm>

namespace tirvelo {

SwitchInput::SwitchInput(QWidget* window, Actions actions, QObject* parent)
    : QObject(parent), m_window(window), m_actions(std::move(actions))
{
    m_clock.start();
    m_holdTimer.setSingleShot(true);
    m_holdTimer.setTimerType(Qt::PreciseTimer);
    connect(&m_holdTimer, &QTimer::timeout, this, &SwitchInput::holdElapsed);
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

std::function<void()> SwitchInput::actionForPress(QObject* target) const
{
    if (target == m_previousTarget)
        return m_actions.previous;
    if (std::find(m_nextTargets.begin(), m_nextTargets.end(), target) != m_nextTargets.end())
        return m_actions.next;
    if (std::find(m_pageTargets.begin(), m_pageTargets.end(), target) != m_pageTargets.end())
        return m_actions.page ? m_actions.page : m_actions.next;
    return nullptr;
}

std::function<void()> SwitchInput::actionForKey(int key) const
{
    const SwitchKey pressed = switchKeyForQtKey(key);
    if (pressed != SwitchKey::None && pressed == m_options.selectKey)
        return m_actions.select;
    if (pressed != SwitchKey::None && pressed == m_options.stepKey)
        return m_actions.step;
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
    m_held = std::move(action);
    m_heldSince = pressedAt;
    m_heldSource = source;
    m_holdTimer.start(m_timings.pressBegan(m_clock.elapsed()) - m_clock.elapsed());
    return true;
}

bool SwitchInput::release(quint64 releasedAt, int source)
{
    // Another switch let go while this one is held (presses overlap, as with a
    // tremor): the held press still counts.
    if (m_held && source != m_heldSource)
        return true;
    // Held long enough by the events' own time stamps, it counts even when the
    // program was too busy to see the time pass; let go before that, never.
    std::function<void()> action = std::move(m_held);
    m_held = nullptr;
    m_timings.pressEnded();
    m_holdTimer.stop();
    if (action && releasedAt >= m_heldSince + quint64(m_timings.acceptanceMs()))
        action();
    return true;
}

void SwitchInput::holdElapsed()
{
    if (!m_held || !m_timings.takeHeldPress(m_clock.elapsed()))
        return;
    const std::function<void()> action = std::move(m_held);
    m_held = nullptr;
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
        std::function<void()> action = actionForKey(key->key());
        if (!action)
            return false;
        // A switch held down repeats its key; the press counts once.
        return key->isAutoRepeat() ? true : hold(std::move(action), key->timestamp(), keySwitch(key->key()));
    }
    case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (!actionForKey(key->key()))
            return false;
        return key->isAutoRepeat() ? true
                                    : (m_timings.holdsPresses() ? release(key->timestamp(), keySwitch(key->key())) : true);
    }
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        if (!m_timings.holdsPresses() || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
            return false;
        std::function<void()> action = actionForPress(watched);
        return action ? hold(std::move(action), static_cast<QMouseEvent*>(event)->timestamp(), kMouseSwitch) : false;
    }
    case QEvent::MouseButtonRelease:
        if (!m_timings.holdsPresses() || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton
            || !actionForPress(watched))
            return false;
        return release(static_cast<QMouseEvent*>(event)->timestamp(), kMouseSwitch);
    default:
        return false;
    }
}

} // namespace tirvelo
