#include "util/vector.h"

#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>

#include "agent/address_lock.h"
#include "agent/log.h"
#include "util/string_util.h"

#define FW_TRACE_ENTRY(name) LogTrace("\n\t@@@@@ Inside " name "() @@@@@ \n")

namespace {

class VectorLock {
  public:
    explicit VectorLock(const Vector *vector) : vector_(vector) { LockObject(vector_); }
    ~VectorLock() { UnlockObject(vector_); }
    VectorLock(const VectorLock &) = delete;
    VectorLock &operator=(const VectorLock &) = delete;

  private:
    const Vector *vector_;
};

bool Refuse(const char *operation, const void *vector, const void *node = "") {
    if (vector != nullptr && node != nullptr) {
        return false;
    }
    LogError("%s : %s is NULL\n", operation, vector == nullptr ? "vector" : "node");
    return true;
}

void LinkFirst(Vector *vector, VectorNode *node) {
    node->next = vector->head;
    vector->head = node;
    if (node->next == nullptr) {
        vector->tail = node;
    }
}

void LinkAfter(Vector *vector, VectorNode *previous, VectorNode *node) {
    node->next = previous->next;
    previous->next = node;
    if (node->next == nullptr) {
        vector->tail = node;
    }
}

void Unlink(Vector *vector, VectorNode *previous, VectorNode *node) {
    (previous == nullptr ? vector->head : previous->next) = node->next;
    if (node->next == nullptr) {
        vector->tail = previous;
    }
    vector->count--;
    free(node);
}

// The sorted insertion: a binary search over positions that walks the list
// for each probe. The tail is kept right on every path, so a later append by
// position links after the real last node.
int AddSorted(Vector *vector, VectorNode *node) {
    VectorCompareFunction compare = vector->compare;
    int low = 0;
    VectorNode *lowNode = vector->head;
    int high = vector->count;
    VectorNode *highNode = nullptr;
    while (high - low != 1) {
        int mid = low + (high - low + 1) / 2;
        VectorNode *midNode = GetNthElement(vector, mid - low, lowNode);
        if (midNode == nullptr) {
            break;  // a count that disagrees with the links: stop probing
        }
        int r = compare(node, midNode);
        if (r == 0) {
            return 0;
        }
        if (r > 0) {
            low = mid;
            lowNode = midNode;
        } else {
            high = mid;
            highNode = midNode;
        }
    }
    int r = compare(node, lowNode);
    if (r == 0) {
        return 0;
    }
    if (r < 0) {
        LinkFirst(vector, node);
    } else {
        VectorNode *following = highNode != nullptr ? highNode : lowNode->next;
        if (following == nullptr || compare(node, following) < 0) {
            LinkAfter(vector, lowNode, node);
        } else {
            LinkAfter(vector, following, node);
        }
    }
    vector->count++;
    return 1;
}

// The elements of a vector, read under its lock, so that copying them into
// another vector never holds two vector locks at once.
bool SnapshotElements(Vector *vector, std::vector<void *> &elements) {
    VectorLock lock(vector);
    try {
        elements.reserve(static_cast<size_t>(vector->count));
        for (VectorNode *node = vector->head; node != nullptr; node = node->next) {
            elements.push_back(node->element);
        }
    } catch (const std::bad_alloc &) {
        return false;
    }
    return true;
}

void ReleaseClone(Vector *clone) {
    for (VectorNode *node = clone->head; node != nullptr; node = node->next) {
        free(node->element);
    }
    FreeVector(clone);
    free(clone);
}

}  // namespace

int InitVector(Vector *vector, const VectorCompareFunction *compare) {
    FW_TRACE_ENTRY("InitVector");
    if (Refuse("InitVector", vector)) {
        return 0;
    }
    vector->head = nullptr;
    vector->tail = nullptr;
    vector->count = 0;
    vector->compare = compare != nullptr ? *compare : nullptr;
    return 1;
}

Vector *CreateVector(void) {
    auto *vector = static_cast<Vector *>(calloc(1, sizeof(Vector)));
    if (vector == nullptr) {
        LogError("MEMORY_ALLOCATION_FAILURE\n");
    }
    return vector;
}

int AddElement(Vector *vector, VectorNode *node) {
    FW_TRACE_ENTRY("AddElement");
    if (Refuse("AddElement", vector, node)) {
        return 0;
    }
    VectorLock lock(vector);
    node->next = nullptr;
    if (vector->head == nullptr) {
        vector->head = vector->tail = node;
        vector->count = 1;
        return 1;
    }
    if (vector->compare != nullptr) {
        return AddSorted(vector, node);
    }
    vector->tail->next = node;
    vector->tail = node;
    vector->count++;
    return 1;
}

int AddElementValue(Vector *vector, void *element) {
    if (Refuse("AddElementValue", vector)) {
        return 0;
    }
    auto *node = static_cast<VectorNode *>(calloc(1, sizeof(VectorNode)));
    if (node == nullptr) {
        return 0;
    }
    node->element = element;
    if (AddElement(vector, node) == 0) {
        free(node);
        return 0;
    }
    return 1;
}

