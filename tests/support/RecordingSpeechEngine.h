#pragma once
// A speech engine inside the test's own process: it records each call in the
// words of the stand-in library's log ("SetSpeed 140", "Read <text>",
// "ReadFile <name>", "Stop", "SetLanguage 99", "SetSpeaker 2"), text and names
// as the Windows-1252 bytes received with "\", CR and LF escaped as "\\", "\r"
// and "\n". The loading of a real library has tests of its own
// (speech_library_test, on the stand-in libraries).
#include "speech/SpeechEngine.h"

#include <QByteArray>
#include <QList>
#include <QStringList>
#include <functional>

namespace tirvelo::test {

class RecordingSpeechEngine : public SpeechEngine {
public:
    // missing: the entry points this engine lacks, by the names above.
    explicit RecordingSpeechEngine(QStringList missing = {}) : m_missing(std::move(missing)) {}

    // Whether load() finds the engine; a later load sees a change.
    bool installed = true;
    // Told of each call recorded, as it is made.
    std::function<void(const QByteArray& line)> onCall;

    bool load() override;
    void release() override;
    bool isAvailable() const override { return m_loaded; }
    void bindEntryPoints() override { m_bound = m_loaded; }

    bool setSpeed(int speed) override { return record("SetSpeed", QByteArray::number(speed)); }
    bool read(const QByteArray& cp1252Text) override { return record("Read", escaped(cp1252Text)); }
    bool readFile(const QByteArray& cp1252Name) override { return record("ReadFile", escaped(cp1252Name)); }
    bool stop() override { return record("Stop", {}); }
    bool setLanguage(int language) override { return record("SetLanguage", QByteArray::number(language)); }
    bool setSpeaker(int speaker) override { return record("SetSpeaker", QByteArray::number(speaker)); }

    // One entry per call made, in order.
    QList<QByteArray> lines() const { return m_lines; }
    void clear() { m_lines.clear(); }
    int loads() const { return m_loads; }

private:
    static QByteArray escaped(const QByteArray& bytes);
    // False without a call when the engine is not bound or lacks the entry point.
    bool record(const char* call, const QByteArray& argument);

    QStringList m_missing;
    bool m_loaded = false;
    bool m_bound = false;
    int m_loads = 0;
    QList<QByteArray> m_lines;
};

} // namespace tirvelo::test
