#pragma once
// A wait that keeps the user interface alive.
namespace tirvelo {

// Handles window events until the given number of milliseconds has passed.
// Negative or zero returns at once.
void Delay(int milliseconds);

} // namespace tirvelo
