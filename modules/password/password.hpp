// Stored passwords of the demo router's users: a per-user random salt and a
// PBKDF2-HMAC-SHA256 hash with a per-user iteration count, never the
// password itself. Shared by the router (LOGON) and the tarnuser tool.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tarn::password {

inline constexpr std::size_t kSaltSize = 16;
inline constexpr std::size_t kHashSize = 32;
inline constexpr int kDefaultIterations = 200000;
// Iteration counts a stored record may carry (the USERS table checks the same).
inline constexpr int kMinIterations = 1000;
inline constexpr int kMaxIterations = 100000000;

// One user's stored password. Salt and hash are raw bytes.
struct Record {
    std::string salt;
    std::string hash;
    int iterations = kDefaultIterations;
};

// A new record for `password` with a fresh random salt; false when the
// random generator or the derivation fails.
bool make_record(std::string_view password, Record &record, int iterations = kDefaultIterations);

// Whether `password` derives the record's hash, compared in constant time.
// A malformed record (sizes, iteration count) never matches.
bool matches(std::string_view password, const Record &record);

// A record no password matches, with the default cost: checking a password
// of an unknown user against it takes as long as checking a wrong one.
const Record &dummy_record();

}  // namespace tarn::password
