// Building the tag tree of one table element with the streaming reader, and
// turning it into a registered TableDefn.
#include "datalayer/dictionary/xml_tag_tree.h"

#include <strings.h>

#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "agent/log.h"
#include "datalayer/dictionary/column_types.h"
#include "datalayer/dictionary/table_defn.h"
#include "datalayer/dictionary/table_registry.h"
#include "util/string_util.h"
#include "util/vector.h"

namespace {

XmlTagInfo *g_currentTree = nullptr;

// The attributes the loader reads, in the order they are stored.
constexpr const char *kReadAttributes[] = {"name", "system", "reference-table-name",
                                           "isbidirectional"};

// ---- the reader, seen as a cursor ------------------------------------------

enum class TextStatus { kOk, kMissingEnd, kReadError };

const char *Name(xmlTextReaderPtr reader) {
    const xmlChar *name = xmlTextReaderConstName(reader);
    return name != nullptr ? reinterpret_cast<const char *>(name) : "";
}

bool IsNamed(xmlTextReaderPtr reader, const char *name) {
    return strcasecmp(Name(reader), name) == 0;
}

bool IsStart(xmlTextReaderPtr reader, const char *name) {
    return xmlTextReaderNodeType(reader) == XML_READER_TYPE_ELEMENT && IsNamed(reader, name);
}

bool IsEnd(xmlTextReaderPtr reader, const char *name) {
    return xmlTextReaderNodeType(reader) == XML_READER_TYPE_END_ELEMENT && IsNamed(reader, name);
}

bool IsEmptyElement(xmlTextReaderPtr reader) {
    return xmlTextReaderIsEmptyElement(reader) == 1;
}

bool IsTextNode(int type) {
    return type == XML_READER_TYPE_TEXT || type == XML_READER_TYPE_CDATA ||
           type == XML_READER_TYPE_WHITESPACE || type == XML_READER_TYPE_SIGNIFICANT_WHITESPACE;
}

// Text, white space, comments and processing instructions between elements.
bool IsSkippable(xmlTextReaderPtr reader) {
    int type = xmlTextReaderNodeType(reader);
    return IsTextNode(type) || type == XML_READER_TYPE_COMMENT ||
           type == XML_READER_TYPE_PROCESSING_INSTRUCTION;
}

// Moves to the next node that is not skippable; false at the end of the
// document or on a reader error.
bool NextElementNode(xmlTextReaderPtr reader) {
    for (;;) {
        if (xmlTextReaderRead(reader) != 1) {
            return false;
        }
        if (!IsSkippable(reader)) {
            return true;
        }
    }
}

// Standing on the start tag of name, reads its text up to the end tag. An
// empty element has the empty text. kMissingEnd leaves the reader on the
// node found instead of the end tag.
TextStatus ReadText(xmlTextReaderPtr reader, const char *name, std::string &text) {
    text.clear();
    if (IsEmptyElement(reader)) {
        return TextStatus::kOk;
    }
    for (;;) {
        if (xmlTextReaderRead(reader) != 1) {
            return TextStatus::kReadError;
        }
        int type = xmlTextReaderNodeType(reader);
        if (IsTextNode(type)) {
            const xmlChar *value = xmlTextReaderConstValue(reader);
            if (value != nullptr) {
                text += reinterpret_cast<const char *>(value);
            }
        } else if (type != XML_READER_TYPE_COMMENT) {
            return IsEnd(reader, name) ? TextStatus::kOk : TextStatus::kMissingEnd;
        }
    }
}

// Moves on until the end tag of the element started at depth; false when the
// document ends first.
bool SkipToEndOf(xmlTextReaderPtr reader, int depth) {
    while (!(xmlTextReaderNodeType(reader) == XML_READER_TYPE_END_ELEMENT &&
             xmlTextReaderDepth(reader) == depth)) {
        if (xmlTextReaderRead(reader) != 1) {
            return false;
        }
    }
    return true;
}

// ---- nodes -------------------------------------------------------------------

// Allocation failures inside a walk unwind to ParseTableTag, which ends the
// table's walk; every node is linked into the tree before it is filled, so
// the tree's owner frees whatever was made.
template <class T>
T *Require(T *pointer) {
    if (pointer == nullptr) {
        throw std::bad_alloc();
    }
    return pointer;
}

XmlTagInfo *NewNode(const char *name) {
    XmlTagInfo *node = Require(CreateandInitXmlTagInfo());
    node->tagName = strdup(name);
    if (node->tagName == nullptr) {
        FreeXmlTagInfoList(node);
        throw std::bad_alloc();
    }
    return node;
}

void SetValues(XmlTagInfo *node, const char *const *texts, int count) {
    node->values =
        Require(static_cast<char **>(calloc(static_cast<size_t>(count), sizeof(char *))));
    for (int i = 0; i < count; ++i) {
        node->values[i] = Require(strdup(texts[i]));
        node->valueCount = i + 1;
    }
}

void AppendChild(XmlTagInfo *parent, XmlTagInfo *node) {
    XmlTagInfo **slot = &parent->child;
    while (*slot != nullptr) {
        slot = &(*slot)->next;
    }
    *slot = node;
}

// A text node for the element the reader has just read; the node is linked
// by link before its text is stored.
template <class Link>
XmlTagInfo *AddTextNode(const char *name, const std::string &text, Link link) {
    XmlTagInfo *node = NewNode(name);
    link(node);
    const char *value = text.c_str();
    SetValues(node, &value, 1);
    return node;
}

// ---- columns ---------------------------------------------------------------

enum class ColumnEnd { kColumn, kColumns, kEndColumn, kReadError };

struct ColumnBuilder {
    XmlTagInfo *column;
    XmlTagInfo *lastBuilt;  // the column itself until a child is built

