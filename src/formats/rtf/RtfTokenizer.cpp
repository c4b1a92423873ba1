#include "formats/rtf/RtfTokenizer.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace tirvelo::rtf {
namespace {

bool isLetter(int c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool isDigit(int c) { return c >= '0' && c <= '9'; }

int hexValue(int c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

Tokenizer::Tokenizer(QByteArrayView bytes)
    : m_data(bytes.data())
    , m_size(static_cast<std::size_t>(bytes.size()))
{
}

Token Tokenizer::next()
{
    Token token;
    while (m_pos < m_size) {
        const char c = m_data[m_pos];
        if (c == '\r' || c == '\n') { // line ends in RTF source are not text
            ++m_pos;
            continue;
        }
        if (c == '{') {
            ++m_pos;
            token.kind = Token::Kind::GroupStart;
            return token;
        }
        if (c == '}') {
            ++m_pos;
            token.kind = Token::Kind::GroupEnd;
            return token;
        }
        if (c == '\\') {
            ++m_pos;
            const int d = peek();
            if (d < 0)
                break; // a lone backslash at the end means nothing
            if (isLetter(d))
                return controlWord();
            ++m_pos;
            if (d == '\'') {
                int value = 0;
                int digits = 0;
                while (digits < 2 && hexValue(peek()) >= 0) {
                    value = value * 16 + hexValue(peek());
                    ++m_pos;
                    ++digits;
                }
                if (digits == 0) {
                    token.kind = Token::Kind::ControlSymbol;
                    token.symbol = '\'';
                    return token;
                }
                token.kind = Token::Kind::HexByte;
                token.byte = static_cast<unsigned char>(value);
                return token;
            }
            token.kind = Token::Kind::ControlSymbol;
            token.symbol = (d == '\r') ? '\n' : static_cast<char>(d);
            return token;
        }
        const std::size_t start = m_pos;
        while (m_pos < m_size) {
            const char t = m_data[m_pos];
            if (t == '{' || t == '}' || t == '\\' || t == '\r' || t == '\n')
                break;
            ++m_pos;
        }
        token.kind = Token::Kind::Text;
        token.text = std::string_view(m_data + start, m_pos - start);
        return token;
    }
    return token; // End
}

Token Tokenizer::controlWord()
{
    Token token;
    token.kind = Token::Kind::ControlWord;
    const std::size_t start = m_pos;
    while (isLetter(peek()))
        ++m_pos;
    const std::size_t length = m_pos - start;
    if (length <= kMaxWordLength)
        token.text = std::string_view(m_data + start, length);

    bool negative = false;
    if (peek() == '-' && m_pos + 1 < m_size && isDigit(static_cast<unsigned char>(m_data[m_pos + 1]))) {
        negative = true;
        ++m_pos;
    }
    if (isDigit(peek())) {
        // Saturate instead of overflowing: any further digits still belong to the word.
        std::int64_t value = 0;
        while (isDigit(peek())) {
            value = std::min<std::int64_t>(value * 10 + (peek() - '0'), INT_MAX);
            ++m_pos;
        }
        token.hasParameter = true;
        token.parameter = static_cast<int>(negative ? -value : value);
    }
    if (peek() == ' ')
        ++m_pos; // the delimiting space is part of the word

    if (token.text == "bin" && token.hasParameter) {
        const std::size_t remaining = m_size - m_pos;
        const std::size_t dataLength =
            token.parameter > 0 ? std::min<std::size_t>(static_cast<std::size_t>(token.parameter), remaining) : 0;
        Token data;
        data.kind = Token::Kind::Binary;
        data.text = std::string_view(m_data + m_pos, dataLength);
        m_pos += dataLength;
        return data;
    }
    return token;
}

} // namespace tirvelo::rtf
