// The language table and the install sequence: five members per set, in a
// fixed order, each contents file only after its help file was written. Each
// member's outcome goes to the trace.

#include "install.h"

#include "extract.h"
#include "file_ops.h"
#include "target_dir.h"
#include "trace.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr LanguageSet Row(const char (&code)[3], int index) {
    const auto first = static_cast<uint16_t>(101 + 5 * index);
    return LanguageSet{{code[0], code[1], '\0'},
                       {first, static_cast<uint16_t>(first + 1), static_cast<uint16_t>(first + 2),
                        static_cast<uint16_t>(first + 3), static_cast<uint16_t>(first + 4)}};
}

// One column of a set. writtenAfter: the column whose file must have been
// written for this one to be written at all, or -1.
struct FileKind {
    const char* pattern; // "%s" stands for the set's code
    int32_t compareFirst;
    int32_t writtenAfter;
};

constexpr std::array<FileKind, 5> kFileKinds = {{
    {"KWT5D1%s.DLL", 0, -1}, // the driver's resource library
    {"KWT5D1%s.HLP", 1, -1}, // the driver's help file
    {"KWT5D1%s.cnt", 0, 1},  // its contents file
    {"KWT5DS%s.HLP", 1, -1}, // the status monitor's help file
    {"KWT5DS%s.cnt", 0, 3},  // its contents file
}};

constexpr size_t kFileNameSize = 32;
constexpr size_t kPathSize = 280;

static_assert(sizeof(LanguageSet) == 14);
static_assert(kPathSize >= kTargetDirSize - 1 + 12 + 1);

// The pattern with its "%s" replaced by the code; 0 when it does not fit.
int32_t FormFileName(char* name, const char* pattern, const char* code) {
    size_t out = 0;
    for (const char* p = pattern; *p != '\0'; ++p) {
        const char* piece = p;
        size_t length = 1;
        if (p[0] == '%' && p[1] == 's') {
            piece = code;
            length = std::strlen(code);
            ++p;
        }
        if (out + length >= kFileNameSize) {
            return 0;
        }
        std::memcpy(name + out, piece, length);
        out += length;
    }
    name[out] = '\0';
    return 1;
}

// The column's file in the target directory; 0 when it does not fit.
int32_t FormPath(char* path, const LanguageSet& row, const char* targetDir, size_t column) {
    char name[kFileNameSize] = {};
    if (FormFileName(name, kFileKinds[column].pattern, row.code) == 0) {
        return 0;
    }
    const int length = std::snprintf(path, kPathSize, "%s%s", targetDir, name);
    return length >= 0 && static_cast<size_t>(length) < kPathSize ? 1 : 0;
}

// One trace line for a member's outcome; waitedMs: how long it waited for
// files held by others.
void TraceOutcome(const ExtractRun& run, const char* path, int32_t result, uint32_t waitedMs) {
    const auto waited = static_cast<unsigned long>(waitedMs);
    if (result == EXTRACT_WRITTEN) {
        if (waitedMs == 0) {
            TraceLine("%s: written", path);
        } else {
            TraceLine("%s: written after waiting %lu ms for another program", path, waited);
        }
    } else if (result == EXTRACT_UNCHANGED) {
        TraceLine("%s: left as it is, its first 256 bytes are current", path);
    } else {
        const auto error = static_cast<unsigned long>(run.error);
        if (waitedMs == 0) {
            TraceLine("%s: failed at %s, error %lu", path, StepName(run.failedStep), error);
        } else if (run.waitLeftMs == 0) {
            TraceLine("%s: failed at %s, error %lu, after waiting out the run's %lu ms", path,
                      StepName(run.failedStep), error, static_cast<unsigned long>(kRetryBudgetMs));
        } else {
            TraceLine("%s: failed at %s, error %lu, after waiting %lu ms", path,
                      StepName(run.failedStep), error, waited);
        }
    }
}

int32_t InstallOne(ExtractRun* run, const LanguageSet& row, const char* targetDir, size_t column) {
    char path[kPathSize] = {};
    if (FormPath(path, row, targetDir, column) == 0) {
        TraceLine("%s%s...: the path does not fit", targetDir, row.code);
        return 0;
    }
    const uint32_t budget = run->waitLeftMs;
    const int32_t result =
        ExtractPayloadMember(row.resourceIds[column], path, kFileKinds[column].compareFirst, run);
    TraceOutcome(*run, path, result, budget - run->waitLeftMs);
    return result != EXTRACT_FAILED ? 1 : 0;
}

