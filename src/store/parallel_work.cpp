#include "store/parallel_work.h"

#include <exception>
#include <system_error>
#include <thread>

namespace store::parallel {

bool severalCores() {
    return std::thread::hardware_concurrency() > 1;
}

void alongside(const std::function<void()>& side, const std::function<void()>& main) {
    std::exception_ptr sideFailure;
    const auto runSide = [&] {
        try {
            side();
        } catch (...) {
            sideFailure = std::current_exception();
        }
    };
    std::thread worker;
    try {
        worker = std::thread(runSide);
    } catch (const std::system_error&) {
        main();
        runSide();
        if (sideFailure) std::rethrow_exception(sideFailure);
        return;
    }
    try {
        main();
    } catch (...) {
        worker.join();
        throw;
    }
    worker.join();
    if (sideFailure) std::rethrow_exception(sideFailure);
}

void detached(std::function<void()> work) {
    try {
        std::thread(work).detach();
    } catch (const std::system_error&) {
        work();
    }
}

}  // namespace store::parallel
