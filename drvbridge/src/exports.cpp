// The exported interface: the library lookup, exclusive handles, their
// forwarders and the one-shot calls. No global state: every call starts from
// its arguments.
#include <windows.h>

#include <array>
#include <cstddef>
#include <cstdint>

#include "block.h"
#include "drvbridge.h"
#include "library_load.h"
#include "lookup.h"
#include "quote_rule.h"
#include "trace.h"

namespace {

constexpr uintptr_t kMagic = 0x45584330; // bytes 30 43 58 45: "0CXE" in memory

// Values and the context are pointer-wide (LONG_PTR is LONG on i386);
// results are LONG on both widths.
using ExcGetExclusiveFn = LONG_PTR(WINAPI*)(LPCSTR);
using ExcContextFn = LONG(WINAPI*)(LONG_PTR);
using Exc2Fn = LONG(WINAPI*)(LONG_PTR, LONG_PTR, LONG_PTR);
using Exc3Fn = LONG(WINAPI*)(LONG_PTR, LONG_PTR, LONG_PTR, LONG_PTR);
using Exc4Fn = LONG(WINAPI*)(LONG_PTR, LONG_PTR, LONG_PTR, LONG_PTR, LONG_PTR);
using Exc5Fn = LONG(WINAPI*)(LONG_PTR, LONG_PTR, LONG_PTR, LONG_PTR, LONG_PTR, LONG_PTR);
using ExcIniFn = LONG(WINAPI*)(LPCSTR, LONG_PTR, LONG_PTR, LONG_PTR);
using ExcDevmodeFn = LONG(WINAPI*)(LPCSTR, LONG_PTR, LONG_PTR, LONG_PTR, LONG_PTR);

// Thirteen pointer-wide words, led by the magic.
struct ExclusiveHandle {
    uintptr_t magic;
    LONG_PTR context;
    HMODULE library;
    FARPROC entry[10]; // in the order of kEntryNames
};
static_assert(kLibraryNameSize == DRVBRIDGE_NAME_SIZE);

constexpr size_t kWord = sizeof(void*);
static_assert(sizeof(ExclusiveHandle) == 13 * kWord, "thirteen pointer-wide words");
static_assert(offsetof(ExclusiveHandle, magic) == 0);
static_assert(offsetof(ExclusiveHandle, context) == kWord);
static_assert(offsetof(ExclusiveHandle, library) == 2 * kWord);
static_assert(offsetof(ExclusiveHandle, entry) == 3 * kWord);
#if defined(_M_IX86) || defined(__i386__)
static_assert(sizeof(ExclusiveHandle) == 52, "i386: thirteen 32-bit words");
#endif

enum EntryIndex : uint32_t {
    kGetExclusive,
    kFreeExclusive,
    kGetPrinterOption,
    kGetPrinterValue,
    kGetWaterMarkList,
    kSetCommandBase,
    kGetCommandBase,
    kUpdateCommand,
    kGetCommandChange,
    kGetCommandValue,
};

constexpr std::array<const char*, 10> kEntryNames = {
    "ExcGetExclusive",     "ExcFreeExclusive",   "ExcGetPrinterOption", "ExcGetPrinterValue",
    "ExcGetWaterMarkList", "ExcSetCommandBase",  "ExcGetCommandBase",   "ExcUpdateCommand",
    "ExcGetCommandChange", "ExcGetCommandValue",
};

// The first missing name ends the walk; later names are not bound. For the
// trace, the rest are then only checked, so one line names every missing one.
[[nodiscard]] bool BindEntryPoints(ExclusiveHandle* handle, const char* name, Failure* failure) {
    for (size_t i = 0; i < kEntryNames.size(); ++i) {
        handle->entry[i] = GetProcAddress(handle->library, kEntryNames[i]);
        if (handle->entry[i] != nullptr) continue;
        SetFailure(failure, FailStep::kEntryPoints, kErrorEntryPoint, name);
        for (size_t j = i; j < kEntryNames.size(); ++j)
            if (j == i || GetProcAddress(handle->library, kEntryNames[j]) == nullptr)
                AddMissingName(failure, kEntryNames[j]);
        return false;
    }
    return true;
}

// A handle is usable only once it carries the magic; anything else is
// foreign, and reported as the failure of exportName.
[[nodiscard]] const ExclusiveHandle* Complete(HEXCLUSIVE h, const char* exportName) {
    auto* handle = static_cast<const ExclusiveHandle*>(h);
    if (handle != nullptr && handle->magic == kMagic) return handle;
    Failure failure;
    SetFailure(&failure, handle == nullptr ? FailStep::kNullHandle : FailStep::kForeignHandle,
               kErrorBadHandle, nullptr);
    ReportFailure(exportName, nullptr, failure);
    return nullptr;
}

template <typename Fn> Fn Entry(const ExclusiveHandle* handle, EntryIndex index) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(handle->entry[index]));
}

