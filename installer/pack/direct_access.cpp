#include "installer/pack/direct_access.h"

#include <fcntl.h>

namespace installer {

DirectBuffer NewDirectBuffer(std::size_t bytes) {
    return DirectBuffer(static_cast<char*>(std::aligned_alloc(kDirectBlock, bytes)));
}

bool LeaveDirectAccess(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && (flags & O_DIRECT) != 0 && fcntl(fd, F_SETFL, flags & ~O_DIRECT) == 0;
}

}  // namespace installer
