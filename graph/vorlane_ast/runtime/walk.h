#ifndef VORLANE_AST_RUNTIME_WALK_H_
#define VORLANE_AST_RUNTIME_WALK_H_
/* A pre-order walk over the nodes that the runtime's child operations show (named and
 * anonymous, hidden nodes spliced into their parents), driven from the runtime's own
 * child iteration rather than its tree cursor: constant work per tree node, one
 * allocation per walk for its stack, which holds one frame per level. */
#include <stdbool.h>
#include <tree_sitter/api.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct VorlaneTreeWalk VorlaneTreeWalk;

/* With `children_only` false the walk yields `node` itself (with a null parent) and then
 * every node below it, each before its children, children in document order, with its
 * nearest shown ancestor as the parent. With `children_only` true it yields the direct
 * children of `node` (what ts_node_child gives, in order) with `node` as their parent. */
VorlaneTreeWalk *vorlane_tree_walk_new(TSNode node, bool children_only);
/* The next node and its parent; false at the end. */
bool vorlane_tree_walk_next(VorlaneTreeWalk *walk, TSNode *node, TSNode *parent);
/* Leaves out the nodes below the node last yielded: the walk goes on with its next
 * sibling. */
void vorlane_tree_walk_skip_children(VorlaneTreeWalk *walk);
void vorlane_tree_walk_delete(VorlaneTreeWalk *walk);

#ifdef __cplusplus
}
#endif

#endif
