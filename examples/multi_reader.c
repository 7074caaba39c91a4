/*
 * multi_reader: inventory several readers at once, one thread per reader.
 *
 *   multi_reader URI...
 *
 * Opens each reader by its URI (serial:///dev/ttyUSB0?address=1, tcp://192.168.1.200:4001,
 * usb:, ...), runs an EPC inventory on all of them in parallel, each on its own handle and
 * thread, and prints every tag as "N EPC" (N the reader's position in the arguments, from 1),
 * then one line per reader on stderr: "N: URI: T tag(s)" or the failure's result name. Exits
 * with 1 when any reader failed.
 *
 * Build: cc -pthread multi_reader.c $(pkg-config --cflags --libs kestrel)
 */
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>

#include <kestrel/reader.h>

#define MAX_READERS 64

struct job {
    int number;
    const char* uri;
    int32_t result;
    size_t tags;
};

/* Tag lines of different readers must not interleave mid-line. */
static pthread_mutex_t output = PTHREAD_MUTEX_INITIALIZER;

static int print_tag(void* context, const kestrel_tag* tag) {
    const struct job* job = (const struct job*)context;
    unsigned i;
    pthread_mutex_lock(&output);
    printf("%d ", job->number);
    for (i = 0; i < tag->id_length; ++i) printf("%02X", tag->id[i]);
    printf("\n");
    pthread_mutex_unlock(&output);
    return 0;
}

static void* run(void* argument) {
    struct job* job = (struct job*)argument;
    kestrel_reader* reader = NULL;
    job->result = kestrel_open(job->uri, &reader);
    if (job->result != KESTREL_OK) return NULL;
    /* The reader chip on, then the whole tag list, 32 records a block. */
    job->result = kestrel_Set_R2000_ON_OFF(reader, 1);
    if (job->result == KESTREL_OK)
        job->result = kestrel_inventory(reader, KESTREL_STANDARD_EPC, 32, print_tag, job, &job->tags);
    kestrel_close(reader);
    return NULL;
}

int main(int argc, char** argv) {
    struct job jobs[MAX_READERS];
    pthread_t threads[MAX_READERS];
    int n = argc - 1, i, status = 0;
    if (n < 1 || n > MAX_READERS) {
        fprintf(stderr, "usage: multi_reader URI... (1 to %d readers)\n", MAX_READERS);
        return 2;
    }
    for (i = 0; i < n; ++i) {
        jobs[i].number = i + 1;
        jobs[i].uri = argv[i + 1];
        jobs[i].result = -1;
        jobs[i].tags = 0;
        if (pthread_create(&threads[i], NULL, run, &jobs[i]) != 0) {
            fprintf(stderr, "multi_reader: cannot start a thread\n");
            return 1;
        }
    }
    for (i = 0; i < n; ++i) pthread_join(threads[i], NULL);
    for (i = 0; i < n; ++i) {
        if (jobs[i].result == KESTREL_OK) {
            fprintf(stderr, "%d: %s: %lu tag(s)\n", jobs[i].number, jobs[i].uri, (unsigned long)jobs[i].tags);
        } else {
            fprintf(stderr, "%d: %s: %s (%d)\n", jobs[i].number, jobs[i].uri, kestrel_result_string(jobs[i].result),
                    (int)jobs[i].result);
            status = 1;
        }
    }
    return status;
}
