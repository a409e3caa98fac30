/*
 * xml_tag_tree.h - the tag tree the data dictionary loader builds for one
 * table element, and the walks that build and convert it.
 *
 * A node has its element's name, the attributes the loader reads (name,
 * system, reference-table-name, isbidirectional, in this order, absent ones
 * skipped) and its text content; child goes down, next goes right. Every text
 * and array of a node is owned by the node; FreeXmlTagInfoList frees a node
 * with its subtree and its sibling chain.
 *
 * The module keeps one current tree: ParseTableTag leaves the tree of the
 * table it read there, LoadTableDefnFromTagTree converts it, and
 * FreeCurrentXmlTagTree releases it. Loading runs on one thread.
 */
#ifndef FW_DATALAYER_DICTIONARY_XML_TAG_TREE_H
#define FW_DATALAYER_DICTIONARY_XML_TAG_TREE_H

#include <libxml/xmlreader.h>
#include <stdint.h>

#include "platform/c_api.h"

FW_BEGIN_DECLS

typedef struct XmlTagInfo {
    char *tagName;
    char **attrNames;
    char **attrValues;
    int32_t attrCount;
    char **values; /* one text, or for the aggregated "value" node one per value */
    int32_t valueCount;
    struct XmlTagInfo *child;
    struct XmlTagInfo *next;
} XmlTagInfo;

/* A new zeroed node, or NULL when memory runs out. */
FW_API XmlTagInfo *CreateandInitXmlTagInfo(void);

/* Frees node, its child subtree and its next chain. NULL is ignored. */
FW_API void FreeXmlTagInfoList(XmlTagInfo *node);

/* Fills node's attribute arrays from the reader's current element: 1, or 99
 * when the arrays cannot be allocated. Logs "\n Not all Attributes were
 * read\n" when the element has attributes the loader does not read. */
FW_API int AllocateAndStrcpyAttrib(xmlTextReaderPtr reader, XmlTagInfo *node);

/* Builds the tree of the table element the reader stands on and leaves it as
 * the current tree (replacing and freeing an earlier one). 1 on success; 0
 * after the loader's ERROR records (the partial tree is still the current
 * one, to be freed). */
FW_API int ParseTableTag(xmlTextReaderPtr reader);

/* Builds the column nodes below columns, reading up to the columns end tag. */
FW_API void ParseColumnsTag(XmlTagInfo *columns, xmlTextReaderPtr reader);

/* Converts the current tree into a TableDefn and registers it: 1; 0 when
 * there is no tree, the table has no columns or no name, a range lacks its
 * upper bound, or memory runs out (nothing is registered then). The tree
 * stays the current one. */
FW_API int LoadTableDefnFromTagTree(void);

/* The current tree (owned by the module), or NULL. */
FW_API XmlTagInfo *GetCurrentXmlTagTree(void);

/* Frees the current tree and leaves the slot empty. */
FW_API void FreeCurrentXmlTagTree(void);

FW_END_DECLS

#endif /* FW_DATALAYER_DICTIONARY_XML_TAG_TREE_H */
