/*
 * inventory: list the EPC tags in the reader's field.
 *
 *   inventory [port [address [records]]]
 *
 * Links to the reader (port index 0..9 = COM1..COM10, 32 = USB; default 0 at 115200 baud;
 * on Linux KESTREL_COM1 names COM1's device), switches the reader chip on, runs an EPC
 * inventory and pages through the reader's tag list, `records` tags a block (default 10),
 * printing each tag's EPC as hex, one a line. Unlinks at the end. A failure is printed
 * with the name of its result, and the program exits with 1.
 *
 * Build: cc inventory.c $(pkg-config --cflags --libs kestrel)
 */
#include <stdio.h>
#include <stdlib.h>

#include <kestrel.h>

/* The largest reply the library hands over; a tag list block never exceeds it. */
#define REPLY_MAX 2048

/* Tag list read modes. */
#define FROM_START 0
#define CONTINUE 2

static int failed(const char* what, int32_t result) {
    if (result == KESTREL_OK) return 0;
    fprintf(stderr, "%s: %s (%d)\n", what, kestrel_result_name(result), (int)result);
    return 1;
}

static long argument(int argc, char** argv, int i, long fallback, long low, long high) {
    char* end;
    long value;
    if (argc <= i) return fallback;
    value = strtol(argv[i], &end, 0);
    if (*argv[i] == '\0' || *end != '\0' || value < low || value > high) {
        fprintf(stderr, "inventory: argument %d must be a number from %ld to %ld\n", i, low, high);
        exit(2);
    }
    return value;
}

/* Prints the records of one tag list block; returns how many, or -1 when the block's
 * records do not fit in its stated length. */
static int print_block(const uint8_t* block, size_t length, unsigned count) {
    size_t at = 5;
    unsigned i;
    for (i = 0; i < count; ++i) {
        size_t n, j;
        if (at >= length) return -1;
        n = block[at++];
        if (n > length - at) return -1;
        for (j = 0; j < n; ++j) printf("%02X", block[at + j]);
        printf("\n");
        at += n;
    }
    return (int)count;
}

int main(int argc, char** argv) {
    const int32_t port = (int32_t)argument(argc, argv, 1, 0, 0, 255);
    const int32_t address = (int32_t)argument(argc, argv, 2, 1, 0, 255);
    const int32_t records = (int32_t)argument(argc, argv, 3, 10, 1, 255);
    static uint8_t block[REPLY_MAX];
    int32_t mode = FROM_START;
    unsigned long shown = 0, held;
    int status = 1;

    if (failed("LinkCom", LinkCom(address, port, 115200))) return 1;
    if (failed("Set_R2000_ON_OFF", Set_R2000_ON_OFF(address, 1))) goto unlink;
    if (failed("EPC_Query_ON", EPC_Query_ON(address))) goto unlink;

    /* Block: length T (2 bytes, counting from its first byte), tags held (2), records in
     * this block (1), then each record as a length byte and that many EPC bytes. */
    for (;;) {
        size_t length;
        int printed;
        if (failed("EPC_Read_Tag_List", EPC_Read_Tag_List(address, mode, records, block))) goto unlink;
        length = (size_t)block[0] << 8 | block[1];
        if (length < 5 || length > sizeof block) {
            fprintf(stderr, "EPC_Read_Tag_List: a tag list block of %u bytes\n", (unsigned)length);
            goto unlink;
        }
        held = (unsigned long)block[2] << 8 | block[3];
        printed = print_block(block, length, block[4]);
        if (printed < 0) {
            fprintf(stderr, "EPC_Read_Tag_List: the records overrun the block\n");
            goto unlink;
        }
        shown += (unsigned long)printed;
        if (printed == 0 || shown >= held) break;
        mode = CONTINUE;
    }
    fprintf(stderr, "%lu tag(s)\n", shown);
    status = 0;

unlink:
    UnLinkCom();
    return status;
}
