#ifndef VORLANE_AST_RUNTIME_ALLOC_H_
#define VORLANE_AST_RUNTIME_ALLOC_H_
/* The allocator the tree-sitter runtime is built with. A parse makes and drops a few
 * hundred thousand small blocks per megabyte of source; each thread keeps the blocks it
 * frees in lists by size (up to a few megabytes in all) and hands them out again, so
 * most allocations cost a few instructions and no lock. Larger blocks and the overflow go
 * to the C library. A block may be freed on any thread. Whatever the runtime hands to a
 * caller to free (none of the operations this project uses) must go back through
 * vorlane_ts_free, not free(). */
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

void *vorlane_ts_malloc(size_t size);
void *vorlane_ts_calloc(size_t count, size_t size);
void *vorlane_ts_realloc(void *block, size_t size);
void vorlane_ts_free(void *block);
/* Gives the calling thread's kept blocks back to the C library. */
void vorlane_ts_release_thread_cache(void);

#ifdef __cplusplus
}
#endif

#endif
