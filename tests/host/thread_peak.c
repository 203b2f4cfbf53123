/* Loaded before a command (LD_PRELOAD), counts the threads it starts that are running at
 * once and writes the highest count to the file named by TARVELLE_THREAD_PEAK_FILE when
 * the process ends. The main thread is not counted. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <pthread.h>
#include <stdatomic.h>
#include <stdio.h>
#include <stdlib.h>

typedef int (*create_fn)(pthread_t*, const pthread_attr_t*, void* (*)(void*), void*);

static atomic_int live;
static atomic_int peak;

struct start {
    void* (*routine)(void*);
    void* arg;
};

static void ended(void* unused) {
    (void)unused;
    atomic_fetch_sub(&live, 1);
}

static void* counted(void* p) {
    struct start s = *(struct start*)p;
    free(p);
    void* result;
    pthread_cleanup_push(ended, NULL);
    result = s.routine(s.arg);
    pthread_cleanup_pop(1);
    return result;
}

int pthread_create(pthread_t* thread, const pthread_attr_t* attr, void* (*routine)(void*), void* arg) {
    static create_fn real;
    if (!real) real = (create_fn)dlsym(RTLD_NEXT, "pthread_create");
    struct start* s = malloc(sizeof *s);
    if (!s) return 11; /* EAGAIN */
    s->routine = routine;
    s->arg = arg;
    int now = atomic_fetch_add(&live, 1) + 1;
    int seen = atomic_load(&peak);
    while (now > seen && !atomic_compare_exchange_weak(&peak, &seen, now)) {
    }
    int rc = real(thread, attr, counted, s);
    if (rc != 0) {
        atomic_fetch_sub(&live, 1);
        free(s);
    }
    return rc;
}

__attribute__((destructor)) static void report(void) {
    const char* path = getenv("TARVELLE_THREAD_PEAK_FILE");
    if (!path) return;
    FILE* out = fopen(path, "w");
    if (!out) return;
    fprintf(out, "%d\n", atomic_load(&peak));
    fclose(out);
}
