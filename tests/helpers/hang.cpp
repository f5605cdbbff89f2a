// hang: prints "hang <pid>\n" on stdout, then sleeps until killed. The line
// tells a test that the program runs (and which pid it has).
#include <unistd.h>

#include <cstdio>

int main() {
    std::printf("hang %d\n", static_cast<int>(getpid()));
    std::fflush(stdout);
    for (;;) pause();
}
