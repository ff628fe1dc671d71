// Preloaded into a helper process: a name lookup that never returns, as with a name server
// that never answers. It says on standard output that a lookup began, so a test knows the
// lookup really was the stuck one.
#include <netdb.h>
#include <unistd.h>

extern "C" __attribute__((visibility("default"))) int getaddrinfo(const char*, const char*,
                                                                  const addrinfo*, addrinfo**) {
    static const char kStarted[] = "lookup started\n";
    (void)!write(STDOUT_FILENO, kStarted, sizeof kStarted - 1);
    for (;;) pause();
}
