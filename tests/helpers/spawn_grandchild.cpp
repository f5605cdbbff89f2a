// spawn_grandchild hang|exit: starts the "hang" helper from its own folder as
// a grandchild of the test (same process group, same stdout), prints
// "child <pid> grandchild <pid>\n" on stdout, then hangs or exits with 0.
// With "exit" the grandchild keeps the output pipe open after its parent is gone.
#include <sys/types.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv) {
    if (argc != 2 || (std::strcmp(argv[1], "hang") != 0 && std::strcmp(argv[1], "exit") != 0)) {
        std::fprintf(stderr, "usage: spawn_grandchild hang|exit\n");
        return 2;
    }
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return 3;
    self[n] = '\0';
    std::string hang(self);
    hang = hang.substr(0, hang.rfind('/') + 1) + "hang";

    const pid_t grandchild = fork();
    if (grandchild < 0) return 4;
    if (grandchild == 0) {
        execl(hang.c_str(), "hang", static_cast<char*>(nullptr));
        _exit(127);
    }
    std::printf("child %d grandchild %d\n", static_cast<int>(getpid()), static_cast<int>(grandchild));
    std::fflush(stdout);
    if (std::strcmp(argv[1], "exit") == 0) return 0;
    for (;;) pause();
}
