#pragma once
// The interface languages; modes/Captions.h holds what goes with each.

namespace tirvelo {

enum class InterfaceLanguage { Catalan, Spanish, Portuguese };

// One of three things, by language: the caption tables pick their table so.
template <typename T>
const T& forLanguage(InterfaceLanguage language, const T& catalan, const T& spanish, const T& portuguese)
{
    switch (language) {
    case InterfaceLanguage::Spanish:
        return spanish;
    case InterfaceLanguage::Portuguese:
        return portuguese;
    case InterfaceLanguage::Catalan:
        break;
    }
    return catalan;
}

} // namespace tirvelo
