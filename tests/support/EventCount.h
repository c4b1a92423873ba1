#pragma once
// Counts the events of one type a widget or object receives while it lives
// (installed on construction, removed on destruction).
#include <QEvent>
#include <QObject>
#include <QPointer>

namespace tirvelo::test {

class EventCount : public QObject {
public:
    EventCount(QObject* watched, QEvent::Type type) : m_watched(watched), m_type(type)
    {
        watched->installEventFilter(this);
    }
    ~EventCount() override
    {
        if (m_watched)
            m_watched->removeEventFilter(this);
    }
    int count = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        count += event->type() == m_type;
        return false;
    }

private:
    QPointer<QObject> m_watched;
    QEvent::Type m_type;
};

} // namespace tirvelo::test
