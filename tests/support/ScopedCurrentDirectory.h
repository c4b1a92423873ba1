#pragma once
// Makes a folder the process's current directory while the object lives, so
// that relative page names resolve there, and restores the previous one.
#include <QDir>
#include <QString>

namespace tirvelo::test {

class ScopedCurrentDirectory {
public:
    explicit ScopedCurrentDirectory(const QString& path) : m_previous(QDir::currentPath()) { m_entered = QDir::setCurrent(path); }
    ~ScopedCurrentDirectory() { QDir::setCurrent(m_previous); }
    ScopedCurrentDirectory(const ScopedCurrentDirectory&) = delete;
    ScopedCurrentDirectory& operator=(const ScopedCurrentDirectory&) = delete;

    bool entered() const { return m_entered; }

private:
    QString m_previous;
    bool m_entered = false;
};

} // namespace tirvelo::test
