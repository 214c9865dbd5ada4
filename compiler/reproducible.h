#pragma once
// What makes two builds of the same script and sources the same bytes: one time for everything
// the setup records (the installed files' times, the setup's PE header), taken from the sources
// rather than the clock.
#include <cstdint>
#include <string>
#include <vector>

namespace compiler {

// Seconds since 1970 that the setup carries: SOURCE_DATE_EPOCH when set and not empty (a
// decimal number, anything else is a CompileError naming it), otherwise the newest modification
// time of the sources; 1980-01-01 when there are none.
std::int64_t SetupTime(const std::vector<std::string>& sources);

// Gives the file that modification time. Throws CompileError naming the file.
void SetFileTime(const std::string& path, std::int64_t time);

// Writes the time into the PE header's time stamp of a Windows program and recomputes the
// header's checksum over the whole file. Throws CompileError when the file is no PE program.
void StampPeHeader(const std::string& path, std::int64_t time);

// The PE checksum of a program's bytes whose checksum field holds zero.
std::uint32_t PeChecksum(const std::string& bytes);

}  // namespace compiler