void QueryFields(LPCSTR printerName) {
    // Lets the driver settle before its library is asked; the answer is unused.
    (void)DeviceCapabilitiesA(printerName, nullptr, DC_FIELDS, nullptr, nullptr);
}

// Loads the printer's library and finds one entry point of a one-shot call;
// on failure reports it as exportName's.
[[nodiscard]] FARPROC LoadOneShot(const char* exportName, LPCSTR printerName, const char* entryName,
                                  HMODULE* library) {
    QueryFields(printerName);
    Failure failure;
    char name[kLibraryNameSize];
    FARPROC entry = nullptr;
    if (FindLibraryName(printerName, name, &failure) != 0) {
        *library = LoadDriverLibrary(name);
        if (*library == nullptr) {
            SetFailure(&failure, FailStep::kLoadLibrary, GetLastError(), name);
        } else {
            entry = GetProcAddress(*library, entryName);
            if (entry == nullptr) {
                SetFailure(&failure, FailStep::kEntryPoints, kErrorEntryPoint, name);
                AddMissingName(&failure, entryName);
                FreeLibrary(*library);
                *library = nullptr;
            }
        }
    }
    if (entry == nullptr) ReportFailure(exportName, printerName, failure);
    return entry;
}

} // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}

LONG WINAPI GetDependDllName(LPCSTR printerName, LPSTR libraryName) {
    Failure failure;
    // Checked first: a found name would otherwise be written through it.
    if (libraryName == nullptr) {
        SetFailure(&failure, FailStep::kNullBuffer, kErrorNullBuffer, nullptr);
        ReportFailure("GetDependDllName", printerName, failure);
        return 0;
    }
    const LONG found = FindLibraryName(printerName, libraryName, &failure);
    if (found == 0) ReportFailure("GetDependDllName", printerName, failure);
    return found;
}

HEXCLUSIVE WINAPI GetExclusive(LPCSTR printerName) {
    QueryFields(printerName);
    Failure failure;
    auto* handle = static_cast<ExclusiveHandle*>(AllocBlock(sizeof(ExclusiveHandle)));
    if (handle == nullptr) {
        SetFailure(&failure, FailStep::kOutOfMemory, kErrorOutOfMemory, nullptr);
        ReportFailure("GetExclusive", printerName, failure);
        return nullptr;
    }
    char name[kLibraryNameSize];
    if (FindLibraryName(printerName, name, &failure) != 0) {
        handle->library = LoadDriverLibrary(name);
        if (handle->library == nullptr) {
            SetFailure(&failure, FailStep::kLoadLibrary, GetLastError(), name);
        } else if (BindEntryPoints(handle, name, &failure)) {
            handle->context = Entry<ExcGetExclusiveFn>(handle, kGetExclusive)(printerName);
            if (handle->context != 0) {
                // Written last, so no half-built handle ever carries it.
                handle->magic = kMagic;
                return handle;
            }
            SetFailure(&failure, FailStep::kZeroContext, kErrorZeroContext, name);
        }
    }
    // Nothing of the library is called on the way out.
    if (handle->library != nullptr) FreeLibrary(handle->library);
    FreeBlock(handle);
    ReportFailure("GetExclusive", printerName, failure);
    return nullptr;
}

