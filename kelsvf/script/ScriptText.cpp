#include "script/ScriptText.h"

namespace kelsvf {

bool isScriptTextByte(unsigned char byte) {
    return byte >= 0x20 || byte == '\t' || byte == '\n' || byte == '\v' || byte == '\f' ||
           byte == '\r' || byte == 0x1B;
}

}  // namespace kelsvf
