#include <cstdio>

int main()
{
    std::puts("veralith-cli: no commands yet");
    return 0;
}
