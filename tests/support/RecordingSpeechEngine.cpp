#include "support/RecordingSpeechEngine.h"

namespace tirvelo::test {

bool RecordingSpeechEngine::load()
{
    release();
    ++m_loads;
    m_loaded = installed;
    return m_loaded;
}

void RecordingSpeechEngine::release()
{
    m_loaded = false;
    m_bound = false;
}

QByteArray RecordingSpeechEngine::escaped(const QByteArray& bytes)
{
    // The engine receives a C string: it ends at the first NUL.
    QByteArray out;
    for (const char c : QByteArray(bytes.constData())) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '\r': out += "\\r"; break;
        case '\n': out += "\\n"; break;
        default: out += c;
        }
    }
    return out;
}

bool RecordingSpeechEngine::record(const char* call, const QByteArray& argument)
{
    if (!m_bound || m_missing.contains(QLatin1String(call)))
        return false;
    QByteArray line(call);
    if (call != QByteArrayView("Stop"))
        line += ' ' + argument;
    m_lines << line;
    if (onCall)
        onCall(line);
    return true;
}

} // namespace tirvelo::test
