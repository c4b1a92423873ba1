#include "ui/ScanHighlight.h"

#include "modes/Captions.h"
#include "speech/CueVoice.h"
#include "ui/Accessibility.h"
#include "ui/NavigationButton.h"

namespace tirvelo {

ScanHighlight::ScanHighlight(NavigationButton* previous, NavigationButton* next, QObject* cueOwner)
    : m_previous(previous), m_next(next), m_cueOwner(cueOwner)
{
}

void ScanHighlight::clear()
{
    m_previous->setHighlighted(false);
    m_next->setHighlighted(false);
}

void ScanHighlight::show(int position, bool spoken, InterfaceLanguage language)
{
    clear();
    NavigationButton* const button = position == 0 ? m_previous : position == 1 ? m_next : nullptr;
    if (!button)
        return;
    button->setHighlighted(true);
    if (spoken)
        cueVoice().say(spokenCaption(button->text()), QString::fromLatin1(languageFacts(language).code));
}

std::optional<PageCommand> ScanHighlight::highlighted() const
{
    if (m_previous->isHighlighted())
        return PageCommand::Previous;
    if (m_next->isHighlighted())
        return PageCommand::Next;
    return std::nullopt;
}

std::optional<PageCommand> ScanHighlight::selectTarget(bool scanning) const
{
    if (const std::optional<PageCommand> command = highlighted())
        return command;
    if (!scanning)
        return PageCommand::Next;
    return std::nullopt;
}

PageCommand ScanHighlight::pageClickTarget(bool clickPressesHighlight) const
{
    const std::optional<PageCommand> command = highlighted();
    return clickPressesHighlight && command ? *command : PageCommand::Next;
}

bool ScanHighlight::cueHeard() const
{
    return m_cue && m_cue->guardActive();
}

CueVoice& ScanHighlight::cueVoice()
{
    if (!m_cue)
        m_cue = new CueVoice(m_cueOwner);
    return *m_cue;
}

} // namespace tirvelo
