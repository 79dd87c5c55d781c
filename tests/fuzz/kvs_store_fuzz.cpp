// The environment store file (KVS_CONFIG) as the kvsenv module reads it.
// The module reads its file once per load, so its source is built into this
// target and the reader runs on every input, with coverage guidance.
// Every entry kept must be a trimmed, non-empty name without '=' or a line
// break, and a trimmed value without a line break.
#include "fuzz_support.hpp"

#include "modules/kvsenv/kvsenv.cpp"

namespace {

bool trimmed(std::string_view s)
{
    constexpr std::string_view blanks = " \t\r\n";
    return s.empty() ||
           (blanks.find(s.front()) == std::string_view::npos && blanks.find(s.back()) == std::string_view::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    static const std::string path = fuzz::scratch_file("kvs.cfg");
    fuzz::write_file(path, data, size);
    for (const auto &[name, value] : read_store(path.c_str())) {
        if (name.empty() || !trimmed(name) || !trimmed(value)) std::abort();
        if (name.find_first_of("=\n") != std::string::npos || value.find('\n') != std::string::npos) std::abort();
        if (name.front() == '#') std::abort();
    }
    return 0;
}