// A help file and its contents file. The contents file is put in place
// before the help file, so that a run killed between the two leaves a help
// file that still differs, and the next run writes both again; written the
// other way round, a matching help file would keep its contents file from
// ever being written. For the same reason, when the contents file fails the
// help file is not put in place either: the next run finds it still
// differing and writes both.
int32_t InstallPair(ExtractRun* run, const LanguageSet& row, const char* targetDir, size_t help) {
    const size_t contents = help + 1;
    char helpPath[kPathSize] = {};
    char contentsPath[kPathSize] = {};
    if (FormPath(helpPath, row, targetDir, help) == 0 ||
        FormPath(contentsPath, row, targetDir, contents) == 0) {
        TraceLine("%s%s...: the path does not fit", targetDir, row.code);
        return 0;
    }
    uint32_t budget = run->waitLeftMs;
    PendingFile helpFile = {};
    const int32_t prepared = PreparePayloadMember(row.resourceIds[help], helpPath,
                                                  kFileKinds[help].compareFirst, run, &helpFile);
    uint32_t helpWaited = budget - run->waitLeftMs;
    if (prepared != EXTRACT_WRITTEN) {
        TraceOutcome(*run, helpPath, prepared, helpWaited);
        if (prepared == EXTRACT_UNCHANGED) {
            TraceLine("%s: not written, since its help file was left as it is", contentsPath);
        }
        return prepared == EXTRACT_UNCHANGED ? 1 : 0;
    }
    budget = run->waitLeftMs;
    PendingFile contentsFile = {};
    int32_t contentsResult =
        PreparePayloadMember(row.resourceIds[contents], contentsPath,
                             kFileKinds[contents].compareFirst, run, &contentsFile);
    if (contentsResult == EXTRACT_WRITTEN) {
        contentsResult = CommitPendingFile(run, &contentsFile);
    }
    TraceOutcome(*run, contentsPath, contentsResult, budget - run->waitLeftMs);
    if (contentsResult != EXTRACT_WRITTEN) {
        DropPendingFile(run, &helpFile);
        TraceLine("%s: not put in place, since its contents file failed", helpPath);
        return 0;
    }
    budget = run->waitLeftMs;
    const int32_t helpResult = CommitPendingFile(run, &helpFile);
    helpWaited += budget - run->waitLeftMs;
    TraceOutcome(*run, helpPath, helpResult, helpWaited);
    return helpResult == EXTRACT_WRITTEN ? 1 : 0;
}

// Why the registry value was not used, for the trace.
const char* PassedOverText(ValuePassedOver why) {
    switch (why) {
    case ValuePassedOver::kNo:
        return "";
    case ValuePassedOver::kNotNtFamily:
        return "outside the NT family the registry is not read";
    case ValuePassedOver::kNoKey:
        return "the key HKCU\\SOFTWARE\\KAVEN\\ZeltDrv does not open";
    case ValuePassedOver::kNoValue:
        return "the key has no value _ZELTDirectory";
    case ValuePassedOver::kTooLarge:
        return "the value _ZELTDirectory is larger than 260 bytes";
    case ValuePassedOver::kEmpty:
        return "the value _ZELTDirectory is empty";
    case ValuePassedOver::kTooLong:
        return "the value _ZELTDirectory has 259 characters or more, or no terminator";
    }
    return "?";
}

void TraceTargetFolder(const char* folder, const TargetDirOrigin& origin) {
    switch (origin.source) {
    case TargetSource::kRegistry:
        TraceLine("target folder \"%s\" from the registry value _ZELTDirectory", folder);
        break;
    case TargetSource::kSystemDrive:
        TraceLine("target folder \"%s\" on the system drive, because %s", folder,
                  PassedOverText(origin.passedOver));
        break;
    case TargetSource::kCurrentDirectory:
        TraceLine("target folder \"%s\" (the current directory), because %s%s", folder,
                  PassedOverText(origin.passedOver),
                  origin.passedOver == ValuePassedOver::kNotNtFamily
                      ? ""
                      : ", and the system directory could not be had");
        break;
    }
}

} // namespace

constexpr std::array<LanguageSet, kLanguageSetCount> kLanguageTable = {{
    Row("jp", 0),  Row("us", 1),  Row("cz", 2),  Row("dn", 3),  Row("gm", 4),
    Row("sp", 5),  Row("fr", 6),  Row("it", 7),  Row("hn", 8),  Row("dt", 9),
    Row("nw", 10), Row("pl", 11), Row("pr", 12), Row("fn", 13), Row("sw", 14),
    Row("ru", 15), Row("cs", 16), Row("ct", 17), Row("kr", 18), Row("he", 19),
}};

static_assert(kLanguageTable[0].resourceIds[0] == 101);
static_assert(kLanguageTable[16].resourceIds[2] == 183);
static_assert(kLanguageTable[19].resourceIds[4] == 200);

int32_t InstallLanguageSet(int32_t index) {
    const LanguageSet& row = kLanguageTable[static_cast<size_t>(index)];
    char targetDir[kTargetDirSize] = {};
    TargetDirOrigin origin = {};
    ResolveTargetDirectory(targetDir, &origin);
    TraceTargetFolder(targetDir, origin);
    // What a killed run left in the folder goes before this run adds its own.
    RemoveLeftoverTempFiles(targetDir);
    ExtractRun run = NewExtractRun();

    for (size_t k = 0; k < kFileKinds.size(); ++k) {
        if (kFileKinds[k].writtenAfter >= 0) {
            continue; // put in place together with the file it depends on
        }
        const bool paired =
            k + 1 < kFileKinds.size() && kFileKinds[k + 1].writtenAfter == static_cast<int32_t>(k);
        const int32_t ok =
            paired ? InstallPair(&run, row, targetDir, k) : InstallOne(&run, row, targetDir, k);
        if (ok == 0) {
            return 0;
        }
    }
    return 1;
}
