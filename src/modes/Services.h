#pragma once
// The services the windows and the modes use, made once at start-up and handed
// to each of them. The bundle only refers to them: whoever builds it owns them
// and keeps them alive longer than the windows.
namespace tirvelo {

class Clock;
class MessageSink;
class Settings;
class SoundPlayer;
class SpeechEngine;
class WavMax;

struct Services {
    SpeechEngine& speech;
    SoundPlayer& sound;
    // Sound capture for the trigger and the level dialog; it holds the factory
    // of the capture devices it opens.
    WavMax& capture;
    MessageSink& messages;
    Clock& clock;
    Settings& settings;
};

} // namespace tirvelo
