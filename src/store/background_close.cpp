#include "store/background_close.h"

#include <unistd.h>

#include "store/parallel_work.h"

namespace store::textfile::detail {

void closeInBackground(int fd) {
    if (fd < 0) return;
    store::parallel::detached([fd] { ::close(fd); });
}

}  // namespace store::textfile::detail
