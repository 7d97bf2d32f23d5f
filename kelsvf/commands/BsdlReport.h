// What kelsvf bsdl prints of a BSDL file: the part as a person reads it, or as one JSON object.
#ifndef KELSVF_BSDL_REPORT_H
#define KELSVF_BSDL_REPORT_H

#include <string>

#include "kelbsdl/BsdlDescription.h"

namespace kelsvf {

// The description of a reading that did not fail, a line per fact, one per instruction and
// register, in the file's order.
std::string bsdlText(const kelbsdl::Description& part);

// The reading as one JSON object, with its notes; on an error only "file", "error" and
// "notes".
std::string bsdlJson(const std::string& file, const kelbsdl::Reading& reading);

// "FILE:LINE:COLUMN: note: TEXT" a line each, then "... and N more notes" when some were left
// out; the error as "FILE:LINE:COLUMN: error: TEXT".
std::string bsdlDiagnostics(const std::string& file, const kelbsdl::Reading& reading);

}  // namespace kelsvf

#endif  // KELSVF_BSDL_REPORT_H