void WINAPI FreeExclusive(HEXCLUSIVE h) {
    // Null is ignored quietly, as free(NULL) is; a foreign block is reported.
    if (h == nullptr) return;
    auto* handle = const_cast<ExclusiveHandle*>(Complete(h, "FreeExclusive"));
    if (handle == nullptr) return;
    if (handle->context != 0) (void)Entry<ExcContextFn>(handle, kFreeExclusive)(handle->context);
    if (handle->library != nullptr) FreeLibrary(handle->library);
    // A stale copy of the handle must not pass the magic test later.
    handle->magic = 0;
    FreeBlock(handle);
}

LONG WINAPI GetPrinterOption(HEXCLUSIVE h, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d) {
    const ExclusiveHandle* handle = Complete(h, "GetPrinterOption");
    if (handle == nullptr) return -1;
    return Entry<Exc4Fn>(handle, kGetPrinterOption)(handle->context, a, b, c, d);
}

LONG WINAPI GetPrinterValue(HEXCLUSIVE h, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d) {
    const ExclusiveHandle* handle = Complete(h, "GetPrinterValue");
    if (handle == nullptr) return -1;
    return Entry<Exc4Fn>(handle, kGetPrinterValue)(handle->context, a, b, c, d);
}

LONG WINAPI GetWaterMarkList(HEXCLUSIVE h, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d) {
    const ExclusiveHandle* handle = Complete(h, "GetWaterMarkList");
    if (handle == nullptr) return -1;
    return Entry<Exc4Fn>(handle, kGetWaterMarkList)(handle->context, a, b, c, d);
}

LONG WINAPI SetCommandBase(HEXCLUSIVE h, LONG_PTR a, LONG_PTR b) {
    const ExclusiveHandle* handle = Complete(h, "SetCommandBase");
    if (handle == nullptr) return -1;
    return Entry<Exc2Fn>(handle, kSetCommandBase)(handle->context, a, b);
}

LONG WINAPI GetCommandBase(HEXCLUSIVE h, LONG_PTR a, LONG_PTR b, LONG_PTR c) {
    const ExclusiveHandle* handle = Complete(h, "GetCommandBase");
    if (handle == nullptr) return -1;
    return Entry<Exc3Fn>(handle, kGetCommandBase)(handle->context, a, b, c);
}

LONG WINAPI UpdateCommand(HEXCLUSIVE h, LONG_PTR a, LONG_PTR b) {
    const ExclusiveHandle* handle = Complete(h, "UpdateCommand");
    if (handle == nullptr) return -1;
    return Entry<Exc2Fn>(handle, kUpdateCommand)(handle->context, a, b);
}

LONG WINAPI GetCommandChange(HEXCLUSIVE h, LONG_PTR a, LONG_PTR b, LONG_PTR c) {
    const ExclusiveHandle* handle = Complete(h, "GetCommandChange");
    if (handle == nullptr) return -1;
    return Entry<Exc3Fn>(handle, kGetCommandChange)(handle->context, a, b, c);
}

LONG WINAPI GetCommandValue(HEXCLUSIVE h, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d,
                            LONG_PTR e) {
    const ExclusiveHandle* handle = Complete(h, "GetCommandValue");
    if (handle == nullptr) return -1;
    return Entry<Exc5Fn>(handle, kGetCommandValue)(handle->context, a, b, c, d, e);
}

LONG WINAPI GetDriverIniFileName(LPCSTR printerName, LONG_PTR a, LONG_PTR b, LONG_PTR c) {
    HMODULE library = nullptr;
    FARPROC entry = LoadOneShot("GetDriverIniFileName", printerName, "ExcGetIniFileName", &library);
    if (entry == nullptr) return -1;
    LONG result = reinterpret_cast<ExcIniFn>(reinterpret_cast<void*>(entry))(printerName, a, b, c);
    FreeLibrary(library);
    return result;
}

LONG WINAPI GetDriverDevmode(LPCSTR printerName, LONG_PTR a, LONG_PTR b, LONG_PTR c, LONG_PTR d) {
    HMODULE library = nullptr;
    FARPROC entry = LoadOneShot("GetDriverDevmode", printerName, "ExcGetDriverDevmode", &library);
    if (entry == nullptr) return -1;
    LONG result =
        reinterpret_cast<ExcDevmodeFn>(reinterpret_cast<void*>(entry))(printerName, a, b, c, d);
    FreeLibrary(library);
    return result;
}

} // extern "C"
