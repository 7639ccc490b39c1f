#include <chrono>
#include <new>
#include <thread>
#include <utility>

#include "store/atomic_file.h"
#include "store/comFunc.h"
#include "store/ini_document.h"
#include "store/store_error.h"
#include "store/text_file.h"

namespace store {
namespace {

void sleepBetweenAttempts() {
    std::this_thread::sleep_for(std::chrono::milliseconds(kIniRetryMillis));
}

std::function<void()>& failureReporter() {
    static std::function<void()> reporter;
    return reporter;
}

std::function<void()>& retryWait() {
    static std::function<void()> wait = sleepBetweenAttempts;
    return wait;
}

void reportFailure() {
    if (failureReporter()) failureReporter()();
}

// Runs the attempt up to kIniAttempts times, pausing in between; an attempt fails by
// throwing. False after the last failure, which is reported once.
template <typename Attempt>
bool withRetries(Attempt attempt) {
    for (int failed = 0;;) {
        try {
            attempt();
            return true;
        } catch (...) {
            // Every failure counts the same: open, read, write or memory.
        }
        if (++failed == kIniAttempts) {
            reportFailure();
            return false;
        }
        if (retryWait()) retryWait()();
    }
}

}  // namespace

void setIniFailureReporter(std::function<void()> reporter) {
    failureReporter() = std::move(reporter);
}

void setIniRetryWait(std::function<void()> wait) {
    retryWait() = std::move(wait);
}

void resetIniRetryWait() {
    retryWait() = sleepBetweenAttempts;
}

}  // namespace store

int fncIniWrite(const std::string& fileName, const std::string& section, const std::string& key,
                const std::string& value) {
    bool ok = store::withRetries([&] {
        // The document is read under the writer's lock, so that no other write can come
        // between the read and the rename. An absent file is an empty document; its folder
        // must exist for the write.
        store::textfile::AtomicWriter out(fileName);
        store::IniDocument doc;
        if (out.oldFile() >= 0) {
            doc = store::IniDocument::parse(store::textfile::readAll(fileName, out.oldFile()));
        }
        doc.setValue(section, key, value);
        out.append(doc.serialize());
        out.commit();
    });
    return ok ? 0 : -1;
}

std::string fncIniRead(const std::string& fileName, const std::string& section,
                       const std::string& key) {
    std::string result;
    store::withRetries([&] {
        result.clear();
        if (!store::textfile::fileExists(fileName)) return;
        auto doc = store::IniDocument::parse(store::textfile::readAll(fileName));
        result = doc.value(section, key).value_or(std::string());
    });
    return result;
}
