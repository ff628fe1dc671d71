// A module whose constructor runs the moment it is loaded: it writes the file that
// PACKGATE_HOSTILE_MARK names. A pack that carries it must be refused before any load.
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

__attribute__((constructor)) static void MarkThatItRan() {
    const char* mark = getenv("PACKGATE_HOSTILE_MARK");
    if (mark == nullptr) return;
    const int fd = open(mark, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) {
        const char text[] = "the pack's code ran\n";
        (void)!write(fd, text, sizeof text - 1);
        close(fd);
    }
}
