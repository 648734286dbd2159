#pragma once

// Element-level mutation of an XML document for the structure-aware mutators: one edit of the
// tree (delete, duplicate, move or insert an element, rename one, add, drop or change an
// attribute) that keeps the document well-formed, so that the input reaches the readers'
// logic instead of their parser's checks. Names come from the document itself and from a
// vocabulary of the schema's names; attribute values from the document and from a list of
// values known to reach edge cases (huge, negative, non-finite, empty).

#include <cstddef>
#include <random>
#include <string>
#include <vector>

namespace fuzzmutate {

struct Vocabulary {
    std::vector<std::string> elements;    // qualified names, "c:valAx"
    std::vector<std::string> attributes;  // "val", "r:id"
};

// The element and attribute names of the chart part's schema that our readers look at.
const Vocabulary& chartVocabulary();

// The names a document uses, added to vocabulary (each once); for parts of other schemas, whose
// own documents show the names their readers know.
void harvest(const std::string& xml, Vocabulary& vocabulary);

// Edits xml in place and returns true, or returns false (xml unchanged) when it is not a
// well-formed document or the edit would make it longer than maxSize.
bool mutateXml(std::string& xml, size_t maxSize, std::minstd_rand& random, const Vocabulary& vocabulary);

}  // namespace fuzzmutate
