#include <cstdio>

int main() {
    std::fputs("vklocker: not built yet\n", stderr);
    return 2;
}
