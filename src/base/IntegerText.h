#pragma once
// The two ways the program turns text into a 32-bit integer.
#include <QString>
#include <QStringView>
#include <cstdint>
#include <optional>

namespace tirvelo {

// Strict conversion (a book's page count): leading spaces, an optional sign,
// decimal digits and nothing after them; or, without a sign, "$" and hex
// digits in either case. A value outside the 32-bit signed range, an empty
// text or one of blanks only is not a number.
std::optional<int32_t> parseStrictInteger(QStringView text);

// Lenient conversion (the reading speed): leading spaces, a sign, "$" for hex;
// stops at the first character that does not fit and keeps what it gathered.
// An empty text gives 0. Digits beyond the 32-bit range wrap as the value
// would in a 32-bit register, so the result is always defined.
int32_t parseLeadingInteger(QStringView text);

} // namespace tirvelo
