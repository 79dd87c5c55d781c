// manifest.hpp - the manifest an export writes beside a record file, so
// that an import can tell a whole file from one cut at a record boundary
// (the record format itself carries no count). "<file>.manifest" is a text
// of "key=value" lines:
//
//   format=tarnadm-manifest 1
//   records=<number of data records, the header not counted>
//   bytes=<size of the record file>
//   sha256=<SHA-256 of the record file, hexadecimal>
//
// Other readers of record files ignore it. An import checks a file against
// its manifest when there is one and refuses a file that does not match.
#pragma once

#include "problem.hpp"

#include <cstdint>
#include <optional>
#include <string>

namespace admcore {

struct Manifest {
    std::size_t records = 0;
    std::uintmax_t bytes = 0;
    std::string sha256;
};

std::string manifest_path(const std::string &file);

// Writes the manifest of `file` with its `records` (replacing an older one).
Failure write_manifest(const std::string &file, std::size_t records);

// The manifest beside `file`, nullopt when there is none.
Result<std::optional<Manifest>> read_manifest(const std::string &file);

// A problem (Outcome::Usage) when `file`, read as `records` records, does
// not match its manifest; nothing when it does or has none.
Failure check_manifest(const std::string &file, std::size_t records);

}  // namespace admcore
