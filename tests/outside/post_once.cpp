// Helper program: one exchange with the shipped libsetupnet, in the feedback log's order.
// Usage: setupnet_post_once URL TIME_LIMIT_SECONDS. Prints "sent 1" or "sent 0" when the
// send has returned.
#include <cstdio>
#include <string>

#include <cipherkit/utf8_convert.h>

#include "setupnet_exchange.h"

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s URL TIME_LIMIT_SECONDS\n", argv[0]);
        return 2;
    }
    const auto exchange =
        packgate_test::RunExchange(ConvertToWstring(argv[1]), L"00FF", std::stoi(argv[2]));
    std::printf("sent %d\n", exchange.sent ? 1 : 0);
    return exchange.bodySet ? 0 : 1;
}