    // Child elements follow the node built last. A description is made the
    // child of the node built last, so a description placed after other
    // elements hides itself and everything that follows it in the column.
    void Link(XmlTagInfo *node, bool isDescription) {
        if (lastBuilt == column) {
            column->child = node;
        } else if (isDescription) {
            AppendChild(lastBuilt, node);
        } else {
            lastBuilt->next = node;
        }
        lastBuilt = node;
    }

    void AddText(const char *name, const std::string &text, bool isDescription = false) {
        if (!text.empty()) {
            AddTextNode(name, text, [&](XmlTagInfo *node) { Link(node, isDescription); });
        }
    }
};

bool IsColumnTextElement(xmlTextReaderPtr reader) {
    for (const char *name :
         {"description", "data-type", "nullable", "max-size", "default-value", "unique"}) {
        if (IsStart(reader, name)) {
            return true;
        }
    }
    return false;
}

ColumnEnd ParseGeneratorName(xmlTextReaderPtr reader, ColumnBuilder &builder) {
    if (IsEmptyElement(reader)) {
        return ColumnEnd::kColumn;
    }
    int depth = xmlTextReaderDepth(reader);
    for (;;) {
        if (!NextElementNode(reader)) {
            return ColumnEnd::kReadError;
        }
        if (xmlTextReaderNodeType(reader) == XML_READER_TYPE_END_ELEMENT &&
            xmlTextReaderDepth(reader) == depth) {
            return ColumnEnd::kColumn;
        }
        if (IsStart(reader, "generator-name")) {
            std::string text;
            if (ReadText(reader, "generator-name", text) == TextStatus::kReadError) {
                return ColumnEnd::kReadError;
            }
            builder.AddText("generator-name", text);
        }
    }
}

// Consecutive value elements become one "value" node holding every text.
ColumnEnd CollectValues(xmlTextReaderPtr reader, ColumnBuilder &builder) {
    Vector *texts = CreateVector();
    if (texts == nullptr) {
        LogError("MEMORY_ALLOCATION_FAILURE\n");
        return ColumnEnd::kEndColumn;
    }
    ColumnEnd result = ColumnEnd::kColumn;
    try {
        while (IsStart(reader, "value")) {
            std::string text;
            TextStatus status = ReadText(reader, "value", text);
            if (status == TextStatus::kReadError) {
                result = ColumnEnd::kReadError;
                break;
            }
            if (!text.empty() && !AddElementValue(texts, Require(strdup(text.c_str())))) {
                throw std::bad_alloc();
            }
            if (status == TextStatus::kMissingEnd) {
                LogError("\n No ending Value tag\n");
                break;
            }
            if (!NextElementNode(reader)) {
                result = ColumnEnd::kReadError;
                break;
            }
        }
        if (texts->count > 0) {
            XmlTagInfo *node = NewNode("value");
            builder.Link(node, false);
            node->values = Require(
                static_cast<char **>(calloc(static_cast<size_t>(texts->count), sizeof(char *))));
            for (VectorNode *entry = texts->head; entry != nullptr; entry = entry->next) {
                node->values[node->valueCount++] = static_cast<char *>(entry->element);
                entry->element = nullptr;  // now the node's
            }
        }
    } catch (const std::bad_alloc &) {
        for (VectorNode *entry = texts->head; entry != nullptr; entry = entry->next) {
            free(entry->element);
        }
        FreeVector(texts);
        free(texts);
        throw;
    }
    for (VectorNode *entry = texts->head; entry != nullptr; entry = entry->next) {
        free(entry->element);
    }
    FreeVector(texts);
    free(texts);
    return result;
}

ColumnEnd ParseRange(xmlTextReaderPtr reader, ColumnBuilder &builder) {
    std::string text;
    TextStatus status = ReadText(reader, "from", text);
    if (status == TextStatus::kReadError) {
        return ColumnEnd::kReadError;
    }
    builder.AddText("from", text);
    if (status == TextStatus::kMissingEnd) {
        LogError("\nNo Ending FROM tag \n");
        return ColumnEnd::kEndColumn;
    }
    if (!NextElementNode(reader)) {
        return ColumnEnd::kReadError;
    }
    if (!IsStart(reader, "to")) {
        return ColumnEnd::kColumn;  // the conversion reports the missing bound
    }
    status = ReadText(reader, "to", text);
    if (status == TextStatus::kReadError) {
        return ColumnEnd::kReadError;
    }
    builder.AddText("to", text);
    if (status == TextStatus::kMissingEnd) {
        LogError("\nNo ending TO tag \n");
        return ColumnEnd::kEndColumn;
    }
    return ColumnEnd::kColumn;
}

ColumnEnd ParseAllowedValues(xmlTextReaderPtr reader, ColumnBuilder &builder) {
    if (IsEmptyElement(reader)) {
        return ColumnEnd::kColumn;
    }
    int depth = xmlTextReaderDepth(reader);
    if (!NextElementNode(reader)) {
        return ColumnEnd::kReadError;
    }
    ColumnEnd result = ColumnEnd::kColumn;
    if (IsStart(reader, "value")) {
        result = CollectValues(reader, builder);
    } else if (IsStart(reader, "from")) {
        result = ParseRange(reader, builder);
    }
    if (result != ColumnEnd::kColumn) {
        return result;
    }
    return SkipToEndOf(reader, depth) ? ColumnEnd::kColumn : ColumnEnd::kReadError;
}

// Reads one column's content up to its end tag.
ColumnEnd ParseColumn(xmlTextReaderPtr reader, XmlTagInfo *column) {
    ColumnBuilder builder{column, column};
    for (;;) {
        if (!NextElementNode(reader)) {
            return ColumnEnd::kReadError;
        }
        if (IsEnd(reader, "column")) {
            return ColumnEnd::kColumn;
        }
        if (IsEnd(reader, "columns")) {
            return ColumnEnd::kColumns;
        }
        ColumnEnd result = ColumnEnd::kColumn;
        if (IsColumnTextElement(reader)) {
            std::string name = Name(reader);
            std::string text;
            if (ReadText(reader, name.c_str(), text) == TextStatus::kReadError) {
                return ColumnEnd::kReadError;
            }
            builder.AddText(name.c_str(), text, strcasecmp(name.c_str(), "description") == 0);
        } else if (IsStart(reader, "uniquevalue-generation")) {
            result = ParseGeneratorName(reader, builder);
        } else if (IsStart(reader, "allowed-values")) {
            result = ParseAllowedValues(reader, builder);
        }
        if (result != ColumnEnd::kColumn) {
            return result;
        }
    }
}

// ---- keys ----------------------------------------------------------------------

enum class KeyEnd { kDone, kEndForeignKeys, kReadError };

KeyEnd ParsePrimaryKey(xmlTextReaderPtr reader, XmlTagInfo *primaryKey) {
    for (;;) {
        if (!NextElementNode(reader)) {
            return KeyEnd::kReadError;
        }
        if (!IsStart(reader, "primary-key-column")) {
            return KeyEnd::kDone;  // normally the primary-key end tag
        }
        std::string text;
        TextStatus status = ReadText(reader, "primary-key-column", text);
        if (status == TextStatus::kReadError) {
            return KeyEnd::kReadError;
        }
        if (!text.empty()) {
            AddTextNode("primary-key-column", text,
                        [&](XmlTagInfo *node) { AppendChild(primaryKey, node); });
        }
        if (status == TextStatus::kMissingEnd) {
            LogError("\nMissing primary-key-column end tag\n");
            return KeyEnd::kDone;
        }
    }
}

// One fk-column pair: fk-local-column, then fk-reference-column. false ends
// the pairs (after its message).
KeyEnd ParseColumnPair(xmlTextReaderPtr reader, XmlTagInfo *pair) {
    if (IsEmptyElement(reader)) {
        return KeyEnd::kDone;
    }
    for (;;) {
        if (!NextElementNode(reader)) {
            return KeyEnd::kReadError;
        }
        if (IsEnd(reader, "fk-column")) {
            return KeyEnd::kDone;
        }
        const char *name = IsStart(reader, "fk-local-column")       ? "fk-local-column"
                           : IsStart(reader, "fk-reference-column") ? "fk-reference-column"
                                                                    : nullptr;
        if (name == nullptr) {
            continue;
        }
        std::string text;
        TextStatus status = ReadText(reader, name, text);
        if (status == TextStatus::kReadError) {
            return KeyEnd::kReadError;
        }
        if (!text.empty()) {
            AddTextNode(name, text, [&](XmlTagInfo *node) { AppendChild(pair, node); });
        }
        if (status == TextStatus::kMissingEnd) {
            LogError(strcmp(name, "fk-local-column") == 0
                         ? "\n Missing endof FK-LOCAL-COLUMN tag\n"
                         : "\nMissing endof FK-REFERENCE-COLUMN\n");
            return KeyEnd::kEndForeignKeys;
        }
    }
}

KeyEnd ParseColumnPairs(xmlTextReaderPtr reader, XmlTagInfo *columns) {
    if (!IsEmptyElement(reader)) {
        for (;;) {
            if (!NextElementNode(reader)) {
                return KeyEnd::kReadError;
            }
            if (!IsStart(reader, "fk-column")) {
                break;
            }
            XmlTagInfo *pair = NewNode(Name(reader));
            AppendChild(columns, pair);
            KeyEnd result = ParseColumnPair(reader, pair);
            if (result == KeyEnd::kReadError) {
                return result;
            }
            if (result == KeyEnd::kEndForeignKeys) {
                break;  // the reader is not on the fk-columns end tag now
            }
        }
        // After the pairs the reader must stand on the fk-columns end tag.
        if (!IsEnd(reader, "fk-columns")) {
            LogError("\nMissing end FK-COLUMNS\n");
            return KeyEnd::kEndForeignKeys;
        }
    }
    return KeyEnd::kDone;
}

KeyEnd ParseForeignKey(xmlTextReaderPtr reader, XmlTagInfo *foreignKey) {
    if (IsEmptyElement(reader)) {
        return KeyEnd::kDone;
    }
    for (;;) {
        if (!NextElementNode(reader)) {
            return KeyEnd::kReadError;
        }
        if (IsEnd(reader, "foreign-key")) {
            return KeyEnd::kDone;
        }
        KeyEnd result = KeyEnd::kDone;
        if (IsStart(reader, "fk-columns")) {
            XmlTagInfo *columns = NewNode(Name(reader));
            AppendChild(foreignKey, columns);
            result = ParseColumnPairs(reader, columns);
        } else if (IsStart(reader, "fk-constraints")) {
            std::string text;
            TextStatus status = ReadText(reader, "fk-constraints", text);
            if (status == TextStatus::kReadError) {
                return KeyEnd::kReadError;
            }
            if (!text.empty()) {
                AddTextNode("fk-constraints", text,
                            [&](XmlTagInfo *node) { AppendChild(foreignKey, node); });
            }
            if (status == TextStatus::kMissingEnd) {
                LogError("\nMissing endof FK-CONSTRAINTS tag\n");
                return KeyEnd::kEndForeignKeys;
            }
        }
        if (result != KeyEnd::kDone) {
            return result;
        }
    }
}

KeyEnd ParseForeignKeys(xmlTextReaderPtr reader, XmlTagInfo *foreignKeys) {
    for (;;) {
        if (!NextElementNode(reader)) {
            return KeyEnd::kReadError;
        }
        if (!IsStart(reader, "foreign-key")) {
            return KeyEnd::kDone;  // normally the foreign-keys end tag
        }
        XmlTagInfo *foreignKey = NewNode(Name(reader));
        AppendChild(foreignKeys, foreignKey);
        if (AllocateAndStrcpyAttrib(reader, foreignKey) != 1) {
            throw std::bad_alloc();
        }
        KeyEnd result = ParseForeignKey(reader, foreignKey);
        if (result != KeyEnd::kDone) {
            return result == KeyEnd::kEndForeignKeys ? KeyEnd::kDone : result;
        }
    }
}

// ---- the table -------------------------------------------------------------

void ParseColumns(XmlTagInfo *columns, xmlTextReaderPtr reader);

bool ParseTableContent(xmlTextReaderPtr reader, XmlTagInfo *table) {
    XmlTagInfo *last = nullptr;  // the last child of table, description aside
    auto link = [&](XmlTagInfo *node) {
        if (last == nullptr && table->child == nullptr) {
            table->child = node;
        } else {
            AppendChild(table, node);
        }
        last = node;
    };
    for (;;) {
        if (xmlTextReaderRead(reader) != 1) {
            LogError("\nxmlTextReaderRead returned error \n");
            return false;
        }
        if (IsSkippable(reader)) {
            continue;
        }
        if (IsNamed(reader, "table") || IsNamed(reader, "data-dictionary")) {
            return true;
        }
        KeyEnd result = KeyEnd::kDone;
        if (IsStart(reader, "description")) {
            std::string text;
            if (ReadText(reader, "description", text) == TextStatus::kReadError) {
                result = KeyEnd::kReadError;
            } else if (!text.empty()) {
                // Always the table's first child, wherever it stands.
                AddTextNode("description", text, [&](XmlTagInfo *node) {
                    node->next = table->child;
                    table->child = node;
                });
            }
        } else if (IsStart(reader, "columns")) {
            XmlTagInfo *columns = NewNode(Name(reader));
            link(columns);
            if (!IsEmptyElement(reader)) {
                ParseColumns(columns, reader);
            }
        } else if (IsStart(reader, "primary-key")) {
            XmlTagInfo *primaryKey = NewNode(Name(reader));
            link(primaryKey);
            if (AllocateAndStrcpyAttrib(reader, primaryKey) != 1) {
                throw std::bad_alloc();
            }
            if (!IsEmptyElement(reader)) {
                result = ParsePrimaryKey(reader, primaryKey);
            }
        } else if (IsStart(reader, "foreign-keys")) {
            XmlTagInfo *foreignKeys = NewNode(Name(reader));
            link(foreignKeys);
            if (!IsEmptyElement(reader)) {
                result = ParseForeignKeys(reader, foreignKeys);
            }
        }
        if (result == KeyEnd::kReadError) {
            LogError("\nxmlTextReaderRead returned error \n");
            return false;
        }
    }
}

// ---- conversion ------------------------------------------------------------

const char *FirstValue(const XmlTagInfo *node) {
    return node != nullptr && node->valueCount > 0 ? node->values[0] : nullptr;
}

const char *Attribute(const XmlTagInfo *node, const char *name) {
    for (int32_t i = 0; i < node->attrCount; ++i) {
        if (strcmp(node->attrNames[i], name) == 0) {
            return node->attrValues[i];
        }
    }
    return nullptr;
}

bool IsTag(const XmlTagInfo *node, const char *name) {
    return node != nullptr && node->tagName != nullptr && strcmp(node->tagName, name) == 0;
}

// One column node; false fails the whole table.
bool AddColumn(const XmlTagInfo *node, Vector *columns) {
    const char *name = IsTag(node, "column") && node->attrCount > 0 ? node->attrValues[0] : nullptr;
    const char *typeWord = nullptr;
    const char *description = nullptr;
    const char *defaultText = nullptr;
    const char *generator = nullptr;
    uint8_t unique = 0;
    uint8_t nullable = 1;
    int32_t maxSize = 0;
    AllowedValues *allowed = nullptr;
    for (const XmlTagInfo *child = node->child; child != nullptr; child = child->next) {
        const char *text = FirstValue(child);
        if (IsTag(child, "data-type")) {
            typeWord = text;
        } else if (IsTag(child, "nullable")) {
            nullable = text != nullptr && strcasecmp(text, "true") == 0;
        } else if (IsTag(child, "max-size")) {
            maxSize = ConvertStringToInt(text);
        } else if (IsTag(child, "description")) {
            description = text;
        } else if (IsTag(child, "default-value")) {
            defaultText = text;
        } else if (IsTag(child, "generator-name")) {
            generator = text;
        } else if (IsTag(child, "unique")) {
            unique = text != nullptr && strcmp(text, "true") == 0;
        } else if (IsTag(child, "value") || IsTag(child, "from")) {
            FreeAllowedValues(allowed);
            if (IsTag(child, "value")) {
                allowed = CreateAllowedValues(child->values, child->valueCount, 0);
            } else if (!IsTag(child->next, "to")) {
                LogError("In the allowed values attribute, 'to' tag is missing.\n");
                return false;
            } else {
                const char *bounds[] = {text, FirstValue(child->next)};
                allowed = CreateAllowedValues(bounds, 2, 1);
                child = child->next;
            }
            if (allowed == nullptr) {
                LogError("Cannot copy allowed values.\n");
                return false;
            }
        }
    }
    if (typeWord == nullptr) {
        LogError("Column data type not supported - Error while creating column definition.\n");
    }
    ColumnDefn *column =
        CreateColumnDefn(name, GetColumnTypeCode(typeWord), defaultText,
                         defaultText != nullptr ? static_cast<int32_t>(strlen(defaultText)) : 0,
                         unique, generator, description, maxSize, nullable, allowed);
    if (column == nullptr) {
        FreeAllowedValues(allowed);  // a column without a name is skipped
        return true;
    }
    if (!AddElementValue(columns, column)) {
        FreeColumnDefn(column);
        throw std::bad_alloc();
    }
    return true;
}

void AddPrimaryKey(const XmlTagInfo *primaryKey, ConstraintDefn *constraints) {
    int32_t count = 0;
    for (const XmlTagInfo *child = primaryKey->child; child != nullptr; child = child->next) {
        ++count;
    }
    constraints->pkColumns =
        Require(static_cast<char **>(calloc(static_cast<size_t>(count) + 1, sizeof(char *))));
    constraints->pkColumnCount = count;
    int32_t filled = 0;
    // Children without text leave their entries empty at the end.
    for (const XmlTagInfo *child = primaryKey->child; child != nullptr; child = child->next) {
        if (FirstValue(child) != nullptr) {
            constraints->pkColumns[filled++] = Require(strdup(FirstValue(child)));
        }
    }
}

void AddForeignKeys(const XmlTagInfo *foreignKeys, ConstraintDefn *constraints,
                    const char *tableName) {
    for (const XmlTagInfo *key = foreignKeys->child; key != nullptr; key = key->next) {
        const char *referenced = Attribute(key, "reference-table-name");
        const char *bidirectional = Attribute(key, "isbidirectional");
        const XmlTagInfo *columns = key->child;
        const XmlTagInfo *constraint = IsTag(columns, "fk-columns") ? columns->next : nullptr;
        uint8_t cascade = IsTag(constraint, "fk-constraints") &&
                          FirstValue(constraint) != nullptr &&
                          strcmp(FirstValue(constraint), "ON-DELETE-CASCADE") == 0;
        if (!IsTag(columns, "fk-columns")) {
            LogDebug("fk-columns tag not found \n");
            continue;
        }
        if (referenced == nullptr) {
            LogError("A foreign key of table %s names no reference-table-name; it is ignored.\n",
                     tableName);
            continue;
        }
        for (const XmlTagInfo *pair = columns->child; pair != nullptr; pair = pair->next) {
            const XmlTagInfo *local = IsTag(pair->child, "fk-local-column") ? pair->child : nullptr;
            const XmlTagInfo *reference =
                IsTag(local != nullptr ? local->next : pair->child, "fk-reference-column")
                    ? (local != nullptr ? local->next : pair->child)
                    : nullptr;
            if (FirstValue(local) == nullptr || FirstValue(reference) == nullptr) {
                LogError(
                    "A foreign key of table %s lacks a column of a pair; the pair is ignored.\n",
                    tableName);
                continue;
            }
            ForeignKeyDefn *defn = Require(CreateForeignKeyDefn(
                FirstValue(local), FirstValue(reference), referenced, cascade,
                bidirectional != nullptr && strcmp(bidirectional, "true") == 0));
            if (!AddForeignKeyDefn(constraints, defn)) {
                free(defn->localColumn);
                free(defn->referenceColumn);
                free(defn->referenceTable);
                free(defn);
                throw std::bad_alloc();
            }
        }
    }
}

// Owns the pieces of a definition under construction until it is handed
// over, so every failure path releases them.
struct PendingDefinition {
    Vector *columns = nullptr;
    ConstraintDefn *constraints = nullptr;
    ~PendingDefinition() {
        if (columns != nullptr) {
            FreeColumnDefns(columns);
            free(columns);
        }
        FreeConstraintDefn(constraints);
    }
};

bool ConvertTree(const XmlTagInfo *table) {
    const char *tableName = table->attrCount > 0 ? table->attrValues[0] : nullptr;
    const XmlTagInfo *node = table->child;
    if (node == nullptr) {
        return false;
    }
    const char *description = nullptr;
    if (IsTag(node, "description")) {
        description = FirstValue(node);
        node = node->next;
        if (node == nullptr) {
            return false;
        }
    }
    const XmlTagInfo *columnsNode = node;
    if (!IsTag(columnsNode, "columns") || columnsNode->child == nullptr) {
        return false;  // a table without columns is not registered
    }
    PendingDefinition pending;
    pending.columns = Require(CreateVector());
    for (const XmlTagInfo *column = columnsNode->child; column != nullptr; column = column->next) {
        if (!AddColumn(column, pending.columns)) {
            return false;
        }
    }
    pending.constraints = Require(CreateConstraintDefn());
    node = columnsNode->next;
    if (IsTag(node, "primary-key")) {
        if (node->child != nullptr) {
            AddPrimaryKey(node, pending.constraints);
        }
        node = node->next;
    }
    if (IsTag(node, "foreign-keys")) {
        AddForeignKeys(node, pending.constraints, tableName != nullptr ? tableName : "");
    }
    if (tableName == nullptr) {
        LogError("A table without a name attribute is not registered.\n");
        return false;
    }
    TableDefn *definition =
        Require(CreateTableDefn(tableName, description, pending.columns, pending.constraints));
    pending.columns = nullptr;
    pending.constraints = nullptr;
    if (!AddTableDefn(definition)) {
        FreeTableDefnRecord(definition);
        throw std::bad_alloc();
    }
    LogTrace("\t@@@@ Loaded Table definition Successfully @@@@\n");
    return true;
}

}  // namespace

