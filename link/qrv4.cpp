#include <cstdio>

int main()
{
    std::puts("QRV-4: the main window is not built yet.");
    return 0;
}
