#pragma once
// The real main window in a temporary folder of its own: settings, books and
// the current directory all live there. The speech engine is the one the test
// names (a recording stand-in, the real engine, or none); messages go to a
// recording sink.
#include "support/BookWriter.h"
#include "support/ProgramEnvironment.h"
#include "support/RecordingSoundPlayer.h"
#include "support/RecordingSpeechEngine.h"
#include "support/TestServices.h"
#include "ui/FormPrincipal.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <optional>

namespace tirvelo::test {

class MainWindowFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // The engine the window gets, loaded before the window is made. Without
    // one, the library that enginePath() names is loaded as the program loads
    // it; an empty path: no engine at all.
    virtual std::unique_ptr<SpeechEngine> makeEngine() const { return nullptr; }
    virtual QString enginePath() const { return {}; }
    // Makes the window (runs its creation) and shows it.
    void createWindow();

    QString path(const QString& relative) const { return m_dir.filePath(relative); }
    // Writes a book into the temporary folder and returns its path.
    QString writeBook(const QString& name, int pageCount, const QByteArray& directory, const QList<QByteArray>& pages);

    // Loads a book from the pop-up menu, as a user would; the dialog is
    // answered with book once and cancelled after that.
    void loadFromMenu(const QString& book);

    // Scanning ("&Actiu") on or off, as its command leaves it.
    void setScanning(bool on)
    {
        if (window->modes().scanning() != on)
            window->modes().toggleScanning();
    }
    // The voice the item chooses.
    Voice voiceOf(const QAction* item) const { return item == window->PopupMenu1->PopupDona ? Voice::Female : Voice::Male; }

    // Page sounds from now on go to a recording double instead of the sound server.
    RecordingSoundPlayer& useSoundDouble()
    {
        auto player = std::make_unique<RecordingSoundPlayer>();
        RecordingSoundPlayer& double_ = *player;
        services->sound.use(std::move(player));
        return double_;
    }

    SpeechEngine& engine() { return *services->speech; }
    // The engine when makeEngine() made a recording one.
    RecordingSpeechEngine& recordingEngine() { return dynamic_cast<RecordingSpeechEngine&>(engine()); }

    QTemporaryDir m_dir;
    std::optional<ProgramEnvironment> m_environment;
    std::unique_ptr<TestServices> services;
    RecordingMessageSink* boxes = nullptr;
    std::unique_ptr<TFormPrincipal> window;
};

} // namespace tirvelo::test
