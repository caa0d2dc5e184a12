#include "platform/win/CommSpeed.h"

#include <asm/ioctls.h>
#include <asm/termbits.h>

extern "C" int ioctl(int Fd, unsigned long Request, ...);

namespace win
{

bool SetCustomSpeed(int Fd, unsigned Baud)
{
    termios2 tio{};
    if (ioctl(Fd, TCGETS2, &tio) != 0) return false;
    tio.c_cflag = (tio.c_cflag & ~CBAUD) | BOTHER;
    tio.c_cflag = (tio.c_cflag & ~(CBAUD << IBSHIFT)) | (BOTHER << IBSHIFT);
    tio.c_ispeed = Baud;
    tio.c_ospeed = Baud;
    return ioctl(Fd, TCSETS2, &tio) == 0;
}

} // namespace win
