// store_list_gen <file> <lines> <groups>: writes a list.txt for the store benchmark.
#include <cstdio>
#include <exception>
#include <string>

#include "list_generator.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <file> <lines> <groups>\n", argv[0]);
        return 2;
    }
    try {
        benchstore::writeRecipientList(argv[1], std::stoul(argv[2]), std::stoi(argv[3]));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
