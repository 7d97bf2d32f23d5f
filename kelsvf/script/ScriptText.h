// What a script file may hold: a file that is not text at all is refused as a whole rather than
// reported line by line (ScriptReader stops at the first byte that no text holds).
#ifndef KELSVF_SCRIPT_TEXT_H
#define KELSVF_SCRIPT_TEXT_H

namespace kelsvf {

// Tab, line and page breaks, escape and every byte from 0x20 up; a NUL or another control
// byte is no text.
bool isScriptTextByte(unsigned char byte);

}  // namespace kelsvf

#endif  // KELSVF_SCRIPT_TEXT_H
