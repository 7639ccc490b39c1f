#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// One iconv descriptor, for every conversion below the window. Not shared between threads:
// a descriptor carries state from one call to the next.
namespace text {

class IconvConverter {
public:
    IconvConverter(const char* to, const char* from);
    ~IconvConverter();
    IconvConverter(const IconvConverter&) = delete;
    IconvConverter& operator=(const IconvConverter&) = delete;

    // False when iconv does not know the pair; every run then fails.
    bool ok() const;

    // Appends `in`, converted, to `out`. Stops at the first byte sequence it cannot take
    // and leaves `consumed` there; true when the whole input was converted. Each run starts
    // from the initial state, so a failed run leaves nothing behind for the next.
    bool run(std::string_view in, std::string& out, std::size_t& consumed);

private:
    void* cd_;
};

}  // namespace text
