#pragma once
// An environment variable set for as long as the object lives; the value (or
// the absence) it had before comes back at the end.
#include <QByteArray>

#include <optional>

namespace tirvelo::test {

class ScopedEnvironmentVariable {
public:
    // Sets name to value; without a value the variable is removed.
    explicit ScopedEnvironmentVariable(QByteArray name, std::optional<QByteArray> value = std::nullopt);
    ~ScopedEnvironmentVariable();
    ScopedEnvironmentVariable(const ScopedEnvironmentVariable&) = delete;
    ScopedEnvironmentVariable& operator=(const ScopedEnvironmentVariable&) = delete;

    // Changes the value again; the value from before the object still comes back.
    void set(const std::optional<QByteArray>& value);

private:
    QByteArray m_name;
    std::optional<QByteArray> m_previous;
};

} // namespace tirvelo::test
