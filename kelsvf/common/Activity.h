// What kelsvf is doing now, for the one message that cannot name it where it happens: "kelsvf:
// out of memory while checking x.kel:4". Setting it allocates nothing.
#ifndef KELSVF_ACTIVITY_H
#define KELSVF_ACTIVITY_H

#include <string>

namespace kelsvf::activity {

// `what` is a literal ("reading the script"); `file` (with `line`) names where. The file name
// is copied only when another string is passed, so that a call per line costs nothing.
void set(const char* what, const std::string* file = nullptr, int line = 0);

// "checking x.kel:4", "reading the script".
std::string describe();

}  // namespace kelsvf::activity

#endif  // KELSVF_ACTIVITY_H
