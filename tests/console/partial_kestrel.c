/* A stand-in for the kestrel library that has the link exports only: the console tests load it
   to see how a missing export is handled. */
#include <stdint.h>

__attribute__((visibility("default"))) int32_t LinkCom(int32_t address, int32_t port, int32_t rate) {
    (void)address;
    (void)port;
    (void)rate;
    return 0;
}

__attribute__((visibility("default"))) int32_t UnLinkCom(void) { return 0; }
