// Reading a file in blocks gives the same lines as splitting it whole, also where a line,
// a CR LF pair or a NUL falls on a block boundary, and for a line longer than a block.
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "store/text_file.h"

using fuzzsupport::check;

namespace {

// The stream's first block; the fuzzed bytes are placed around its end.
constexpr std::size_t kBlock = 1 << 20;

std::string scratchFile() {
    static std::string path;
    if (path.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/line-stream-XXXXXX";
        check(::mkdtemp(&folder[0]) != nullptr, "cannot create a scratch folder");
        path = folder + "/list.txt";
        static const std::string dir = folder;
        std::atexit([] {
            ::unlink(path.c_str());
            ::rmdir(dir.c_str());
        });
    }
    return path;
}

// Long lines keep the number of lines, and so the time per input, small.
std::string filler(std::size_t size, bool withLineEnds) {
    std::string out(size, 'x');
    if (withLineEnds) {
        for (std::size_t i = 1022; i + 1 < size; i += 1024) {
            out[i] = '\r';
            out[i + 1] = '\n';
        }
    }
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider fdp(data, size);
    const int layout = fdp.ConsumeIntegralInRange(0, 2);
    const std::size_t before = fdp.ConsumeIntegralInRange<std::size_t>(0, 64);
    const std::string tail = fdp.ConsumeRemainingBytesAsString();

    std::string content;
    if (layout == 1) content = filler(kBlock - before, true);   // tail across the end
    if (layout == 2) content = filler(kBlock + before, false);  // one line over a block
    content += tail;

    const std::string path = scratchFile();
    std::FILE* f = std::fopen(path.c_str(), "wb");
    check(f != nullptr, "cannot write the scratch file");
    check(
        std::fwrite(content.data(), 1, content.size(), f) == content.size() && std::fclose(f) == 0,
        "cannot write the scratch file");

    // Every block holds whole lines: split one by one, they give the lines of the whole text.
    std::vector<std::string> streamed;
    store::textfile::LineBlocks blocks(path);
    std::string_view block;
    while (blocks.next(block)) {
        store::textfile::LineReader reader(block);
        std::string_view line;
        while (reader.next(line)) streamed.emplace_back(line);
    }

    const std::vector<std::string> whole = store::textfile::splitLines(content);
    check(streamed.size() == whole.size(), "block reading gives another number of lines");
    for (std::size_t i = 0; i < whole.size(); ++i) {
        fuzzsupport::checkEqual(whole[i], streamed[i], "block reading gives another line");
    }
    return 0;
}
