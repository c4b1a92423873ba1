#pragma once
// Splits RTF bytes into groups, control words, control symbols, hex escapes and
// text runs. It never fails: every byte sequence gives a finite token stream
// ending in End, parameters are clamped to int, and \binN data is skipped here
// (clamped to the bytes that remain) so that binary bytes are never taken for
// braces or backslashes.
#include <QByteArrayView>

#include <cstddef>
#include <string_view>

namespace tirvelo::rtf {

struct Token {
    enum class Kind {
        GroupStart,    // {
        GroupEnd,      // }
        ControlWord,   // \letters[-]digits, name in text
        ControlSymbol, // \ and one other character, in symbol; \CR and \LF give '\n'
        HexByte,       // \'hh, value in byte
        Text,          // a run of ordinary bytes, in text
        Binary,        // the data of \binN, in text
        End,
    };
    Kind kind = Kind::End;
    // ControlWord: the name (empty when it is longer than any RTF word); Text/Binary: the bytes.
    std::string_view text;
    bool hasParameter = false;
    int parameter = 0;
    char symbol = 0;
    unsigned char byte = 0;
};

class Tokenizer {
public:
    // Control words are at most 32 letters long; longer ones are read whole but left nameless.
    static constexpr std::size_t kMaxWordLength = 32;

    explicit Tokenizer(QByteArrayView bytes);
    Token next();
    bool atEnd() const { return m_pos >= m_size; }

private:
    Token controlWord();
    int peek() const { return m_pos < m_size ? static_cast<unsigned char>(m_data[m_pos]) : -1; }

    const char* m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
};

} // namespace tirvelo::rtf
