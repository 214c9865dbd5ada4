#include "compiler/reproducible.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <sstream>

#include "compiler/diagnostics.h"

namespace compiler {
namespace {

constexpr std::int64_t kDosEpoch = 315532800;  // 1980-01-01, the oldest time a zip or FAT holds
// Windows keeps the PE time stamp in 32 bits; later times would wrap.
constexpr std::int64_t kLatestPeTime = std::numeric_limits<std::uint32_t>::max();

std::int64_t ParseEpoch(std::string_view text) {
    std::int64_t value = 0;
    if (text.empty() || text.size() > 10 || text.find_first_not_of("0123456789") != text.npos)
        throw CompileError(
            "SOURCE_DATE_EPOCH must be seconds since 1970 as a decimal number, not \"" +
            std::string(text) + "\"");
    for (char c : text)
        value = value * 10 + (c - '0');
    if (value > kLatestPeTime)
        throw CompileError("SOURCE_DATE_EPOCH is too late for a Windows program: " +
                           std::string(text));
    return value;
}

std::int64_t ModificationTime(const std::string& path) {
    struct stat state {};
    if (::stat(path.c_str(), &state) != 0)
        throw CompileError(path + ": cannot read its modification time: " + std::strerror(errno));
    return state.st_mtime;
}

std::string ReadFile(const std::string& path) {
    std::ifstream stream(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << stream.rdbuf();
    if (!stream)
        throw CompileError(path + ": cannot read the setup to stamp it");
    return bytes.str();
}

std::uint32_t Little32(const std::string& bytes, size_t at) {
    std::uint32_t value = 0;
    for (size_t i = 0; i < 4; ++i)
        value |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return value;
}

void PutLittle32(std::string& bytes, size_t at, std::uint32_t value) {
    for (size_t i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

}  // namespace

std::int64_t SetupTime(const std::vector<std::string>& sources) {
    if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch && *epoch)
        return ParseEpoch(epoch);
    std::int64_t newest = kDosEpoch;
    for (const std::string& source : sources)
        newest = std::max(newest, ModificationTime(source));
    return std::min(newest, kLatestPeTime);
}

void SetFileTime(const std::string& path, std::int64_t time) {
    const struct timespec times[2] = {{static_cast<time_t>(time), 0},
                                      {static_cast<time_t>(time), 0}};
    if (::utimensat(AT_FDCWD, path.c_str(), times, 0) != 0)
        throw CompileError(path + ": cannot set its time: " + std::strerror(errno));
}

std::uint32_t PeChecksum(const std::string& bytes) {
    std::uint64_t sum = 0;
    for (size_t at = 0; at < bytes.size(); at += 2) {
        std::uint32_t word = static_cast<unsigned char>(bytes[at]);
        if (at + 1 < bytes.size())
            word |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + 1])) << 8;
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint32_t>(sum + bytes.size());
}

void StampPeHeader(const std::string& path, std::int64_t time) {
    std::string bytes = ReadFile(path);
    const auto fail = [&] { throw CompileError(path + ": not a Windows program (no PE header)"); };
    if (bytes.size() < 0x40 || bytes.compare(0, 2, "MZ") != 0)
        fail();
    const size_t pe = Little32(bytes, 0x3C);
    // Signature (4), file header (20), then the optional header whose checksum is at 64.
    if (pe > bytes.size() || bytes.size() - pe < 4 + 20 + 68 ||
        bytes.compare(pe, 4, std::string("PE\0\0", 4)) != 0)
        fail();
    const size_t checksum = pe + 4 + 20 + 64;
    PutLittle32(bytes, pe + 8, static_cast<std::uint32_t>(time));
    PutLittle32(bytes, checksum, 0);
    PutLittle32(bytes, checksum, PeChecksum(bytes));
    std::ofstream stream(path, std::ios::binary | std::ios::in | std::ios::out);
    stream.write(bytes.data(), static_cast<std::streamsize>(pe + 4 + 20 + 68));
    if (!stream.flush())
        throw CompileError(path + ": cannot write the PE header");
}

}  // namespace compiler
