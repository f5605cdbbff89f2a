// print_args ARG...: writes each argument framed as "[ARG]\n" on stdout, so a
// test compares the exact arguments a child received (an empty one is "[]").
#include <cstdio>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) std::printf("[%s]\n", argv[i]);
    return 0;
}
