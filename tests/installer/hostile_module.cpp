// A module whose constructor runs the moment it is loaded: it writes the file that
// PACKGATE_HOSTILE_MARK names, else "packgate-hostile-mark" in its HOME (all of the
// environment the pane's helper passes on). A pack that carries it must be refused before
// any load.
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <unistd.h>

__attribute__((constructor)) static void MarkThatItRan() {
    const char* named = getenv("PACKGATE_HOSTILE_MARK");
    const char* home = getenv("HOME");
    if (named == nullptr && home == nullptr) return;
    char path[4096];
    const char* mark = named;
    if (mark == nullptr) {
        snprintf(path, sizeof path, "%s/packgate-hostile-mark", home);
        mark = path;
    }
    const int fd = open(mark, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) {
        const char text[] = "the pack's code ran\n";
        (void)!write(fd, text, sizeof text - 1);
        close(fd);
    }
}
