// kvsenv: the suite's environment library.
//
// KVgetenv(name) answers from the store, then from the process environment;
// KVgetopt(name) from the store only. The store is the file named by
// KVS_CONFIG: lines NAME=VALUE (blanks around name and value are dropped),
// '#' comment lines and blank lines ignored; a later line for the same name
// wins. The file is read once per load of the module, and the answers stay
// valid until the module is unloaded.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <map>
#include <string>
#include <string_view>

#define KVSENV_API extern "C" __attribute__((visibility("default")))

namespace {

std::string_view trim(std::string_view s)
{
    const char *blanks = " \t\r\n";
    auto start = s.find_first_not_of(blanks);
    if (start == std::string_view::npos) return {};
    auto end = s.find_last_not_of(blanks);
    return s.substr(start, end - start + 1);
}

std::map<std::string, std::string, std::less<>> read_store(const char *path)
{
    std::map<std::string, std::string, std::less<>> store;
    if (!path || !*path) return store;
    FILE *f = std::fopen(path, "r");
    if (!f) {
        // Read once per process, so said once: the settings of the file are missing.
        (void)std::fprintf(stderr, "kvsenv: cannot read the KVS_CONFIG file %s: %s\n", path, std::strerror(errno));
        return store;
    }
    std::string line;
    for (int c = std::fgetc(f);; c = std::fgetc(f)) {
        if (c != EOF && c != '\n') {
            line += static_cast<char>(c);
            continue;
        }
        std::string_view text = trim(line);
        auto eq = text.find('=');
        if (!text.empty() && text.front() != '#' && eq != std::string_view::npos) {
            std::string_view name = trim(text.substr(0, eq));
            if (!name.empty()) store[std::string(name)] = std::string(trim(text.substr(eq + 1)));
        }
        line.clear();
        if (c == EOF) break;
    }
    (void)std::fclose(f);  // opened for reading: nothing to lose on close
    return store;
}

const char *from_store(const char *name)
{
    static const auto store = read_store(std::getenv("KVS_CONFIG"));
    if (!name) return nullptr;
    auto it = store.find(std::string_view(name));
    return it == store.end() ? nullptr : it->second.c_str();
}

}  // namespace

KVSENV_API const char *KVgetopt(const char *name)
{
    try {
        return from_store(name);
    } catch (...) {
        return nullptr;
    }
}

KVSENV_API const char *KVgetenv(const char *name)
{
    const char *value = KVgetopt(name);
    return value ? value : (name ? std::getenv(name) : nullptr);
}
