#include "textfield/engine_load.h"

#include <algorithm>
#include <cstddef>
#include <memory>
#include <stdexcept>

// The engine's loader interface, which its installed headers do not declare: the
// document it builds takes appended text and is then handed over whole; its Release is
// the document's own. Outside an unnamed namespace on purpose: with no implementation in
// sight there, the compiler may take every call to it for a call of a pure function.
class EngineLoader {
public:
    virtual int Release() = 0;
    virtual int AddData(const char* data, std::ptrdiff_t length) = 0;
    virtual void* ConvertToDocument() = 0;

protected:
    ~EngineLoader() = default;
};

namespace engineload {

namespace {

// Small enough that a stop is seen soon after it is asked for.
constexpr std::size_t kChunkBytes = std::size_t(1) << 20;

}  // namespace

LoadedDocument::~LoadedDocument() {
    if (loader_) static_cast<EngineLoader*>(loader_)->Release();
}

bool LoadedDocument::fill(const std::string& text, const offthread::Stop& stop) {
    auto* engine = static_cast<EngineLoader*>(loader_);
    for (std::size_t pos = 0; pos < text.size(); pos += kChunkBytes) {
        if (stop) return false;
        const std::size_t length = std::min(kChunkBytes, text.size() - pos);
        if (engine->AddData(text.data() + pos, std::ptrdiff_t(length)) != 0)
            throw std::runtime_error("out of memory while loading the text");
    }
    if (stop) return false;
    document_ = engine->ConvertToDocument();
    return true;
}

void* LoadedDocument::take() {
    loader_ = nullptr;
    return document_;
}

offthread::Latest<LoadedDocument>::Produce fill(void* loader, std::function<std::string()> produce,
                                                std::function<void(const std::string&)> alsoWith) {
    // Held from here, so the loader is freed on every path, a throw included.
    auto held = std::make_shared<LoadedDocument>(loader);
    return [held, produce = std::move(produce),
            alsoWith = std::move(alsoWith)](const offthread::Stop& stop) {
        if (stop) return std::shared_ptr<LoadedDocument>();
        // The text dies before the hand-over, so at most one copy outlives the fill.
        const std::string text = produce();
        if (alsoWith && !stop) alsoWith(text);
        if (!held->fill(text, stop)) return std::shared_ptr<LoadedDocument>();
        return held;
    };
}

}  // namespace engineload
