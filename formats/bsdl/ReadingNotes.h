// The notes of one reading, kept up to kMaxNotes: a file of a million unknown statements must
// not need a million notes' memory.
#ifndef KELBSDL_READING_NOTES_H
#define KELBSDL_READING_NOTES_H

#include <string>
#include <utility>
#include <vector>

#include "kelbsdl/BsdlDescription.h"

namespace kelbsdl {

struct ReadingNotes {
    std::vector<Note> notes;
    uint64_t leftOut = 0;

    void add(Position at, std::string text) {
        if (notes.size() < kMaxNotes) {
            notes.push_back({at, std::move(text)});
        } else {
            ++leftOut;
        }
    }
};

}  // namespace kelbsdl

#endif  // KELBSDL_READING_NOTES_H
