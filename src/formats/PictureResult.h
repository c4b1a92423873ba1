#pragma once
// What a picture decoder returns: the picture, or why the file was refused.
#include "formats/Picture.h"

#include <optional>
#include <utility>
#include <variant>

namespace tirvelo {

enum class PictureRefusal {
    Missing,            // nothing by that name
    Unreadable,         // not a regular file, or it cannot be opened or read
    FileTooLarge,       // the file is over the size a picture may have
    UnknownType,        // the name's extension (or the type asked for) is not one this decoder reads
    NotThisFormat,      // the bytes are not a file of that format (an empty file included)
    Truncated,          // the file ends before its picture data does
    Corrupt,            // the data is damaged: the decoder stopped at an error or a warning
    UnsupportedVariant, // a variant of the format we do not decode (12-bit JPEG, two-component colour, ...)
    Empty,              // the picture has no extent: a zero width or height, nothing to size it by
    TooManyPixels,      // its width × height is over the limit
    TooMuchMemory,      // decoding it would need more working memory than allowed, or memory ran out
};

// A decoded picture, or the reason there is none. Callers that only need the
// picture may take it as a std::optional<Picture>.
class PictureResult {
public:
    PictureResult(Picture picture) : m_value(std::move(picture)) {}
    PictureResult(PictureRefusal refusal) : m_value(refusal) {}

    bool has_value() const { return std::holds_alternative<Picture>(m_value); }
    explicit operator bool() const { return has_value(); }
    // The picture; only when has_value().
    const Picture& operator*() const& { return std::get<Picture>(m_value); }
    Picture& operator*() & { return std::get<Picture>(m_value); }
    const Picture* operator->() const { return &std::get<Picture>(m_value); }
    Picture* operator->() { return &std::get<Picture>(m_value); }
    // Why there is no picture; nullopt when there is one.
    std::optional<PictureRefusal> refusal() const
    {
        if (const auto* refusal = std::get_if<PictureRefusal>(&m_value))
            return *refusal;
        return std::nullopt;
    }

    operator std::optional<Picture>() const&
    {
        return has_value() ? std::optional<Picture>(**this) : std::nullopt;
    }
    operator std::optional<Picture>() &&
    {
        return has_value() ? std::optional<Picture>(std::move(std::get<Picture>(m_value))) : std::nullopt;
    }

private:
    std::variant<Picture, PictureRefusal> m_value;
};

} // namespace tirvelo
