// sessions.cpp - the session store's directories and files, each checked
// for owner, type and mode before it is used.
#include "sessions.hpp"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>

namespace admcore {
namespace {

constexpr std::size_t kMaxFile = 8192;
constexpr long kMaxDuration = 10L * 366 * 24 * 3600;

Problem store_problem(std::string what) { return Problem(std::move(what), Outcome::Usage); }

std::string mode_text(mode_t mode)
{
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(mode & 07777));
    return text;
}

// What is wrong with a directory or file the store is to trust: "" when
// nothing is.
std::string untrusted(const struct stat &st, bool directory)
{
    if (directory ? !S_ISDIR(st.st_mode) : !S_ISREG(st.st_mode))
        return directory ? "is not a directory" : "is not a regular file";
    if (st.st_uid != geteuid()) return "belongs to user id " + std::to_string(st.st_uid) + ", not to this user";
    if (st.st_mode & 077)
        return "has mode " + mode_text(st.st_mode) + ": it must give others no access (mode " +
               (directory ? "0700" : "0600") + ")";
    return {};
}

// Checks (and with `create` makes) one directory of the store's path.
Failure private_directory(const std::string &path, bool create, bool &exists)
{
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) {
        exists = false;
        if (errno != ENOENT) return store_problem("the session directory " + path + ": " + std::strerror(errno));
        if (!create) return std::nullopt;
        if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
            return store_problem("cannot make the session directory " + path + ": " + std::strerror(errno));
        if (lstat(path.c_str(), &st) != 0)
            return store_problem("the session directory " + path + ": " + std::strerror(errno));
    }
    exists = true;
    if (S_ISLNK(st.st_mode)) return store_problem("the session directory " + path + " is a link: refused");
    if (std::string why = untrusted(st, true); !why.empty())
        return store_problem("the session directory " + path + " " + why + ": refused");
    return std::nullopt;
}

std::string home_directory()
{
    if (const char *home = std::getenv("HOME"); home && *home) return home;
    if (const passwd *entry = getpwuid(geteuid()); entry && entry->pw_dir) return entry->pw_dir;
    return {};
}

// A name part of a session file: letters, digits, '_', '-' and '.' stay
// (a leading '.' does not); anything else is %XX.
std::string encoded(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (std::isalnum(c) || c == '_' || c == '-' || (c == '.' && i > 0)) {
            out += static_cast<char>(c);
        } else {
            char hex[4];
            std::snprintf(hex, sizeof hex, "%%%02X", c);
            out += hex;
        }
    }
    return out;
}

int hex_digit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

bool to_time(std::string_view text, std::time_t &time)
{
    long long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || value < 0) return false;
    time = static_cast<std::time_t>(value);
    return true;
}

// The fixed buffer a session file is read into, wiped when it goes.
struct FileText {
    char bytes[kMaxFile] = {};
    std::size_t size = 0;
    ~FileText() { explicit_bzero(bytes, sizeof bytes); }
};

// Opens a session file without following a link and checks it; reads it whole.
Failure read_file(const std::string &path, FileText &text, bool &missing)
{
    missing = false;
    const int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        if (errno == ENOENT) return missing = true, std::nullopt;
        if (errno == ELOOP) return store_problem("the session file " + path + " is a link: refused");
        return store_problem("cannot read the session file " + path + ": " + std::strerror(errno));
    }
    struct stat st {};
    std::string why = fstat(fd, &st) != 0 ? std::strerror(errno) : untrusted(st, false);
    if (why.empty() && st.st_size >= static_cast<off_t>(kMaxFile)) why = "is too long for a session file";
    ssize_t n = 0;
    while (why.empty() && text.size < kMaxFile - 1 &&
           (n = read(fd, text.bytes + text.size, kMaxFile - 1 - text.size)) > 0)
        text.size += static_cast<std::size_t>(n);
    if (why.empty() && n < 0) why = std::strerror(errno);
    close(fd);
    if (!why.empty()) return store_problem("the session file " + path + " " + why + ": refused");
    return std::nullopt;
}

// The fields of a session file's text; its password into `secret`.
Failure parse(const std::string &path, const FileText &text, StoredSession &session, Secret &secret)
{
    std::string_view rest(text.bytes, text.size);
    bool hasSecret = false, hasStart = false, hasEnd = false;
    while (!rest.empty()) {
        const std::size_t end = rest.find('\n');
        std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if (line.empty() || line.front() == '#') continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string_view::npos) return store_problem("the session file " + path + " is damaged");
        const std::string_view name = line.substr(0, equals), value = line.substr(equals + 1);
        if (name == "node") session.key.node = value;
        else if (name == "local_user") session.key.localUser = value;
        else if (name == "router") session.key.router = value;
        else if (name == "user") session.userId = value;
        else if (name == "started") hasStart = to_time(value, session.started);
        else if (name == "expires") hasEnd = to_time(value, session.expires);
        else if (name == "secret") {
            secret.clear();
            hasSecret = value.size() % 2 == 0 && !value.empty();
            for (std::size_t i = 0; hasSecret && i < value.size(); i += 2) {
                const int high = hex_digit(value[i]), low = hex_digit(value[i + 1]);
                hasSecret = high >= 0 && low >= 0 && secret.push(static_cast<char>(high * 16 + low));
            }
        }
    }
    if (!hasSecret || !hasStart || !hasEnd || session.userId.empty() || session.key.node.empty() ||
        session.key.router.empty())
        return store_problem("the session file " + path + " is damaged");
    session.path = path;
    return std::nullopt;
}

