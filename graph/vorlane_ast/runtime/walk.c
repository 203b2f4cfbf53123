/* The tree-sitter runtime, built as one translation unit on the allocator of alloc.h,
 * with the syntax-tree builder's pre-order walk beside it: the walk steps through each
 * node's children with the runtime's own child iterator (the one behind ts_node_child),
 * which costs a few loads per child, where the tree cursor re-derives its position on
 * every sibling step. */
#include "graph/vorlane_ast/runtime/alloc.h"

#define ts_malloc vorlane_ts_malloc
#define ts_calloc vorlane_ts_calloc
#define ts_realloc vorlane_ts_realloc
#define ts_free vorlane_ts_free

#include "lib.c"

#include "graph/vorlane_ast/runtime/walk.h"

typedef struct {
  NodeChildIterator children;
  TSNode parent; /* the shown node that the children yielded from this frame belong to */
} WalkFrame;

struct VorlaneTreeWalk {
  Array(WalkFrame) stack;
  TSNode first; /* the start node, until it has been yielded */
  bool yield_first;
  bool children_only;
  bool pushed_last; /* the node last yielded has its frame on top of the stack */
};

/* Whether ts_node_child shows the node (as its own child) rather than splicing in its
 * children. */
static inline bool walk__shown(TSNode node) {
  return ts_subtree_visible(ts_node__subtree(node)) || ts_node__alias(&node);
}

/* Whether any shown node lies below. */
static inline bool walk__has_shown_children(TSNode node) {
  Subtree tree = ts_node__subtree(node);
  return ts_subtree_child_count(tree) > 0 && tree.ptr->visible_child_count > 0;
}

static inline void walk__push(VorlaneTreeWalk *self, TSNode node, TSNode parent) {
  WalkFrame frame = {ts_node_iterate_children(&node), parent};
  array_push(&self->stack, frame);
}

VorlaneTreeWalk *vorlane_tree_walk_new(TSNode node, bool children_only) {
  VorlaneTreeWalk *self = ts_malloc(sizeof(VorlaneTreeWalk));
  array_init(&self->stack);
  self->first = node;
  self->children_only = children_only;
  self->yield_first = !children_only;
  self->pushed_last = false;
  if (children_only && !ts_node_is_null(node) && walk__has_shown_children(node)) walk__push(self, node, node);
  return self;
}

bool vorlane_tree_walk_next(VorlaneTreeWalk *self, TSNode *node, TSNode *parent) {
  if (self->yield_first) {
    self->yield_first = false;
    if (ts_node_is_null(self->first)) return false;
    *node = self->first;
    *parent = ts_node__null();
    self->pushed_last = walk__has_shown_children(self->first);
    if (self->pushed_last) walk__push(self, self->first, self->first);
    return true;
  }
  while (self->stack.size > 0) {
    WalkFrame *top = &self->stack.contents[self->stack.size - 1];
    TSNode child;
    if (!ts_node_child_iterator_next(&top->children, &child)) {
      self->stack.size--;
      continue;
    }
    const TSNode owner = top->parent;
    if (walk__shown(child)) {
      self->pushed_last = !self->children_only && walk__has_shown_children(child);
      if (self->pushed_last) walk__push(self, child, child);
      *node = child;
      *parent = owner;
      return true;
    }
    /* A hidden node: its shown descendants take its place among its parent's children. */
    if (walk__has_shown_children(child)) walk__push(self, child, owner);
  }
  return false;
}

void vorlane_tree_walk_skip_children(VorlaneTreeWalk *self) {
  if (self->pushed_last) self->stack.size--;
  self->pushed_last = false;
}

void vorlane_tree_walk_delete(VorlaneTreeWalk *self) {
  if (!self) return;
  array_delete(&self->stack);
  ts_free(self);
}
