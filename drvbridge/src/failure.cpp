#include "failure.h"

#include <cstring>

namespace {
// Appends to a NUL-terminated text in a fixed buffer, cutting at its end.
struct Text {
    char* out;
    uint32_t size;
    uint32_t length;
};

void Put(Text* t, const char* s) {
    if (s == nullptr) s = "(null)";
    while (*s != '\0' && t->length + 1 < t->size)
        t->out[t->length++] = *s++;
    t->out[t->length] = '\0';
}

void PutNumber(Text* t, uint32_t n) {
    char digits[11];
    int i = sizeof(digits) - 1;
    digits[i] = '\0';
    do {
        digits[--i] = static_cast<char>('0' + n % 10);
        n /= 10;
    } while (n != 0);
    Put(t, digits + i);
}

// A printer name of any length takes at most this much of the line.
constexpr uint32_t kPrinterShown = 128;

void PutPrinter(Text* t, const char* printer) {
    if (printer == nullptr) {
        Put(t, "(null)");
        return;
    }
    Put(t, "\"");
    uint32_t i = 0;
    for (; printer[i] != '\0' && i < kPrinterShown && t->length + 1 < t->size; ++i)
        t->out[t->length++] = printer[i];
    t->out[t->length] = '\0';
    Put(t, printer[i] != '\0' ? "...\"" : "\"");
}

void Copy(char* to, uint32_t size, const char* from) {
    uint32_t i = 0;
    if (from != nullptr)
        for (; from[i] != '\0' && i + 1 < size; ++i)
            to[i] = from[i];
    to[i] = '\0';
}

struct StepText {
    FailStep step;
    const char* before; // text before the subject
    bool showSubject;
    const char* after; // text after it
    bool showError;
};

constexpr StepText kSteps[] = {
    {FailStep::kNone, "failed", false, "", true},
    {FailStep::kOpenPrinter, "open printer failed", false, "", true},
    {FailStep::kDriverRecord, "driver record failed", false, "", true},
    {FailStep::kDataFile, "data file ", true, ": open or map failed", true},
    {FailStep::kNoEntry, "data file ", true, ": no ExcDepDLLName entry", false},
    {FailStep::kNameTooLong, "data file ", true, ": library name longer than 259 bytes", false},
    {FailStep::kOutOfMemory, "out of memory", false, "", true},
    {FailStep::kLoadLibrary, "load library ", true, " failed", true},
    {FailStep::kEntryPoints, "library ", true, " lacks ", false},
    {FailStep::kZeroContext, "library ", true, ": ExcGetExclusive returned 0", false},
    {FailStep::kNullHandle, "null handle", false, "", false},
    {FailStep::kForeignHandle, "foreign handle", false, "", false},
    {FailStep::kNullBuffer, "null name buffer", false, "", false},
};
} // namespace

void SetFailure(Failure* failure, FailStep step, uint32_t error, const char* subject) {
    failure->step = step;
    failure->error = error;
    Copy(failure->subject, sizeof(failure->subject), subject);
    failure->names[0] = '\0';
}

void AddMissingName(Failure* failure, const char* name) {
    Text t{failure->names, sizeof(failure->names),
           static_cast<uint32_t>(std::strlen(failure->names))};
    if (t.length != 0) Put(&t, ", ");
    Put(&t, name);
}

uint32_t FormatFailure(char* out, uint32_t size, const char* exportName, const char* printer,
                       const Failure& failure) {
    if (size == 0) return 0;
    Text t{out, size, 0};
    out[0] = '\0';
    Put(&t, "drvbridge: ");
    Put(&t, exportName);
    if (failure.step != FailStep::kNullHandle && failure.step != FailStep::kForeignHandle) {
        Put(&t, "(");
        PutPrinter(&t, printer);
        Put(&t, ")");
    }
    Put(&t, ": ");
    for (const StepText& s : kSteps) {
        if (s.step != failure.step) continue;
        Put(&t, s.before);
        if (s.showSubject) Put(&t, failure.subject);
        Put(&t, s.after);
        if (failure.step == FailStep::kEntryPoints) Put(&t, failure.names);
        if (s.showError) {
            Put(&t, ", error ");
            PutNumber(&t, failure.error);
        }
        break;
    }
    return t.length;
}
