/*
 * vector.h - the general container: a singly linked list of element pointers.
 *
 * Conventions
 * - A Vector is a value record (embed it, or get one from CreateVector) with a
 *   head, a tail and a count. Callers read the nodes: take ElementAt(v, 0)
 *   and follow next, reading element. Links are changed only through these
 *   calls.
 * - With a comparison function (given to InitVector) the vector keeps its
 *   elements in ascending order and refuses an element equal to one it holds.
 *   Without one, AddElement appends in constant time.
 * - Ownership: a node belongs to the vector once linked in, and the calls
 *   that remove nodes free them with free(); nodes handed in are allocated by
 *   the caller with malloc. Elements always belong to the caller, except the
 *   copies CloneVector makes. FreeVector frees nodes, never elements, never the
 *   Vector record.
 * - Results are 1 (true) and 0 (false); MergeVector also returns 99 when
 *   memory runs out. An absent vector or node is refused with an ERROR record.
 * - Threads: AddElement, InsertElementAt, ElementAt, DeleteElement,
 *   DeleteElementAt, DeleteLCDVector and FreeVector each hold LockObject(v)
 *   for their whole run, so single calls on one vector from several threads
 *   keep it consistent. A node returned by ElementAt may be freed by another
 *   thread's delete; GetNthElement takes no lock; CloneVector and MergeVector
 *   read the source under its lock but are not atomic as a whole. The
 *   comparison function runs under the lock and must not call these
 *   functions on the same vector.
 */
#ifndef FW_UTIL_VECTOR_H
#define FW_UTIL_VECTOR_H

#include <stdint.h>

#include "platform/c_api.h"

FW_BEGIN_DECLS

#define VECTOR_NO_MEMORY 99

typedef struct VectorNode {
    void *element;
    struct VectorNode *next;
} VectorNode;

/* Compares the node being added with a node of the vector: negative when the
 * new one sorts before, 0 when equal, positive when after. */
typedef int8_t (*VectorCompareFunction)(const VectorNode *added, const VectorNode *present);

typedef struct Vector {
    VectorNode *head;
    int32_t count;
    VectorNode *tail;
    VectorCompareFunction compare;
} Vector;

/* Empties the record and copies *compare into it (NULL, or *compare NULL:
 * unsorted). Takes no lock; nodes already linked are not freed. 0 for an
 * absent vector. */
FW_API int InitVector(Vector *vector, const VectorCompareFunction *compare);

/* A new empty unsorted Vector from calloc, or NULL after the ERROR record
 * "MEMORY_ALLOCATION_FAILURE\n". The caller frees it with free() after
 * FreeVector. */
FW_API Vector *CreateVector(void);

/* Links node (element set, next ignored) into the vector: 1; 0 when a sorted
 * vector already holds an equal element (the node stays the caller's). */
FW_API int AddElement(Vector *vector, VectorNode *node);

/* Adds element through a new node: 1; 0 when the node cannot be allocated or
 * the element is refused (the node is then freed). */
FW_API int AddElementValue(Vector *vector, void *element);

/* Links node in at position index (0 to count), ignoring the order of a
 * sorted vector: 1; 0 for an index outside that range (the node stays the
 * caller's). */
FW_API int InsertElementAt(Vector *vector, VectorNode *node, int index);

/* The node at index, or NULL for an index outside 0 to count - 1. Walks from
 * the head. */
FW_API VectorNode *ElementAt(Vector *vector, int index);

/* The node n steps after start, or NULL when n is negative or not below the
 * count, the vector is empty, start is NULL or the walk runs off the end.
 * Takes no lock: the caller holds the vector still. */
FW_API VectorNode *GetNthElement(Vector *vector, int n, VectorNode *start);

/* Unlinks and frees node if it is in the vector. 1 whenever the vector is not
 * empty, found or not; 0 for an empty vector. */
FW_API int DeleteElement(Vector *vector, VectorNode *node);

/* Unlinks and frees the node at index: 1; 0 for an index outside 0 to
 * count - 1. */
FW_API int DeleteElementAt(Vector *vector, int index);

/* Deletes the first node whose element is element: 1; 0 when there is none.
 * Finding and deleting are one locked step. */
FW_API int DeleteLCDVector(Vector *vector, void *element);

/* Frees every node; the vector is empty, keeps its comparison function and
 * can be used again. */
FW_API void FreeVector(Vector *vector);

/* Adds every element of source, in order, to destination through new nodes
 * and AddElement (a sorted destination keeps its order and refuses equal
 * elements), then empties source with FreeVector. 1; 99 when a node cannot
 * be allocated (what was added stays added, source is untouched); 0 for an
 * absent vector or when both are the same vector. */
FW_API int MergeVector(Vector *destination, Vector *source);

/* A new unsorted vector holding new copies of the source's elements read as
 * NUL-terminated texts, in order. NULL for an absent source (ERROR record
 * "Cannot clone vector.  Vector is NULL.\n") or when memory runs out (nothing
 * of the clone is left allocated). The caller frees the copies, FreeVector,
 * then free() on the vector. */
FW_API Vector *CloneVector(Vector *source);

FW_END_DECLS

#endif /* FW_UTIL_VECTOR_H */