int InsertElementAt(Vector *vector, VectorNode *node, int index) {
    FW_TRACE_ENTRY("InsertElementAt");
    if (Refuse("InsertElementAt", vector, node)) {
        return 0;
    }
    VectorLock lock(vector);
    if (index < 0 || index > vector->count) {
        return 0;
    }
    node->next = nullptr;
    if (index == 0) {
        LinkFirst(vector, node);
    } else if (index == vector->count) {
        LinkAfter(vector, vector->tail, node);
    } else {
        VectorNode *previous = vector->head;
        for (int i = 1; i < index; ++i) {
            previous = previous->next;
        }
        LinkAfter(vector, previous, node);
    }
    vector->count++;
    return 1;
}

VectorNode *ElementAt(Vector *vector, int index) {
    FW_TRACE_ENTRY("ElementAt");
    if (Refuse("ElementAt", vector)) {
        return nullptr;
    }
    VectorLock lock(vector);
    if (index < 0 || index >= vector->count) {
        return nullptr;
    }
    VectorNode *node = vector->head;
    for (int i = 0; i < index && node != nullptr; ++i) {
        node = node->next;
    }
    return node;
}

VectorNode *GetNthElement(Vector *vector, int n, VectorNode *start) {
    FW_TRACE_ENTRY("GetNthElement");
    if (vector == nullptr || n < 0 || n >= vector->count || vector->count == 0) {
        return nullptr;
    }
    VectorNode *node = start;
    for (int i = 0; i < n && node != nullptr; ++i) {
        node = node->next;
    }
    return node;
}

int DeleteElement(Vector *vector, VectorNode *node) {
    FW_TRACE_ENTRY("DeleteElement");
    if (Refuse("DeleteElement", vector)) {
        return 0;
    }
    VectorLock lock(vector);
    if (vector->head == nullptr) {
        return 0;
    }
    VectorNode *previous = nullptr;
    for (VectorNode *current = vector->head; current != nullptr; current = current->next) {
        if (current == node) {
            Unlink(vector, previous, current);
            break;
        }
        previous = current;
    }
    return 1;
}

int DeleteElementAt(Vector *vector, int index) {
    FW_TRACE_ENTRY("DeleteElementAt");
    if (Refuse("DeleteElementAt", vector)) {
        return 0;
    }
    VectorLock lock(vector);
    if (index < 0 || index >= vector->count || vector->head == nullptr) {
        return 0;
    }
    VectorNode *previous = nullptr;
    VectorNode *node = vector->head;
    for (int i = 0; i < index && node->next != nullptr; ++i) {
        previous = node;
        node = node->next;
    }
    Unlink(vector, previous, node);
    return 1;
}

int DeleteLCDVector(Vector *vector, void *element) {
    FW_TRACE_ENTRY("DeleteLCDVector");
    if (Refuse("DeleteLCDVector", vector)) {
        return 0;
    }
    VectorLock lock(vector);
    VectorNode *previous = nullptr;
    for (VectorNode *node = vector->head; node != nullptr; node = node->next) {
        if (node->element == element) {
            FW_TRACE_ENTRY("DeleteElementAt");
            Unlink(vector, previous, node);
            return 1;
        }
        previous = node;
    }
    return 0;
}

void FreeVector(Vector *vector) {
    FW_TRACE_ENTRY("FreeVector");
    if (Refuse("FreeVector", vector)) {
        return;
    }
    VectorLock lock(vector);
    VectorNode *node = vector->head;
    while (node != nullptr) {
        VectorNode *next = node->next;
        free(node);
        node = next;
    }
    vector->head = vector->tail = nullptr;
    vector->count = 0;
}

int MergeVector(Vector *destination, Vector *source) {
    FW_TRACE_ENTRY("MergeVector");
    if (Refuse("MergeVector", destination) || Refuse("MergeVector", source)) {
        return 0;
    }
    if (destination == source) {
        // Appending a list to itself while walking it would never end.
        LogError("MergeVector : source and destination are the same vector\n");
        return 0;
    }
    std::vector<void *> elements;
    if (!SnapshotElements(source, elements)) {
        return VECTOR_NO_MEMORY;
    }
    for (void *element : elements) {
        auto *node = static_cast<VectorNode *>(calloc(1, sizeof(VectorNode)));
        if (node == nullptr) {
            return VECTOR_NO_MEMORY;
        }
        node->element = element;
        if (AddElement(destination, node) == 0) {
            free(node);
        }
    }
    FreeVector(source);
    return 1;
}

Vector *CloneVector(Vector *source) {
    LogTrace("@@@@ Inside CloneVector @@@@\n");
    if (source == nullptr) {
        LogError("Cannot clone vector.  Vector is NULL.\n");
        return nullptr;
    }
    Vector *clone = CreateVector();
    if (clone == nullptr) {
        LogError("MEMORY_ALLOCATION_FAILURE\n");
        return nullptr;
    }
    std::vector<void *> elements;
    if (!SnapshotElements(source, elements)) {
        free(clone);
        return nullptr;
    }
    for (void *element : elements) {
        char *copy = nullptr;
        if (element != nullptr) {
            const char *text = static_cast<const char *>(element);
            if (AllocateAndSetNString(&copy, text, static_cast<int>(strlen(text))) !=
                STRING_COPY_OK) {
                ReleaseClone(clone);
                return nullptr;
            }
        }
        if (AddElementValue(clone, copy) == 0) {
            free(copy);
            ReleaseClone(clone);
            return nullptr;
        }
    }
    return clone;
}
