#include <cstdio>

int main()
{
    std::puts("Vidfolio: the window is not built yet; try vidfolio-probe to list a user's videos.");
    return 0;
}
