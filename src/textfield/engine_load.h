#pragma once

#include <functional>
#include <string>

#include "shell/off_thread.h"

// A background load of an editor document: the text is produced and appended to the
// engine's loader on a worker, so the window's thread only swaps the finished document in.
namespace engineload {

// What the engine builds, until a field takes it; freed with the holder if none does.
class LoadedDocument {
public:
    // `loader` is what the engine's SCI_CREATELOADER returned; the holder owns it.
    explicit LoadedDocument(void* loader) : loader_(loader) {}
    ~LoadedDocument();
    LoadedDocument(const LoadedDocument&) = delete;
    LoadedDocument& operator=(const LoadedDocument&) = delete;

    // Appends `text` and makes the document of it; false when `stop` was seen first.
    bool fill(const std::string& text, const offthread::Stop& stop);
    // The document, with the one reference the taker must release.
    void* take();

private:
    void* loader_;
    void* document_ = nullptr;
};

// The job's work, which owns `loader` from now on. Its result is a LoadedDocument, or
// null when the job was stopped. A stop is seen before the fill and between its 1 MiB
// chunks, not while `produce` reads and converts. `alsoWith`, if given, is handed the
// whole text on the worker before the fill.
offthread::Latest<LoadedDocument>::Produce fill(
    void* loader, std::function<std::string()> produce,
    std::function<void(const std::string&)> alsoWith = {});

}  // namespace engineload