XmlTagInfo *CreateandInitXmlTagInfo(void) {
    return static_cast<XmlTagInfo *>(calloc(1, sizeof(XmlTagInfo)));
}

void FreeXmlTagInfoList(XmlTagInfo *node) {
    while (node != nullptr) {
        FreeXmlTagInfoList(node->child);
        XmlTagInfo *next = node->next;
        free(node->tagName);
        for (int32_t i = 0; i < node->attrCount; ++i) {
            free(node->attrNames[i]);
            free(node->attrValues[i]);
        }
        free(node->attrNames);
        free(node->attrValues);
        for (int32_t i = 0; i < node->valueCount; ++i) {
            free(node->values[i]);
        }
        free(node->values);
        free(node);
        node = next;
    }
}

int AllocateAndStrcpyAttrib(xmlTextReaderPtr reader, XmlTagInfo *node) {
    LogTrace("\nInside AllocateAndStrcpyAttrib\n\n");
    int count = xmlTextReaderAttributeCount(reader);
    if (count < 0) {
        count = 0;
    }
    node->attrNames = static_cast<char **>(calloc(static_cast<size_t>(count) + 1, sizeof(char *)));
    node->attrValues = static_cast<char **>(calloc(static_cast<size_t>(count) + 1, sizeof(char *)));
    if (node->attrNames == nullptr || node->attrValues == nullptr) {
        return 99;
    }
    for (const char *name : kReadAttributes) {
        if (node->attrCount >= count) {
            break;
        }
        xmlChar *value = xmlTextReaderGetAttribute(reader, reinterpret_cast<const xmlChar *>(name));
        if (value == nullptr) {
            continue;
        }
        char *nameCopy = strdup(name);
        char *valueCopy = strdup(reinterpret_cast<const char *>(value));
        xmlFree(value);
        if (nameCopy == nullptr || valueCopy == nullptr) {
            free(nameCopy);
            free(valueCopy);
            return 99;
        }
        node->attrNames[node->attrCount] = nameCopy;
        node->attrValues[node->attrCount] = valueCopy;
        ++node->attrCount;
    }
    if (node->attrCount < count) {
        LogError("\n Not all Attributes were read\n");
    }
    return 1;
}

