#include "sendrun/send_batch.h"

#include <sys/stat.h>

#include "sendrun/batch_text.h"
#include "store/atomic_file.h"
#include "store/project_store.h"
#include "store/store_error.h"
#include "store/text_file.h"

namespace sendrun {

std::optional<std::string> writeSendBatch(const store::ProjectStore& store,
                                          const std::string& project) {
    const std::optional<std::string> line = batchLine(store.appPath(), project);
    if (!line) return std::nullopt;
    const std::string bat = store.batPath(project);
    const std::string launcher = store.launcherPath(project);
    const std::string script = launcherScript(store.appPath(), store::projectFolderName(project));

    try {
        store::textfile::createFolderChain(store.batFolder());
    } catch (const store::StoreError&) {
        // Not reported here: the write below fails and names the file.
    }
    store::textfile::writeAll(bat, *line);
    store::textfile::writeAll(launcher, script);
    // Kept private and runnable even when an older launcher had other bits.
    if (::chmod(launcher.c_str(), 0700) != 0) {
        throw store::StoreError(store::StoreError::Kind::CannotCreate, launcher);
    }
    return bat;
}

}  // namespace sendrun
