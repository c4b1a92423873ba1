#pragma once
// The scan's highlight on the two page buttons: shows the cycle's position,
// says which button it is on and what a switch then presses, and speaks the
// caption of each button it reaches when the spoken highlight is chosen.
#include "book/PagePresenter.h"
#include "desktop/InterfaceLanguage.h"

#include <optional>

class QObject;

namespace tirvelo {

class CueVoice;
class NavigationButton;

class ScanHighlight {
public:
    ScanHighlight() = default;
    // The cue voice, made on first use, belongs to cueOwner.
    ScanHighlight(NavigationButton* previous, NavigationButton* next, QObject* cueOwner);

    void clear();
    // Position 0 highlights the previous button, 1 the next one, any other none.
    void show(int position, bool spoken, InterfaceLanguage language);
    std::optional<PageCommand> highlighted() const;

    // A select key: the highlighted button whenever one is (the step key shows
    // one with scanning off too); with none and scanning off, the next page.
    std::optional<PageCommand> selectTarget(bool scanning) const;
    // A click on the page: the next page, or, where the pointer cannot rest on
    // the highlight, the highlighted button while scanning.
    PageCommand pageClickTarget(bool clickPressesHighlight) const;

    // Made on first use, which looks for its program once.
    CueVoice& cueVoice();
    CueVoice* cueIfMade() const { return m_cue; }
    // The cue is being heard, or has just been: the sound switch must not take it for the user.
    bool cueHeard() const;

private:
    NavigationButton* m_previous = nullptr;
    NavigationButton* m_next = nullptr;
    QObject* m_cueOwner = nullptr;
    CueVoice* m_cue = nullptr;
};

} // namespace tirvelo