int ParseTableTag(xmlTextReaderPtr reader) {
    if (!IsStart(reader, "table")) {
        LogError("\nTABLE tag missing\n");
        return 0;
    }
    FreeCurrentXmlTagTree();
    try {
        g_currentTree = NewNode(Name(reader));
        if (AllocateAndStrcpyAttrib(reader, g_currentTree) != 1) {
            throw std::bad_alloc();
        }
        if (g_currentTree->attrCount > 0) {
            LogTrace("@@@@Parsing Table Info : %s @@@@\n", g_currentTree->attrValues[0]);
        }
        if (IsEmptyElement(reader)) {
            return 1;
        }
        return ParseTableContent(reader, g_currentTree) ? 1 : 0;
    } catch (const std::bad_alloc &) {
        LogError("MEMORY_ALLOCATION_FAILURE\n");
        return 0;
    }
}

namespace {

void ParseColumns(XmlTagInfo *columns, xmlTextReaderPtr reader) {
    for (;;) {
        if (!NextElementNode(reader)) {
            return;
        }
        if (IsEnd(reader, "column")) {
            continue;  // the end of a column whose reading was cut short
        }
        if (!IsStart(reader, "column")) {
            return;  // normally the columns end tag
        }
        XmlTagInfo *column = NewNode(Name(reader));
        AppendChild(columns, column);
        if (AllocateAndStrcpyAttrib(reader, column) != 1) {
            throw std::bad_alloc();
        }
        if (IsEmptyElement(reader)) {
            continue;
        }
        int depth = xmlTextReaderDepth(reader);
        ColumnEnd end = ParseColumn(reader, column);
        if (end == ColumnEnd::kColumns || end == ColumnEnd::kReadError) {
            return;
        }
        if (end == ColumnEnd::kEndColumn && !SkipToEndOf(reader, depth)) {
            return;
        }
    }
}

}  // namespace

void ParseColumnsTag(XmlTagInfo *columns, xmlTextReaderPtr reader) {
    if (columns == nullptr || reader == nullptr) {
        return;
    }
    try {
        ParseColumns(columns, reader);
    } catch (const std::bad_alloc &) {
        LogError("MEMORY_ALLOCATION_FAILURE\n");
    }
}

int LoadTableDefnFromTagTree(void) {
    if (g_currentTree == nullptr) {
        return 0;
    }
    try {
        return ConvertTree(g_currentTree) ? 1 : 0;
    } catch (const std::bad_alloc &) {
        LogError("MEMORY_ALLOCATION_FAILURE\n");
        return 0;
    }
}

XmlTagInfo *GetCurrentXmlTagTree(void) {
    return g_currentTree;
}

void FreeCurrentXmlTagTree(void) {
    FreeXmlTagInfoList(g_currentTree);
    g_currentTree = nullptr;
}
