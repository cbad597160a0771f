// The command-line grammar. Tokens are cut in place in the caller's working
// copy; the odd results of that cut (a lost last character when two switches
// touch, the blank counted into the first token) are relied on by installers
// already in the field, so they stay.

#include "cmdline.h"

#include <cstring>

namespace {

constexpr char kSwitchDelimiters[] = "/";

bool IsNumberSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Leading white space, one optional sign, digits up to the first non-digit;
// no digits read as 0. Saturates instead of overflowing: a token is at most
// two bytes past its letter, so only fuzzed callers get that far.
int32_t ReadDecimal(const char* text) {
    while (IsNumberSpace(*text)) {
        ++text;
    }
    bool negative = false;
    if (*text == '+' || *text == '-') {
        negative = *text == '-';
        ++text;
    }
    int32_t value = 0;
    while (*text >= '0' && *text <= '9') {
        if (value < 100000000) {
            value = value * 10 + (*text - '0');
        }
        ++text;
    }
    return negative ? -value : value;
}

} // namespace

char* ByteStep(const char* position) {
    return const_cast<char*>(position + 1);
}

char* NextToken(char* position, const char* delimiters, CharStepFn step) {
    if (position == nullptr) {
        return nullptr;
    }
    while (*position != '\0') {
        // Only the first byte of a character is compared: a trail byte of a
        // double-byte character never opens a token.
        for (const char* d = delimiters; d != nullptr && *d != '\0'; d = step(d)) {
            if (*position == *d) {
                return step(position);
            }
        }
        position = step(position);
        if (position == nullptr) {
            return nullptr;
        }
    }
    return nullptr;
}

int32_t ParseLanguageSwitch(char* text, int32_t* index, CharStepFn step, const char** why) {
    const char* unused = nullptr;
    const char*& reason = why != nullptr ? *why : unused;
    *index = -1;
    char* p = text;
    for (;;) {
        char* t = NextToken(p, kSwitchDelimiters, step);
        if (t == nullptr) {
            reason = "no switch: no \"/\" in the line";
            return *index != -1 ? 1 : 0;
        }
        if (*t != 'L' && *t != 'l') {
            reason = "a switch that does not start with L";
            return 0;
        }
        char* q = NextToken(t, kSwitchDelimiters, step);
        if (q != nullptr) {
            // The byte before the next "/": the separating blank, or the
            // token's own last character when there is none.
            q[-2] = '\0';
        }
        const size_t length = std::strlen(t);
        if (length != 2 && length != 3) {
            reason = "a switch that is not L and one or two characters";
            return 0;
        }
        const int32_t value = ReadDecimal(t + 1);
        if (value < 0 || value > 19) {
            reason = "a set number outside 0 to 19";
            *index = -1;
            return 0;
        }
        *index = value;
        // From the "/" itself the next search yields q at once; from t it
        // finds nothing more and ends the loop.
        p = q != nullptr ? q - 1 : t;
    }
}

const char* ArgumentTail(const char* commandLine) {
    const auto* p = reinterpret_cast<const unsigned char*>(commandLine);
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"') {
            ++p;
        }
        if (*p == '"') {
            ++p;
        }
    } else {
        while (*p > ' ') {
            ++p;
        }
    }
    while (*p != '\0' && *p <= ' ') {
        ++p;
    }
    return reinterpret_cast<const char*>(p);
}
