// What the reader keeps of a BSDL text for the description: the entity, the attributes it
// needs (their values still as tokens) and the constants they may name. DescriptionBuilder
// makes the description of it once the whole text is read, when every constant is known.
#ifndef KELBSDL_COLLECTED_TEXT_H
#define KELBSDL_COLLECTED_TEXT_H

#include <string>
#include <vector>

#include "AttributeText.h"
#include "ReadingNotes.h"

namespace kelbsdl {

struct Attribute {
    std::string name;
    Position position;  // of its name
    std::vector<Token> value;
};

struct CollectedText {
    std::string entity;
    Position entityPosition;
    bool entityFound = false;
    std::vector<Attribute> attributes;
    Constants constants;
    std::vector<std::string> packages;
    bool hasIscAttributes = false;

    const Attribute* find(const std::string& name) const {
        for (const Attribute& attribute : attributes) {
            if (attribute.name == name) {
                return &attribute;
            }
        }
        return nullptr;
    }
};

// The attributes the description is made of.
bool isNeededAttribute(const std::string& name);
// The attributes of the standards that the description does not need, skipped without a note.
bool isKnownSkippedAttribute(const std::string& name);

// Makes `description` of what was collected; false with `error` on a fault.
bool buildDescription(const CollectedText& text, ReadingNotes& notes, Description& description,
                      Error& error);

}  // namespace kelbsdl

#endif  // KELBSDL_COLLECTED_TEXT_H
