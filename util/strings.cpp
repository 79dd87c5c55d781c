// In-place string helpers, numeric conversions and bounded formatting.
#include "TarnUtil.h"

#include <cctype>
#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace {

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

int order_nulls(const char *a, const char *b) { return a ? 1 : (b ? -1 : 0); }

}  // namespace

extern "C" {

char *TarnCopyStr(char *to, const char *from)
{
    if (!to) return to;
    if (!from) from = "";
    std::memmove(to, from, std::strlen(from) + 1);
    return to;
}

char *TarnCopyNCharOfStr(char *to, const char *from, size_t size)
{
    if (!to || size == 0) return to;
    if (!from) from = "";
    std::size_t n = std::strlen(from);
    if (n > size - 1) n = size - 1;
    std::memmove(to, from, n);
    to[n] = '\0';
    return to;
}

char *TarnAppendStr(char *to, const char *from)
{
    // An unbounded append is this function's contract: the caller sizes the target.
    if (to && from) std::strcat(to, from);  // NOLINT(clang-analyzer-security.insecureAPI.strcpy)
    return to;
}

size_t TarnLengthOfStr(const char *text) { return text ? std::strlen(text) : 0; }

int TarnCompareStr(const char *a, const char *b)
{
    if (!a || !b) return order_nulls(a, b);
    return std::strcmp(a, b);
}

int TarnCompareNoCaseStr(const char *a, const char *b)
{
    if (!a || !b) return order_nulls(a, b);
    return strcasecmp(a, b);
}

int TarnCompareNCharOfStr(const char *a, const char *b, size_t n)
{
    if (!a || !b) return order_nulls(a, b);
    return std::strncmp(a, b, n);
}

int TarnCompareNoCaseNCharOfStr(const char *a, const char *b, size_t n)
{
    if (!a || !b) return order_nulls(a, b);
    return strncasecmp(a, b, n);
}

char *TarnUpperCaseStr(char *text)
{
    for (char *p = text; p && *p; ++p) *p = static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
    return text;
}

char *TarnLowerCaseStr(char *text)
{
    for (char *p = text; p && *p; ++p) *p = static_cast<char>(std::tolower(static_cast<unsigned char>(*p)));
    return text;
}

char *TarnTrimStr(char *text)
{
    if (!text) return text;
    char *start = text;
    while (is_blank(*start)) ++start;
    std::size_t n = std::strlen(start);
    while (n > 0 && is_blank(start[n - 1])) --n;
    std::memmove(text, start, n);
    text[n] = '\0';
    return text;
}

char *TarnFirstCharInStr(const char *text, int c) { return text ? const_cast<char *>(std::strchr(text, c)) : nullptr; }

char *TarnFirstStrInStr(const char *text, const char *s)
{
    return text && s ? const_cast<char *>(std::strstr(text, s)) : nullptr;
}

char *TarnNextCharInStr(const char *p)
{
    if (!p) return nullptr;
    return const_cast<char *>(*p ? p + 1 : p);
}

int TarnCountStrInStr(const char *text, const char *s)
{
    if (!text || !s || !*s) return 0;
    int count = 0;
    std::size_t n = std::strlen(s);
    for (const char *p = std::strstr(text, s); p; p = std::strstr(p + n, s)) ++count;
    return count;
}

int TarnReplaceCharInStr(char *text, int from, int to)
{
    int count = 0;
    for (char *p = text; p && *p; ++p) {
        if (*p == static_cast<char>(from)) {
            *p = static_cast<char>(to);
            ++count;
        }
    }
    return count;
}

char *TarnNextTokenInStr(char **pCursor, const char *delimiters)
{
    if (!pCursor || !*pCursor) return nullptr;
    char *token = *pCursor;
    char *end = delimiters ? std::strpbrk(token, delimiters) : nullptr;
    if (end) {
        *end = '\0';
        *pCursor = end + 1;
    } else {
        *pCursor = nullptr;
    }
    return token;
}

int TarnIntFromStr(const char *text)
{
    if (!text) return 0;
    long long value = std::strtoll(text, nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

double TarnRealFromStr(const char *text) { return text ? std::strtod(text, nullptr) : 0.0; }

char *TarnUlongToStr(unsigned long value, char *buffer, int radix)
{
    if (!buffer) return buffer;
    if (radix < 2 || radix > 36) radix = 10;
    char digits[sizeof(unsigned long) * CHAR_BIT + 1];
    int n = 0;
    do {
        unsigned long d = value % static_cast<unsigned long>(radix);
        digits[n++] = static_cast<char>(d < 10 ? '0' + d : 'A' + d - 10);
        value /= static_cast<unsigned long>(radix);
    } while (value);
    for (int i = 0; i < n; ++i) buffer[i] = digits[n - 1 - i];
    buffer[n] = '\0';
    return buffer;
}

static int format_into(char *buffer, size_t size, const char *format, va_list args)
{
    if (!buffer || size == 0) return 0;
    int n = std::vsnprintf(buffer, size, format ? format : "", args);
    if (n < 0) {
        buffer[0] = '\0';
        return 0;
    }
    return static_cast<std::size_t>(n) < size ? n : static_cast<int>(size - 1);
}

int TarnFormatStr(char *buffer, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    int n = format_into(buffer, TARN_FORMAT_BUFFER_SIZE, format, args);
    va_end(args);
    return n;
}

int TarnFormatStrN(char *buffer, size_t size, const char *format, ...)
{
    va_list args;
    va_start(args, format);
    int n = format_into(buffer, size, format, args);
    va_end(args);
    return n;
}

char *TarnConvertStr(char *target, const char *source, int /*direction*/) { return TarnCopyStr(target, source); }

char *TarnConvertStrN(char *target, size_t size, const char *source, int /*direction*/)
{
    return TarnCopyNCharOfStr(target, source, size);
}

char *TarnConvertMem(char *target, const char *source, size_t length, int /*direction*/)
{
    if (target && source && length) std::memmove(target, source, length);
    return target;
}

}  // extern "C"
