#include <cstdio>
#include <iostream>
#include <string>

#include "support/LocalHttpServer.h"

// Prints the origin's port, then serves until standard input closes.
int main() {
    mw::test::LocalHttpServer server;
    server.SetUp();
    std::printf("%d\n", server.Port());
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line)) {
    }
    server.TearDown();
    return 0;
}
