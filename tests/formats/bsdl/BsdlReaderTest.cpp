#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

#include "kelbsdl/BsdlReader.h"

namespace {

using namespace kelbsdl;

std::string at(Position position) {
    return std::to_string(position.line) + ":" + std::to_string(position.column);
}

// One line per fact: what the checking tools act on, in file order.
std::string describe(const Reading& reading) {
    if (reading.failed) {
        return "error " + at(reading.error.position) + " " + reading.error.message + "\n";
    }
    const Description& part = reading.description;
    std::string out = "entity " + part.entity + " ir " + std::to_string(part.instructionLength);
    out += " capture " + (part.instructionCapture ? part.instructionCapture->bits : "-");
    for (const BitPattern& idcode : part.idcodes) {
        out += " idcode " + idcode.bits;
    }
    out += " usercode " + (part.usercode ? part.usercode->bits : "-");
    out += " boundary " + (part.boundaryLength ? std::to_string(*part.boundaryLength) : "-") + "\n";
    for (const Instruction& instruction : part.instructions) {
        out += instruction.name + (instruction.isPrivate ? " private" : "");
        for (const BitPattern& opcode : instruction.opcodes) {
            out += " " + opcode.bits;
        }
        const auto length = part.registerLength(instruction);
        out += " -> " + (instruction.registerName.empty() ? "?" : instruction.registerName) + " " +
               (length ? std::to_string(*length) : "?");
        out += instruction.captures ? " captures " + instruction.captures->bits : "";
        out += "\n";
    }
    for (const Register& selected : part.registers) {
        out += "register " + selected.name + " " +
               (selected.length ? std::to_string(*selected.length) : "?") + "\n";
    }
    for (const Note& note : reading.notes) {
        out += "note " + at(note.position) + " " + note.text + "\n";
    }
    return out;
}

std::string sample(const std::string& name) {
    std::ifstream in(std::string(KEL_BSDL_SAMPLES) + "/" + name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

struct SampleCase {
    const char* file;
    const char* described;
};

const SampleCase kSamples[] = {
    {"fpga25k_fg256.bsd",
     "entity FPGA25K_FG256 ir 10 capture XXXXXX0001 idcode XXXX0010110001011001011010101101 "
     "usercode XXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX boundary 150\n"
     "EXTEST 1011000000 1011100110 -> BOUNDARY 150\n"
     "SAMPLE 1011000001 -> BOUNDARY 150\n"
     "PRELOAD 1011000001 -> BOUNDARY 150\n"
     "USER1 1011000010 -> UDATA 32\n"
     "USER2 1011000011 -> UDATA 32\n"
     "CFG_OUT 1011000100 -> CONFIG 32\n"
     "CFG_IN 1011000101 -> CONFIG 32\n"
     "INTEST 1011000111 -> BOUNDARY 150\n"
     "USERCODE 1011001000 -> USERCODE 32\n"
     "IDCODE 1011001001 -> DEVICE_ID 32\n"
     "HIGHZ 1011001010 -> BYPASS 1\n"
     "SRAMPROG 1011001011 -> BYPASS 1\n"
     "CFG_GO 1011001100 -> BYPASS 1\n"
     "CFG_PAUSE 1011001101 -> BYPASS 1\n"
     "CLAMP 1011001110 -> BYPASS 1\n"
     "ISC_ENABLE 1011010000 -> ISC_DEFAULT 8 captures XXX10001\n"
     "ISC_PROGRAM 1011010001 -> ISC_CONFIG 8000\n"
     "ISC_NOOP 1011010100 -> BYPASS 1\n"
     "ISC_READ 1011010101 -> ISC_CONFIG 8000\n"
     "ISC_DISABLE 1011010110 -> ISC_DEFAULT 8\n"
     "ISC_ERASE 1011011000 -> ISC_ADDRESS 24\n"
     "FUSE_PROG 101101110X -> FUSE 64\n"
     "ISC_UID private 1011100000 -> UID 57\n"
     "FAB_TEST private 00XXXXXXXX -> ? ?\n"
     "BYPASS 1111111111 -> BYPASS 1\n"
     "register BYPASS 1\nregister BOUNDARY 150\nregister DEVICE_ID 32\nregister USERCODE 32\n"
     "register UDATA 32\nregister CONFIG 32\nregister ISC_CONFIG 8000\nregister ISC_DEFAULT 8\n"
     "register ISC_ADDRESS 24\nregister FUSE 64\nregister UID 57\n"},
    {"cpld64_tq100.bsd",
     "entity CPLD64_TQ100 ir 8 capture 000XXX01 idcode 00010101000011100100010101110111 "
     "usercode - boundary 192\n"
     "EXTEST 00000000 -> BOUNDARY 192\n"
     "BYPASS 11111111 -> BYPASS 1\n"
     "SAMPLE 00000001 -> BOUNDARY 192\n"
     "IDCODE 00000010 -> DEVICE_ID 32\n"
     "USERCODE 00000011 -> USERCODE 32\n"
     "HIGHZ 00000100 11111100 -> BYPASS 1\n"
     "ISC_ENABLE 0001000X -> ISC_DEFAULT 1\n"
     "ISC_ERASE 00010010 -> ISC_ADDRESS 96\n"
     "ISC_PROGRAM 00010011 -> ISC_SECTOR 320\n"
     "ISC_VERIFY 00010101 -> ISC_SECTOR 320\n"
     "ISC_DISABLE 00010100 -> ISC_DEFAULT 1\n"
     "FUSE_WRITE 0110XXXX -> FUSES 16\n"
     "register BYPASS 1\nregister BOUNDARY 192\nregister DEVICE_ID 32\nregister USERCODE 32\n"
     "register ISC_SECTOR 320\nregister ISC_ADDRESS 96\nregister ISC_DEFAULT 1\n"
     "register FUSES 16\n"
     "note 52:11 USERCODE_REGISTER is not read: it is the constant ZEPH_BLANK_USERCODE, which "
     "the file does not give\n"
     "note 73:11 the attribute ZEPH_SECURITY_FUSE is not read\n"},
    {"mcu32_lqfp64.bsd",
     "entity MCU32_LQFP64 ir 5 capture 00001 idcode XXXX1011001000110100001110111011 "
     "usercode - boundary 3\n"
     "BYPASS 11111 -> BYPASS 1\n"
     "EXTEST 00000 -> BOUNDARY 3\n"
     "SAMPLE 00010 -> BOUNDARY 3\n"
     "PRELOAD 00010 -> BOUNDARY 3\n"
     "IDCODE 00001 -> DEVICE_ID 32 captures XXXX1011001000110100001110111011\n"
     "CLAMP 00100 -> BYPASS 1\n"
     "HIGHZ 00101 -> BYPASS 1\n"
     "DBG_ACCESS 01000 -> DBG_CTRL 35\n"
     "DBG_HALT 01001 -> DBG_CTRL 35\n"
     "FLASH_ERASE_ALL 01100 -> FLASH_CTRL 16\n"
     "FACTORY_TEST private 1XXX0 -> ? ?\n"
     "register BYPASS 1\nregister BOUNDARY 3\nregister DEVICE_ID 32\nregister DBG_CTRL 35\n"
     "register FLASH_CTRL 16\n"},
};

TEST(BsdlReader, SamplesReadToTheirDescriptionWholeAndInBlocks) {
    for (const SampleCase& test : kSamples) {
        SCOPED_TRACE(test.file);
        const std::string text = sample(test.file);
        ASSERT_FALSE(text.empty());
        EXPECT_EQ(describe(readBsdl(text)), test.described);
        for (const size_t block : {size_t{1}, size_t{2}, size_t{7}, size_t{64}}) {
            EXPECT_EQ(describe(readBsdl(text, block)), test.described) << "blocks of " << block;
        }
    }
}

TEST(BsdlReader, SamplesAreTheFilesUsePackagesAndIscAttributes) {
    const Reading fpga = readBsdl(sample("fpga25k_fg256.bsd"));
    EXPECT_TRUE(fpga.description.hasIscAttributes);
    EXPECT_EQ(fpga.description.packages,
              (std::vector<std::string>{"STD_1149_1_2001", "STD_1532_2002"}));
    const Description& part = fpga.description;
    // FUSE_PROG's X bit matches both codes; SAMPLE and PRELOAD share theirs.
    ASSERT_EQ(part.instructionsFor({0xdd, 0x02}).size(), 1u);
    EXPECT_EQ(part.instructionsFor({0xdd, 0x02}).front()->name, "FUSE_PROG");
    ASSERT_EQ(part.instructionsFor({0xdc, 0x02}).size(), 1u);
    EXPECT_EQ(part.instructionsFor({0xdc, 0x02}).front()->name, "FUSE_PROG");
    EXPECT_EQ(part.instructionsFor({0xc1, 0x02}).size(), 2u);
    EXPECT_TRUE(part.idcodes[0].matches(0xf2c596ad));  // any version
    EXPECT_FALSE(part.idcodes[0].matches(0x02c596ac));
}

// A small part around `attributes`; its lines are counted from "entity" on line 1.
std::string part(const std::string& attributes) {
    return "entity P is\n"
           "attribute INSTRUCTION_LENGTH of P : entity is 4;\n" +
           attributes + "\nend P;\n";
}

struct ErrorCase {
    std::string text;
    const char* where;
    const char* message;
};

TEST(BsdlReader, FaultsAreErrorsAtTheirLineAndColumn) {
    const ErrorCase cases[] = {
        {"-- just a comment\n", "1:1", "no 'entity NAME is' in the text: not BSDL"},
        {"entity P is\nend P;\n", "1:8", "entity P has no INSTRUCTION_LENGTH"},
        {part("attribute INSTRUCTION_OPCODE of P : entity is\n  \"BYPASS (1111),\" &\n"
              "  \"IDCODE (001)\";"),
         "5:12",
         "INSTRUCTION_OPCODE: the opcode 001 of IDCODE has 3 bits; INSTRUCTION_LENGTH is 4"},
        {part("attribute INSTRUCTION_OPCODE of P : entity is \"BYPASS (1121)\";"), "3:56",
         "INSTRUCTION_OPCODE: '1121' is not a pattern of 0, 1 and X"},
        {part("attribute INSTRUCTION_OPCODE of P : entity is \"BYPASS 1111\";"), "3:55",
         "INSTRUCTION_OPCODE: expected '(', found '1111'"},
        {part("attribute INSTRUCTION_CAPTURE of P : entity is \"01\";"), "3:49",
         "INSTRUCTION_CAPTURE must be one pattern of 4 bits (INSTRUCTION_LENGTH)"},
        {part("attribute IDCODE_REGISTER of P : entity is \"0001\" & \"1\";"), "3:45",
         "IDCODE_REGISTER: the IDCODE 00011 has 5 bits, not 32"},
        {part("attribute IDCODE_REGISTER of P : entity is \"0001\" \"1\";"), "3:51",
         "IDCODE_REGISTER: expected '&' or ';' after a string, found '1'"},
        {part("attribute INSTRUCTION_LENGTH of P : entity is 5;"), "3:11",
         "INSTRUCTION_LENGTH is given twice (first at 2:11)"},
        {"entity P is\nattribute INSTRUCTION_LENGTH of P : entity is IRLEN;\nend P;\n", "2:11",
         "INSTRUCTION_LENGTH is the constant IRLEN, which the file does not give"},
        {"entity P is\nattribute INSTRUCTION_LENGTH of P : entity is 0;\nend P;", "2:11",
         "INSTRUCTION_LENGTH 0 is not a length from 1 to 65536"},
        {part("attribute BOUNDARY_LENGTH of P : entity is 4;\nattribute REGISTER_ACCESS of P : "
              "entity is \"BOUNDARY[5] (EXTEST)\";"),
         "4:45", "REGISTER_ACCESS: BOUNDARY[5], but BOUNDARY has 4 bits"},
        {part("attribute INSTRUCTION_OPCODE of P : entity is \"A (0001), B (0010)\";\n"
              "attribute REGISTER_ACCESS of P : entity is \"R[3] (A), R[4] (B)\";"),
         "4:55", "REGISTER_ACCESS: R[4], but it is R[3] at 4:45"},
        {part("attribute INSTRUCTION_OPCODE of P : entity is \"A (0001)\";\n"
              "attribute REGISTER_ACCESS of P : entity is \"R[3] (A CAPTURES 01)\";"),
         "4:62", "REGISTER_ACCESS: A CAPTURES 2 bits; R has 3"},
        {part("attribute INSTRUCTION_OPCODE of P : entity is \"BYPASS (1111)\n\";"), "3:47",
         "this string has no closing '\"' on its line"},
        {part("attribute PIN_MAP of P : entity is (1, 2;"), "3:1",
         "this statement has a '(' that is never closed"},
        {part("attribute INSTRUCTION_OPCODE of P is \"BYPASS (1111)\";"), "3:35",
         "expected 'attribute NAME of ENTITY : entity is VALUE'"},
        {"entity P is\nconstant A : STRING := B;\nconstant B : STRING := A;\n"
         "attribute INSTRUCTION_LENGTH of P : entity is 4;\n"
         "attribute IDCODE_REGISTER of P : entity is A;\nend P;",
         "3:24", "IDCODE_REGISTER: the constant A is defined through itself"},
    };
    for (const ErrorCase& test : cases) {
        SCOPED_TRACE(test.text);
        const Reading reading = readBsdl(test.text);
        ASSERT_TRUE(reading.failed);
        EXPECT_EQ(at(reading.error.position), test.where);
        EXPECT_EQ(reading.error.message, test.message);
        EXPECT_EQ(describe(readBsdl(test.text, 1)), describe(reading));
    }
}

struct NoteCase {
    std::string text;
    const char* notes;  // "L:C text" lines
};

TEST(BsdlReader, WhatIsSkippedOrDoubtfulIsANote) {
    const NoteCase cases[] = {
        {part("attribute INSTRUCTION_OPCODE of P : entity is \"BYPASS (1111)\" & \"IDCODE "
              "(0001),\";"),
         "3:66 INSTRUCTION_OPCODE: a ',' is missing before 'IDCODE'\n"
         "3:79 INSTRUCTION_OPCODE: a ',' after the last entry is ignored\n"},
        {part("attribute INSTRUCTION_OPCODE of P : entity is \"BYPASS (1111)\" & \"IDCODE "
              "(0001)\";\nattribute INSTRUCTION_PRIVATE of P : entity is \"TEST\";"),
         "3:66 INSTRUCTION_OPCODE: a ',' is missing before 'IDCODE'\n"
         "4:49 INSTRUCTION_PRIVATE names TEST, which INSTRUCTION_OPCODE does not list\n"},
        {part("attribute IDCODE_REGISTER of Q : entity is \"0000000000000000000000000000000X\";\n"
              "attribute VENDOR_KEY of P : entity is \"1\";\nlibrary ieee;"),
         "1:8 entity P has no INSTRUCTION_OPCODE: its instructions are not known\n"
         "3:30 IDCODE_REGISTER is given of Q; it is read as entity P's\n"
         "3:45 IDCODE_REGISTER: bit 0 of an IDCODE is 1, this one has X\n"
         "4:11 the attribute VENDOR_KEY is not read\n"
         "5:1 a statement beginning with 'LIBRARY' is not read\n"},
        {part("attribute INSTRUCTION_OPCODE of P : entity is \"A (0001), A (0011)\";\n"
              "attribute REGISTER_ACCESS of P : entity is \"R (A), S[2] (A, B)\";"),
         "3:58 A is listed again (first at 3:48): its opcodes are all read\n"
         "4:45 REGISTER_ACCESS: R has no [length]; it is not known\n"
         "4:58 REGISTER_ACCESS: A selects R already; S is ignored\n"
         "4:61 REGISTER_ACCESS names B, which INSTRUCTION_OPCODE does not list\n"},
        {"entity P is attribute INSTRUCTION_LENGTH of P : entity is 4; end Q; package body",
         "1:8 entity P has no INSTRUCTION_OPCODE: its instructions are not known\n"
         "1:66 'end Q' ends entity P\n1:69 the text after the end of entity P is not read\n"},
        {"entity P is attribute INSTRUCTION_LENGTH of P : entity is 4;",
         "1:8 entity P has no INSTRUCTION_OPCODE: its instructions are not known\n"
         "1:61 the text ends inside entity P (no 'end P;')\n"},
    };
    for (const NoteCase& test : cases) {
        SCOPED_TRACE(test.text);
        const Reading reading = readBsdl(test.text);
        ASSERT_FALSE(reading.failed) << reading.error.message;
        std::string notes;
        for (const Note& note : reading.notes) {
            notes += at(note.position) + " " + note.text + "\n";
        }
        EXPECT_EQ(notes, test.notes);
    }
}

TEST(BsdlReader, NotesAreBoundedAndConstantsOfTheFileAreRead) {
    std::string text =
        "entity P is\nconstant IR : INTEGER := 6;\n"
        "constant OPS : STRING := \"BYPASS (111111)\";\n"
        "attribute INSTRUCTION_LENGTH of P : entity is IR;\n"
        "attribute INSTRUCTION_OPCODE of P : entity is OPS & \", X (000000)\";\n";
    for (int i = 0; i < 1000; ++i) {
        text += "attribute VENDOR_" + std::to_string(i) + " of P : entity is 1;\n";
    }
    const Reading reading = readBsdl(text + "end P;\n");
    ASSERT_FALSE(reading.failed) << reading.error.message;
    EXPECT_EQ(reading.description.instructionLength, 6u);
    ASSERT_EQ(reading.description.instructions.size(), 2u);
    EXPECT_EQ(reading.description.instructions[1].position.column, 56u);
    EXPECT_EQ(reading.notes.size(), kMaxNotes);
    EXPECT_EQ(reading.notesLeftOut, 1000 - kMaxNotes);
}

TEST(BsdlReader, FilesThatCannotBeReadSaySo) {
    Reading reading;
    std::string why;
    EXPECT_FALSE(readBsdlFile("/nonexistent/part.bsd", reading, why));
    EXPECT_EQ(why, "No such file or directory");
    EXPECT_FALSE(readBsdlFile("/", reading, why));
    EXPECT_EQ(why, "Is a directory");
    EXPECT_TRUE(readBsdlFile(std::string(KEL_BSDL_SAMPLES) + "/mcu32_lqfp64.bsd", reading, why));
    EXPECT_FALSE(reading.failed);
}

}  // namespace
