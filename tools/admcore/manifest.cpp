// manifest.cpp - record file manifests: count, size and SHA-256.
#include "manifest.hpp"

#include <openssl/evp.h>

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

namespace admcore {
namespace {

constexpr const char *kFormat = "tarnadm-manifest 1";

struct DigestDeleter {
    void operator()(EVP_MD_CTX *context) const { EVP_MD_CTX_free(context); }
};

// The SHA-256 of the file's bytes in hexadecimal, "" when it cannot be read.
std::string file_sha256(const std::string &path, std::uintmax_t &bytes)
{
    std::ifstream in(path, std::ios::binary);
    std::unique_ptr<EVP_MD_CTX, DigestDeleter> context(EVP_MD_CTX_new());
    if (!in || !context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) return {};
    char buffer[1 << 16];
    bytes = 0;
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        bytes += static_cast<std::uintmax_t>(in.gcount());
        if (EVP_DigestUpdate(context.get(), buffer, static_cast<std::size_t>(in.gcount())) != 1) return {};
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int size = 0;
    if (in.bad() || EVP_DigestFinal_ex(context.get(), digest, &size) != 1) return {};
    std::string hex;
    for (unsigned i = 0; i < size; ++i) {
        char pair[3];
        std::snprintf(pair, sizeof pair, "%02x", digest[i]);
        hex += pair;
    }
    return hex;
}

template <class T> bool number(const std::string &text, T &value)
{
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

}  // namespace

std::string manifest_path(const std::string &file) { return file + ".manifest"; }

Failure write_manifest(const std::string &file, std::size_t records)
{
    const std::string path = manifest_path(file), partial = path + ".partial";
    std::uintmax_t bytes = 0;
    const std::string digest = file_sha256(file, bytes);
    if (digest.empty()) return Problem("cannot read " + file + " back for its manifest", Outcome::Internal);
    {
        std::ofstream out(partial, std::ios::trunc);
        out << "format=" << kFormat << "\nrecords=" << records << "\nbytes=" << bytes << "\nsha256=" << digest << "\n";
        if (!out.flush()) {
            std::remove(partial.c_str());
            return Problem("cannot write the manifest " + path + ": " + std::strerror(errno), Outcome::Internal);
        }
    }
    if (std::rename(partial.c_str(), path.c_str()) != 0) {
        std::remove(partial.c_str());
        return Problem("cannot write the manifest " + path + ": " + std::strerror(errno), Outcome::Internal);
    }
    return std::nullopt;
}

Result<std::optional<Manifest>> read_manifest(const std::string &file)
{
    const std::string path = manifest_path(file);
    std::error_code error;
    if (!std::filesystem::exists(path, error)) return std::optional<Manifest>();
    std::ifstream in(path);
    Manifest manifest;
    bool format = false, records = false, bytes = false;
    for (std::string line; std::getline(in, line);) {
        const std::size_t equals = line.find('=');
        const std::string name = line.substr(0, equals),
                          value = equals == std::string::npos ? "" : line.substr(equals + 1);
        if (name == "format") format = value == kFormat;
        else if (name == "records") records = number(value, manifest.records);
        else if (name == "bytes") bytes = number(value, manifest.bytes);
        else if (name == "sha256") manifest.sha256 = value;
    }
    if (!in.eof() || !format || !records || !bytes || manifest.sha256.size() != 64)
        return Problem("the manifest " + path + " cannot be read (format " + kFormat + " expected)", Outcome::Usage);
    return std::optional<Manifest>(manifest);
}

Failure check_manifest(const std::string &file, std::size_t records)
{
    Result<std::optional<Manifest>> manifest = read_manifest(file);
    if (!manifest) return manifest.problem();
    if (!*manifest) return std::nullopt;
    std::uintmax_t bytes = 0;
    const std::string digest = file_sha256(file, bytes);
    std::string why;
    if (records != (*manifest)->records)
        why = std::to_string(records) + " records where its manifest counts " + std::to_string((*manifest)->records);
    else if (bytes != (*manifest)->bytes || digest != (*manifest)->sha256)
        why = "other bytes than its manifest names (" + std::to_string(bytes) + " bytes, " +
              std::to_string((*manifest)->bytes) + " expected)";
    if (why.empty()) return std::nullopt;
    return Problem(file + " holds " + why + "; nothing imported", Outcome::Usage);
}

}  // namespace admcore
