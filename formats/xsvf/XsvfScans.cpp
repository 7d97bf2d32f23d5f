// The XSVF commands that shift: XSIR, XSIR2, the XSDR family and XSDRINC, and the statements
// they become.
#include <algorithm>
#include <new>

#include "ReaderImpl.h"
#include "kelxsvf/XsvfCommands.h"

namespace kelxsvf {

using kelsvfreader::Bits;
using kelsvfreader::Keyword;
using namespace KelPluginInterface;

namespace {

size_t bytesFor(uint64_t bits) {
    return static_cast<size_t>((bits + 7) / 8);
}

bool bitAt(const std::vector<uint8_t>& bits, uint64_t i) {
    return i / 8 < bits.size() && ((bits[i / 8] >> (i % 8)) & 1u) != 0;
}

void setBit(std::vector<uint8_t>& bits, uint64_t i, bool value) {
    const auto bit = static_cast<uint8_t>(1u << (i % 8));
    bits[i / 8] = static_cast<uint8_t>(value ? bits[i / 8] | bit : bits[i / 8] & ~bit);
}

}  // namespace

bool XsvfReader::Impl::readVector(uint64_t bits, std::vector<uint8_t>& vector) {
    vector.clear();
    if (!in.bytes(bytesFor(bits), vector)) {
        return truncated();
    }
    // The file's first byte holds the most significant bits; ours holds bit 0 first.
    std::reverse(vector.begin(), vector.end());
    if (const uint64_t spare = bits % 8; spare != 0) {
        vector.back() &= static_cast<uint8_t>((1u << spare) - 1);
    }
    return true;
}

bool XsvfReader::Impl::readValue(uint64_t bits, Bits& value, bool& ones) {
    if (bytesFor(bits) <= spillAbove) {
        std::vector<uint8_t> bytes;
        if (!readVector(bits, bytes)) {
            return false;
        }
        ones = std::any_of(bytes.begin(), bytes.end(), [](uint8_t b) { return b != 0; });
        value = Bits::fromBytes(std::move(bytes), bits);
        if (value.size() != bits) {
            throw std::bad_alloc();  // reported by next() as for any command
        }
        return true;
    }
    // The file's bytes are the value's hex digits in text order: they go to the spill file as
    // they come, the bits above the length cleared first.
    kelsvfreader::SpillValueWriter writer(spill, bits);
    for (uint64_t left = bytesFor(bits); left > 0;) {
        const uint8_t* data = nullptr;
        size_t size = 0;
        if (!in.piece(left, data, size)) {
            return truncated();
        }
        if (left == bytesFor(bits) && bits % 8 != 0) {
            const auto top = static_cast<uint8_t>(data[0] & ((1u << (bits % 8)) - 1));
            if (!writer.addPairs(&top, 1)) {
                break;
            }
            ++data;
            --size;
            --left;
        }
        if (!writer.addPairs(data, size)) {
            break;
        }
        left -= size;
    }
    if (!writer.finish(value)) {
        fail(std::string("cannot keep a long value: ") + writer.error());
        error.system = true;  // the machine failed, not the file
        return false;
    }
    ones = writer.digits() != 0;
    return true;
}

bool XsvfReader::Impl::readScanCommand(uint8_t opcode) {
    const auto command = static_cast<Opcode>(opcode);
    if (command == Opcode::XSIR || command == Opcode::XSIR2) {
        uint32_t length = 0;
        if (!in.number(command == Opcode::XSIR ? 1 : 2, length)) {
            return truncated();
        }
        Bits tdi;
        bool ones = false;
        if (!readValue(length, tdi, ones)) {
            return false;
        }
        const bool waits = runTest != 0;
        pushEnd(true, waits ? KELJTAG_RUN_TEST_IDLE : endIR);
        pushScan(true, length, std::move(tdi), nullptr);
        if (waits) {
            pushRunTest(KELJTAG_RUN_TEST_IDLE, KELJTAG_RUN_TEST_IDLE, true, runTest, true, runTest);
        }
        return true;
    }

    Bits tdi;
    bool ones = false;
    if (!readValue(sdrSize, tdi, ones)) {
        return false;
    }
    const bool withTdo = command == Opcode::XSDRTDO || command == Opcode::XSDRTDOB ||
                         command == Opcode::XSDRTDOC || command == Opcode::XSDRTDOE;
    if (withTdo && !readValue(sdrSize, expected, ones)) {
        return false;
    }
    if (!maskSinceSize && command != Opcode::XSDRB && command != Opcode::XSDRC &&
        command != Opcode::XSDRE) {
        maskSinceSize = true;
        note("mask-undefined",
             "no XTDOMASK since XSDRSIZE: players compare against a mask left undefined; read "
             "as comparing no bit");
    }
    if (withTdo && command != Opcode::XSDRTDO && !tdoFormsNoted && maskHasBits) {
        tdoFormsNoted = true;
        note("tdo-pieces-uncompared",
             std::string(commandName) +
                 ": compared here under XTDOMASK, as the format says; a common player compares no "
                 "bit of it");
    }
    switch (command) {
        case Opcode::XSDRINC:
            if (!in.number(1, incrementsLeft)) {
                return truncated();
            }
            incrementTdi = tdi.toBytes();  // the steps change bits: kept in memory
            if (incrementTdi.size() != bytesFor(sdrSize)) {
                throw std::bad_alloc();
            }
            pushDataScan(std::move(tdi), ScanEnd::Step, maskHasBits);
            return true;
        case Opcode::XSDRB:
        case Opcode::XSDRC:
        case Opcode::XSDRTDOB:
        case Opcode::XSDRTDOC:
            pushDataScan(std::move(tdi), ScanEnd::Piece, withTdo);
            return true;
        case Opcode::XSDRE:
        case Opcode::XSDRTDOE:
            pushDataScan(std::move(tdi), ScanEnd::LastPiece, withTdo);
            return true;
        default:
            pushDataScan(std::move(tdi), ScanEnd::Step, withTdo || maskHasBits);
            return true;
    }
}

// The next XSDRINC step: the address under the address mask plus one, then the data bytes of
// this step placed under the data mask, least significant bit at the lowest masked bit.
bool XsvfReader::Impl::readIncrement() {
    --incrementsLeft;
    std::vector<uint8_t> data;
    if (!readVector(dataBits, data)) {
        return false;
    }
    std::vector<uint8_t>& tdi = incrementTdi;
    const bool masksFit = addressMask.size() == tdi.size() && dataMask.size() == tdi.size();
    if (masksFit) {
        bool carry = true;
        for (uint64_t i = 0; i < sdrSize && carry; ++i) {
            if (bitAt(addressMask, i)) {
                carry = bitAt(tdi, i);
                setBit(tdi, i, !carry);
            }
        }
        uint64_t next = 0;
        for (uint64_t i = 0; i < sdrSize && next < dataBits; ++i) {
            if (bitAt(dataMask, i)) {
                setBit(tdi, i, bitAt(data, next++));
            }
        }
    }
    pushDataScan(Bits::fromBytes(tdi, sdrSize), ScanEnd::Step, maskHasBits);
    return true;
}

XsvfReader::Impl::Pending& XsvfReader::Impl::push(Keyword keyword) {
    Pending& pending = queue.emplace_back();
    pending.statement.keyword = keyword;
    pending.statement.position = kelsvfreader::Position{commandOffset, 0};
    pending.statement.end = pending.statement.position;
    return pending;
}

// Before every scan: the end state it needs, written only where it changes; the scan ends there.
void XsvfReader::Impl::pushEnd(bool ir, TapState state) {
    TapState& queued = queuedEnd[ir ? 1 : 0];
    if (queued != state) {
        queued = state;
        push(ir ? Keyword::EndIR : Keyword::EndDR).statement.state = state;
    }
    queuedTap = state;
}

void XsvfReader::Impl::pushScan(bool ir, uint32_t bits, Bits tdi, const Bits* tdo) {
    Pending& pending = push(ir ? Keyword::SIR : Keyword::SDR);
    pending.statement.scanKind = ir ? ScanKind::SIR : ScanKind::SDR;
    ScanValues& values = pending.values;
    values.bitCount = bits;
    values.tdi = std::move(tdi);
    values.tdiGiven = true;
    if (tdo != nullptr) {
        // Empty (none given since XSDRSIZE) is zeros; a mask of zeros is given, not all ones.
        values.tdoGiven = true;
        values.maskGiven = true;
        values.tdo = tdo->size() == bits ? *tdo : Bits::zeros(bits);
        values.setMask(tdoMask.size() == bits ? tdoMask : Bits::zeros(bits));
    }
}

void XsvfReader::Impl::pushDataScan(Bits tdi, ScanEnd end, bool compared) {
    const bool waits = end == ScanEnd::Step && runTest != 0;
    pushEnd(false, end == ScanEnd::Piece ? KELJTAG_PAUSE_DR
                   : waits               ? KELJTAG_RUN_TEST_IDLE
                                         : endDR);
    pushScan(false, sdrSize, std::move(tdi), compared ? &expected : nullptr);
    if (waits) {
        pushRunTest(KELJTAG_RUN_TEST_IDLE, KELJTAG_RUN_TEST_IDLE, true, runTest, true, runTest);
    }
}

void XsvfReader::Impl::pushRunTest(TapState run, TapState end, bool hasCount, uint64_t count,
                                   bool hasTime, uint64_t microseconds) {
    kelsvfreader::RunTest& wait = push(Keyword::RunTest).statement.run;
    wait.runState = run;
    wait.endState = end;
    wait.runStateGiven = wait.endStateGiven = true;
    wait.hasCount = hasCount;
    wait.count = count;
    wait.hasMinTime = hasTime;
    wait.minTime = kelsvfreader::Time{microseconds, true};
    queuedTap = end;
}

}  // namespace kelxsvf
