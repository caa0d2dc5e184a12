#pragma once
// Line speeds termios has no code for (14400, 56000, 128000, 256000 ...), set through the
// kernel's termios2 interface. Kept apart because its header clashes with <termios.h>.

namespace win
{

// Sets both directions of the open terminal Fd to Baud; false when the driver refuses.
bool SetCustomSpeed(int Fd, unsigned Baud);

} // namespace win
