// Checks SVF text the plug-in wrote as a player would take it: played on the chain the test
// described, no scan may fail to fit and no statement may be refused; with no chain known, the
// reader must read it to the end.
#ifndef KEL_TESTS_HOST_SVF_CHECK_H
#define KEL_TESTS_HOST_SVF_CHECK_H

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kelhost::test {

// Success when `bytes` plays on a chain of these IR lengths (device 0 first) without an error
// finding; warnings do not fail it but are listed in the message. With no IR lengths (none
// described, or an empty chain) the text need only read without error.
::testing::AssertionResult svfChecksClean(const std::string& bytes,
                                          const std::optional<std::vector<uint32_t>>& irLengths);

}  // namespace kelhost::test

#endif  // KEL_TESTS_HOST_SVF_CHECK_H
