// Loads the shipped library by path and runs a short USB session through its exports:
// connect to the reader at address 1 on port 32, probe it again, close, then probe the
// closed link. Prints the results on one line, and whether a libusb double is in place.
#include <dlfcn.h>

#include <cstdint>
#include <cstdio>

namespace {

using LinkComFn = std::int32_t (*)(std::int32_t, std::int32_t, std::int32_t);
using UnLinkComFn = std::int32_t (*)();
using LinkReaderFn = std::int32_t (*)(std::int32_t);

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s path/to/libkestrel.so\n", argv[0]);
        return 2;
    }
    void* lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (lib == nullptr) {
        std::fprintf(stderr, "%s\n", dlerror());
        return 2;
    }
    auto link_com = reinterpret_cast<LinkComFn>(dlsym(lib, "LinkCom"));
    auto unlink_com = reinterpret_cast<UnLinkComFn>(dlsym(lib, "UnLinkCom"));
    auto link_reader = reinterpret_cast<LinkReaderFn>(dlsym(lib, "Link_Reader"));
    if (link_com == nullptr || unlink_com == nullptr || link_reader == nullptr) {
        std::fprintf(stderr, "exports missing\n");
        return 2;
    }
    const bool double_present = dlsym(RTLD_DEFAULT, "kestrel_usb_double_call_count") != nullptr;
    const int linked = link_com(1, 32, 0);
    const int probed = link_reader(1);
    const int unlinked = unlink_com();
    const int after_close = link_reader(1);
    std::printf("double=%d LinkCom=%d Link_Reader=%d UnLinkCom=%d closed=%d\n", double_present ? 1 : 0, linked,
                probed, unlinked, after_close);
    return 0;
}
