// The checksum of description files.
//
// A description file begins with a 32-bit checksum of all its following bytes, most
// significant byte first. The checksum is a shift register that starts at 0: for every
// data bit, from bit 7 of each byte down to bit 0, the register shifts left by one (bit 31
// drops out), the data bit enters at bit 0, and if bit 31 is then set the register is
// exclusive-ored with 0xEDB88320. It is not CRC-32 and does not give CRC-32's values; a
// computed checksum never exceeds 0x7FFFFFFF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <iosfwd>
#include <string>
#include <string_view>

constexpr std::uint32_t kChecksumPolynomial = 0xEDB88320u;

// Folds count bytes into the register and returns the new register. Feeding bytes in
// pieces gives the same result as feeding them whole. Table-driven.
std::uint32_t UpdateChecksum(std::uint32_t reg, const unsigned char* bytes, std::size_t count);
inline std::uint32_t UpdateChecksum(std::uint32_t reg, std::string_view bytes)
{
    return UpdateChecksum(reg, reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

// The same register, stepped bit by bit exactly as defined above. It is the reference the
// table-driven form is checked against.
std::uint32_t UpdateChecksumBitwise(std::uint32_t reg, const unsigned char* bytes, std::size_t count);

// The checksum of the rest of an open stream, from its position to its end (or to the
// first failing read). Returns 0.
int ChecksumFile(std::istream& file, std::uint32_t& result);

// The stored value of a checksum field, and the four bytes that store a value.
std::uint32_t ReadStoredChecksum(const unsigned char bytes[4]);
void WriteStoredChecksum(std::uint32_t value, unsigned char bytes[4]);

enum class ChecksumStatus {
    Ok,          // stored and computed checksums are equal
    Mismatch,    // they differ
    TooShort,    // fewer than 4 bytes
    CannotOpen,  // the file cannot be opened, or is not a regular file (a directory, a FIFO)
};

struct ChecksumCheck {
    ChecksumStatus status = ChecksumStatus::CannotOpen;
    std::uint32_t stored = 0;    // valid for Ok and Mismatch
    std::uint32_t computed = 0;  // valid for Ok and Mismatch
};

// Checks the bytes of a whole file (checksum field included).
ChecksumCheck CheckChecksum(std::string_view fileBytes);

// Checks a file on disk.
ChecksumCheck CheckFileChecksum(const std::filesystem::path& file);

// 0 when the file's stored checksum matches its contents; 255 when it does not, when the
// file has fewer than 4 bytes or cannot be opened. An unopenable file prints
// "<name> \tCan't open file\n" to out (to standard output in the one-argument form).
std::uint8_t VerifyFileChecksum(const std::filesystem::path& file, const std::string& displayName,
                                std::ostream& out);
std::uint8_t VerifyFileChecksum(const std::string& fileName);
