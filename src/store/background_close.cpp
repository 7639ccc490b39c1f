#include "store/background_close.h"

#include <unistd.h>

#include <system_error>
#include <thread>

namespace store::textfile::detail {

void closeInBackground(int fd) {
    if (fd < 0) return;
    try {
        std::thread([fd] { ::close(fd); }).detach();
    } catch (const std::system_error&) {
        ::close(fd);
    }
}

}  // namespace store::textfile::detail
