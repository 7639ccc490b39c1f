#include "settings/field_loader.h"

#include <cstddef>
#include <stdexcept>

// The engine's loader interface, which its installed headers do not declare: the
// document it builds takes appended text and is then handed over whole. Outside an
// unnamed namespace on purpose: with no implementation in sight there, the compiler
// may take every call to it for a call of a pure function.
class EngineLoader {
public:
    virtual int Release() = 0;
    virtual int AddData(const char* data, std::ptrdiff_t length) = 0;
    virtual void* ConvertToDocument() = 0;

protected:
    ~EngineLoader() = default;
};

namespace {

// Small enough that a cancel is seen within a few milliseconds.
constexpr std::size_t kChunkBytes = std::size_t(1) << 20;

void* fill(EngineLoader* loader, const std::string& text, const std::atomic<bool>& cancelled) {
    for (std::size_t pos = 0; pos < text.size(); pos += kChunkBytes) {
        if (cancelled) return nullptr;
        const std::size_t length = std::min(kChunkBytes, text.size() - pos);
        if (loader->AddData(text.data() + pos, std::ptrdiff_t(length)) != 0)
            throw std::runtime_error("out of memory while loading the text");
    }
    return cancelled ? nullptr : loader->ConvertToDocument();
}

}  // namespace

FieldLoader::~FieldLoader() {
    cancelAll();
    for (Job& job : jobs_) job.thread.join();
}

void FieldLoader::cancelAll() {
    for (Job& job : jobs_) *job.cancelled = true;
}

void FieldLoader::joinFinished() {
    for (auto it = jobs_.begin(); it != jobs_.end();) {
        if (*it->finished) {
            it->thread.join();
            it = jobs_.erase(it);
        } else {
            ++it;
        }
    }
}

void FieldLoader::start(void* loader, Produce produce, Deliver deliver) {
    joinFinished();
    auto cancelled = std::make_shared<std::atomic<bool>>(false);
    auto finished = std::make_shared<std::atomic<bool>>(false);
    auto* engine = static_cast<EngineLoader*>(loader);
    std::thread thread(
        [engine, produce = std::move(produce), deliver = std::move(deliver), cancelled, finished] {
            void* document = nullptr;
            std::exception_ptr error;
            try {
                // The text dies before the hand-over, so at most one copy outlives the fill.
                document = fill(engine, produce(), *cancelled);
            } catch (...) {
                error = std::current_exception();
            }
            if (!document) engine->Release();
            if (document || (error && !*cancelled)) deliver(document, error);
            *finished = true;
        });
    jobs_.push_back({std::move(thread), cancelled, finished});
}
