#pragma once

#include <string>

namespace testsupport
{
/** The SHA-256 digest of the bytes, as 64 lower-case hex digits. */
std::string sha256Hex(const std::string& bytes);
} // namespace testsupport