bool write_all(int fd, const char *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

Result<SessionStore> SessionStore::open(std::string_view tool, bool create)
{
    const std::string name(tool);
    bool exists = false;
    const char *runtime = std::getenv("XDG_RUNTIME_DIR");
    struct stat st {};
    // A runtime directory that is not the user's private one (another
    // user's, kept by su) is passed over for the home's.
    if (runtime && *runtime == '/' && lstat(runtime, &st) == 0 && untrusted(st, true).empty()) {
        const std::string directory = std::string(runtime) + "/" + name;
        if (Failure failure = private_directory(directory, create, exists)) return *failure;
        return SessionStore(directory);
    }
    const std::string home = home_directory();
    if (home.empty()) return store_problem("no home directory for the session store: set HOME or XDG_RUNTIME_DIR");
    const std::string parent = home + "/." + name, directory = parent + "/sessions";
    if (Failure failure = private_directory(parent, create, exists)) return *failure;
    if (!exists) return SessionStore(directory);
    if (Failure failure = private_directory(directory, create, exists)) return *failure;
    return SessionStore(directory);
}

std::string SessionStore::path_of(const SessionKey &key) const
{
    return directory_ + "/" + encoded(key.node) + "@" + encoded(key.localUser) + "@" + encoded(key.router);
}

Result<std::optional<StoredSession>> SessionStore::find(const SessionKey &key, Secret &secret) const
{
    const std::string path = path_of(key);
    FileText text;
    bool missing = false;
    if (Failure failure = read_file(path, text, missing)) return *failure;
    if (missing) return std::optional<StoredSession>();
    StoredSession session;
    if (Failure failure = parse(path, text, session, secret)) return *failure;
    if (session.key.node != key.node || session.key.localUser != key.localUser || session.key.router != key.router)
        return store_problem("the session file " + path + " names another session: refused");
    return std::optional<StoredSession>(std::move(session));
}

Failure SessionStore::save(StoredSession &session, const Secret &secret) const
{
    bool exists = false;
    if (Failure failure = private_directory(directory_, false, exists)) return *failure;
    if (!exists) return store_problem("the session directory " + directory_ + " does not exist");
    session.path = path_of(session.key);
    // The whole text in one buffer that never grows, wiped after the write.
    FileText text;
    auto put = [&text](std::string_view part) {
        const std::size_t n = std::min(part.size(), kMaxFile - 1 - text.size);
        std::memcpy(text.bytes + text.size, part.data(), n);
        text.size += n;
        return n == part.size();
    };
    bool fits = put("# A session of tarnadm: removed by logoff. It holds the password; keep it private.\n") &&
                put("node=") && put(session.key.node) && put("\nlocal_user=") && put(session.key.localUser) &&
                put("\nrouter=") && put(session.key.router) && put("\nuser=") && put(session.userId) &&
                put("\nstarted=") && put(std::to_string(session.started)) && put("\nexpires=") &&
                put(std::to_string(session.expires)) && put("\nsecret=");
    static constexpr char kHex[] = "0123456789abcdef";
    for (char c : secret.view()) {
        const char pair[2] = {kHex[(static_cast<unsigned char>(c) >> 4) & 15],
                              kHex[static_cast<unsigned char>(c) & 15]};
        fits = fits && put(std::string_view(pair, 2));
    }
    fits = fits && put("\n");
    if (!fits) return store_problem("the session is too long to keep");
    const std::string partial = directory_ + "/.partial-" + std::to_string(getpid());
    unlink(partial.c_str());
    const int fd = ::open(partial.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return store_problem("cannot write the session file " + session.path + ": " + std::strerror(errno));
    const bool written = fchmod(fd, 0600) == 0 && write_all(fd, text.bytes, text.size) && fsync(fd) == 0;
    const int error = errno;
    if (close(fd) != 0 || !written || rename(partial.c_str(), session.path.c_str()) != 0) {
        const std::string why = std::strerror(written ? errno : error);
        unlink(partial.c_str());
        return store_problem("cannot write the session file " + session.path + ": " + why);
    }
    return std::nullopt;
}

Failure SessionStore::remove(const StoredSession &session) const
{
    if (unlink(session.path.c_str()) != 0 && errno != ENOENT)
        return store_problem("cannot remove the session file " + session.path + ": " + std::strerror(errno));
    return std::nullopt;
}

std::vector<StoreEntry> SessionStore::list() const
{
    std::vector<StoreEntry> entries;
    DIR *dir = opendir(directory_.c_str());
    if (!dir) return entries;
    std::vector<std::string> names;
    while (const dirent *entry = readdir(dir))
        if (entry->d_name[0] != '.') names.emplace_back(entry->d_name);
    closedir(dir);
    std::sort(names.begin(), names.end());
    for (const std::string &name : names) {
        StoreEntry entry;
        entry.session.path = directory_ + "/" + name;
        FileText text;
        Secret scratch;
        bool missing = false;
        Failure failure = read_file(entry.session.path, text, missing);
        if (missing) continue;
        if (!failure) failure = parse(entry.session.path, text, entry.session, scratch);
        if (failure) entry.problem = failure->what;
        entries.push_back(std::move(entry));
    }
    return entries;
}

bool parse_duration(std::string_view text, long &seconds)
{
    long value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || value <= 0) return false;
    const std::string_view unit(end, static_cast<std::size_t>(text.data() + text.size() - end));
    long scale = 0;
    if (unit.empty() || unit == "s") scale = 1;
    else if (unit == "m") scale = 60;
    else if (unit == "h") scale = 3600;
    else if (unit == "d") scale = 86400;
    if (scale == 0 || value > kMaxDuration / scale) return false;
    seconds = value * scale;
    return true;
}

std::string format_time(std::time_t time)
{
    std::tm local{};
    char text[64] = "";
    if (localtime_r(&time, &local)) std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S %Z", &local);
    return text;
}

}  // namespace admcore
