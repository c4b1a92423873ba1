#include "support/TestServices.h"

#include "audio/QtSoundPlayer.h"
#include "speech/SpeechLibrary.h"

namespace tirvelo::test {

SwappableSoundPlayer::SwappableSoundPlayer() = default;
SwappableSoundPlayer::~SwappableSoundPlayer() = default;

SoundPlayer& SwappableSoundPlayer::current() const
{
    if (!m_player)
        m_player = std::make_unique<QtSoundPlayer>();
    return *m_player;
}

TestServices::TestServices(std::unique_ptr<SpeechEngine> engine)
    : speech(engine ? std::move(engine) : std::make_unique<SpeechLibrary>()),
      capture([this] { return devices ? devices() : WavMax::createDefaultCaptureDevice(); })
{
}

FakeDeviceFactoryGuard::FakeDeviceFactoryGuard(TestServices& services, int openResult) : m_services(services)
{
    m_services.devices = fakeCaptureDevices(openResult);
}

FakeDeviceFactoryGuard::~FakeDeviceFactoryGuard()
{
    m_services.capture.CloseWaveInput();
    m_services.devices = {};
}

} // namespace tirvelo::test
