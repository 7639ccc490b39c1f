#pragma once

#include <atomic>
#include <exception>
#include <functional>
#include <list>
#include <memory>
#include <string>
#include <thread>

// Fills an editor document on worker threads, from text produced there, so the GUI
// thread only swaps the finished document in. A load can be cancelled at any time; it
// then frees what it built and delivers nothing.
class FieldLoader {
public:
    using Produce = std::function<std::string()>;
    // Called on the worker with the finished document, or with the error `produce` threw
    // (document null). Not called for a cancelled load.
    using Deliver = std::function<void(void* document, std::exception_ptr error)>;

    FieldLoader() = default;
    FieldLoader(const FieldLoader&) = delete;
    FieldLoader& operator=(const FieldLoader&) = delete;
    // Cancels what still runs and waits for it.
    ~FieldLoader();

    // `loader` is what the engine's SCI_CREATELOADER returned; the worker owns it now.
    void start(void* loader, Produce produce, Deliver deliver);
    // Every running load gives up at its next step.
    void cancelAll();

private:
    struct Job {
        std::thread thread;
        std::shared_ptr<std::atomic<bool>> cancelled;
        std::shared_ptr<std::atomic<bool>> finished;
    };
    void joinFinished();

    std::list<Job> jobs_;
};
