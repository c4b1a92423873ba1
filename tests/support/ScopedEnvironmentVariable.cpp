#include "support/ScopedEnvironmentVariable.h"

#include <QtGlobal>

namespace tirvelo::test {

ScopedEnvironmentVariable::ScopedEnvironmentVariable(QByteArray name, std::optional<QByteArray> value)
    : m_name(std::move(name))
{
    if (qEnvironmentVariableIsSet(m_name.constData()))
        m_previous = qgetenv(m_name.constData());
    set(value);
}

ScopedEnvironmentVariable::~ScopedEnvironmentVariable()
{
    set(m_previous);
}

void ScopedEnvironmentVariable::set(const std::optional<QByteArray>& value)
{
    if (value)
        qputenv(m_name.constData(), *value);
    else
        qunsetenv(m_name.constData());
}

} // namespace tirvelo::test
