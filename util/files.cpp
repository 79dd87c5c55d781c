// Files: streams, line reading, sizes and temporary names.
#include "TarnUtil.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

extern "C" {

FILE *TarnOpenFile(const char *path, const char *mode)
{
    if (!path || !mode) return nullptr;
    return std::fopen(path, mode);
}

int TarnCloseFile(FILE *stream) { return stream ? std::fclose(stream) : EOF; }

int TarnReadString(char *buffer, size_t size, FILE *stream)
{
    if (!buffer || size == 0 || !stream) return 0;
    std::size_t n = 0;
    int c = 0;
    bool any = false;
    while ((c = std::fgetc(stream)) != EOF) {
        any = true;
        if (c == '\n') break;
        if (n + 1 < size) buffer[n++] = static_cast<char>(c);
    }
    if (n > 0 && buffer[n - 1] == '\r') --n;
    buffer[n] = '\0';
    return any ? 1 : 0;
}

int TarnGetFileInfo(const char *path, TarnFileInfo *pInfo)
{
    if (!pInfo) return 0;
    std::memset(pInfo, 0, sizeof *pInfo);
    struct stat st;
    if (!path || ::stat(path, &st) != 0) return 0;
    pInfo->size = static_cast<unsigned long long>(st.st_size);
    pInfo->modified = st.st_mtime;
    pInfo->isDirectory = S_ISDIR(st.st_mode) ? 1 : 0;
    return 1;
}

int TarnGetFileSize(const char *path, unsigned long long *pSize)
{
    TarnFileInfo info;
    int ok = TarnGetFileInfo(path, &info);
    if (pSize) *pSize = info.size;
    return ok;
}

int TarnGetTempFileName(const char *directory, const char *prefix, char *buffer)
{
    if (!buffer) return 0;
    buffer[0] = '\0';
    const char *dir = directory && *directory ? directory : std::getenv("TMPDIR");
    if (!dir || !*dir) dir = "/tmp";
    char pattern[TARN_MAX_PATH];
    const char *sep = dir[std::strlen(dir) - 1] == '/' ? "" : "/";
    int n = std::snprintf(pattern, sizeof pattern, "%s%s%sXXXXXX", dir, sep, prefix ? prefix : "");
    if (n < 0 || static_cast<std::size_t>(n) >= sizeof pattern) return 0;
    int fd = ::mkstemp(pattern);
    if (fd < 0) return 0;
    ::close(fd);
    std::memcpy(buffer, pattern, static_cast<std::size_t>(n) + 1);
    return 1;
}

int TarnFormatStrToFile(FILE *stream, const char *format, ...)
{
    if (!stream || !format) return -1;
    va_list args;
    va_start(args, format);
    int n = std::vfprintf(stream, format, args);
    va_end(args);
    return n;
}

}  // extern "C"
