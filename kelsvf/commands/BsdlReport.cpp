#include "commands/BsdlReport.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>

#include "report/JsonText.h"

namespace kelsvf {
namespace {

using check::JsonObject;
using check::jsonString;

std::string opcodeList(const kelbsdl::Instruction& instruction, const char* separator) {
    std::string list;
    for (const kelbsdl::BitPattern& opcode : instruction.opcodes) {
        list += (list.empty() ? "" : separator) + opcode.bits;
    }
    return list;
}

std::string bits(uint64_t count) {
    return std::to_string(count) + (count == 1 ? " bit" : " bits");
}

std::string padded(const std::string& text, size_t width) {
    return text + std::string(width > text.size() ? width - text.size() : 0, ' ');
}

// "0x0b2343bb, mask 0x0fffffff"
std::string idcodeValue(const kelbsdl::BitPattern& idcode) {
    char text[40];
    std::snprintf(text, sizeof text, "0x%08" PRIx64 ", mask 0x%08" PRIx64, idcode.value(),
                  idcode.careMask());
    return text;
}

std::string where(const std::string& file, kelbsdl::Position position) {
    return file + ":" + std::to_string(position.line) + ":" + std::to_string(position.column);
}

std::string jsonLength(std::optional<uint64_t> length) {
    return length ? std::to_string(*length) : "null";
}

std::string jsonNotes(const kelbsdl::Reading& reading) {
    std::string notes = "[";
    for (const kelbsdl::Note& note : reading.notes) {
        notes += (notes.size() > 1 ? ",\n" : "\n") + JsonObject()
                                                         .add("line", note.position.line)
                                                         .add("column", note.position.column)
                                                         .add("text", note.text)
                                                         .text();
    }
    return notes + (notes.size() > 1 ? "\n]" : "]");
}

}  // namespace

std::string bsdlText(const kelbsdl::Description& part) {
    std::string out = "entity " + part.entity + "\n";
    out += "instruction length " + std::to_string(part.instructionLength);
    out += part.instructionCapture ? ", capture " + part.instructionCapture->bits + "\n" : "\n";
    for (const kelbsdl::BitPattern& idcode : part.idcodes) {
        out += "idcode " + idcode.bits + " (" + idcodeValue(idcode) + ")\n";
    }
    if (part.usercode) {
        out += "usercode " + part.usercode->bits + "\n";
    }
    out += "boundary length " +
           (part.boundaryLength ? std::to_string(*part.boundaryLength) : "not given") + "\n";

    size_t nameWidth = 0;
    size_t opcodeWidth = 0;
    for (const kelbsdl::Instruction& instruction : part.instructions) {
        nameWidth = std::max(nameWidth, instruction.name.size());
        opcodeWidth = std::max(opcodeWidth, opcodeList(instruction, ", ").size());
    }
    out += std::to_string(part.instructions.size()) + " instructions:\n";
    for (const kelbsdl::Instruction& instruction : part.instructions) {
        out += "  " + padded(instruction.name, nameWidth + 2) +
               padded(opcodeList(instruction, ", "), opcodeWidth + 2);
        if (instruction.isPrivate) {
            out += "private, ";
        }
        if (instruction.registerName.empty()) {
            out += "register not given";
        } else {
            const std::optional<uint64_t> length = part.registerLength(instruction);
            out += instruction.registerName + ", " + (length ? bits(*length) : "length not given");
        }
        if (instruction.captures) {
            out += ", captures " + instruction.captures->bits;
        }
        out += "\n";
    }
    size_t registerWidth = 0;
    for (const kelbsdl::Register& selected : part.registers) {
        registerWidth = std::max(registerWidth, selected.name.size());
    }
    out += std::to_string(part.registers.size()) + " registers:\n";
    for (const kelbsdl::Register& selected : part.registers) {
        out += "  " + padded(selected.name, registerWidth + 2) +
               (selected.length ? bits(*selected.length) : "length not given") + "\n";
    }
    return out;
}

std::string bsdlJson(const std::string& file, const kelbsdl::Reading& reading) {
    JsonObject object;
    object.add("file", file);
    if (reading.failed) {
        object.addRaw("error", JsonObject()
                                   .add("line", reading.error.position.line)
                                   .add("column", reading.error.position.column)
                                   .add("message", reading.error.message)
                                   .text());
        object.addRaw("notes", jsonNotes(reading));
        return object.text() + "\n";
    }
    const kelbsdl::Description& part = reading.description;
    object.add("entity", part.entity);
    object.add("instruction_length", uint64_t{part.instructionLength});
    object.addRaw("instruction_capture",
                  part.instructionCapture ? jsonString(part.instructionCapture->bits) : "null");
    object.addRaw("idcode", part.idcodes.empty() ? "null" : jsonString(part.idcodes[0].bits));
    std::string idcodes = "[";
    for (const kelbsdl::BitPattern& idcode : part.idcodes) {
        idcodes += (idcodes.size() > 1 ? ", " : "") + jsonString(idcode.bits);
    }
    object.addRaw("idcodes", idcodes + "]");
    object.addRaw("usercode", part.usercode ? jsonString(part.usercode->bits) : "null");
    object.addRaw("boundary_length", jsonLength(part.boundaryLength));

    std::string instructions = "{";
    for (const kelbsdl::Instruction& instruction : part.instructions) {
        std::string opcodes = "[";
        for (const kelbsdl::BitPattern& opcode : instruction.opcodes) {
            opcodes += (opcodes.size() > 1 ? ", " : "") + jsonString(opcode.bits);
        }
        JsonObject entry;
        entry.addRaw("opcodes", opcodes + "]");
        entry.addRaw("register", instruction.registerName.empty()
                                     ? "null"
                                     : jsonString(instruction.registerName));
        entry.addRaw("length", jsonLength(part.registerLength(instruction)));
        entry.add("private", instruction.isPrivate);
        entry.addRaw("captures",
                     instruction.captures ? jsonString(instruction.captures->bits) : "null");
        instructions += (instructions.size() > 1 ? ",\n" : "\n") + jsonString(instruction.name) +
                        ": " + entry.text();
    }
    object.addRaw("instructions", instructions + (instructions.size() > 1 ? "\n}" : "}"));

    std::string registers = "{";
    for (const kelbsdl::Register& selected : part.registers) {
        registers += (registers.size() > 1 ? ", " : "") + jsonString(selected.name) + ": " +
                     jsonLength(selected.length);
    }
    object.addRaw("registers", registers + "}");
    object.addRaw("notes", jsonNotes(reading));
    object.add("notes_left_out", reading.notesLeftOut);
    return object.text() + "\n";
}

std::string bsdlDiagnostics(const std::string& file, const kelbsdl::Reading& reading) {
    std::string out;
    for (const kelbsdl::Note& note : reading.notes) {
        out += where(file, note.position) + ": note: " + note.text + "\n";
    }
    if (reading.notesLeftOut > 0) {
        out += file + ": ... and " + std::to_string(reading.notesLeftOut) + " more notes\n";
    }
    if (reading.failed) {
        out += where(file, reading.error.position) + ": error: " + reading.error.message + "\n";
    }
    return out;
}

}  // namespace kelsvf
