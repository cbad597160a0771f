// Finds a printer's exclusive-settings library through its driver data file.
#include <windows.h>

#include <cstring>

#include "block.h"
#include "entry_reader.h"
#include "lookup.h"
#include "quote_rule.h"

namespace {
// Compared with its NUL, so longer and shorter keywords do not match.
constexpr char kLibraryKeyword[] = "ExcDepDLLName";
static_assert(sizeof(kLibraryKeyword) == 14, "13 characters and the NUL");

// The data-file path of the printer's driver as an AllocBlock string, or
// null with failure filled in.
char* GetDriverDataFile(HANDLE printer, Failure* failure) {
    DWORD needed = 0;
    if (GetPrinterDriverA(printer, nullptr, 2, nullptr, 0, &needed)) {
        // A record that fits in no bytes has no data file to give.
        SetFailure(failure, FailStep::kDriverRecord, kErrorNoDataFile, nullptr);
        return nullptr;
    }
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER) {
        SetFailure(failure, FailStep::kDriverRecord, GetLastError(), nullptr);
        return nullptr;
    }
    auto* record = static_cast<BYTE*>(AllocBlock(needed));
    if (record == nullptr) {
        SetFailure(failure, FailStep::kOutOfMemory, kErrorOutOfMemory, nullptr);
        return nullptr;
    }
    char* copy = nullptr;
    if (GetPrinterDriverA(printer, nullptr, 2, record, needed, &needed)) {
        const char* dataFile = reinterpret_cast<DRIVER_INFO_2A*>(record)->pDataFile;
        // A driver without a data file has no library to name.
        if (dataFile != nullptr) {
            size_t size = std::strlen(dataFile) + 1;
            copy = static_cast<char*>(AllocBlock(static_cast<uint32_t>(size)));
            if (copy != nullptr)
                std::memcpy(copy, dataFile, size);
            else
                SetFailure(failure, FailStep::kOutOfMemory, kErrorOutOfMemory, nullptr);
        } else {
            SetFailure(failure, FailStep::kDriverRecord, kErrorNoDataFile, nullptr);
        }
    } else {
        SetFailure(failure, FailStep::kDriverRecord, GetLastError(), nullptr);
    }
    FreeBlock(record);
    return copy;
}
} // namespace

LONG FindLibraryName(LPCSTR printerName, LPSTR libraryName, Failure* failure) {
    HANDLE printer = nullptr;
    if (!OpenPrinterA(const_cast<LPSTR>(printerName), &printer, nullptr)) {
        SetFailure(failure, FailStep::kOpenPrinter, GetLastError(), nullptr);
        return 0;
    }
    char* path = GetDriverDataFile(printer, failure);
    ClosePrinter(printer);
    if (path == nullptr) return 0;

    DescriptionEntry* entry = CreateDescriptionEntry();
    if (entry == nullptr) {
        SetFailure(failure, FailStep::kOutOfMemory, kErrorOutOfMemory, nullptr);
        FreeBlock(path);
        return 0;
    }
    ReadCursor* cursor = OpenReadCursor(path);
    if (cursor == nullptr) {
        SetFailure(failure, FailStep::kDataFile, GetLastError(), path);
        FreeDescriptionEntry(entry);
        FreeBlock(path);
        return 0;
    }

    LONG result = 0;
    SetFailure(failure, FailStep::kNoEntry, kErrorNoEntry, path);
    for (;;) {
        int32_t status = ReadNextEntry(entry, cursor);
        if (status == READ_SYNTAX) continue; // a broken entry hides nothing after it
        if (status == READ_NO_MEMORY)
            SetFailure(failure, FailStep::kOutOfMemory, kErrorOutOfMemory, nullptr);
        if (status != READ_OK) break;
        if (std::memcmp(entry->keyword.data, kLibraryKeyword, sizeof(kLibraryKeyword)) == 0) {
            // The first match wins, whether or not its name fits.
            result = ApplyQuoteRule(reinterpret_cast<const char*>(entry->value.data), libraryName,
                                    kLibraryNameSize);
            if (result == 0) SetFailure(failure, FailStep::kNameTooLong, kErrorNameTooLong, path);
            break;
        }
    }

    CloseReadCursor(cursor);
    FreeDescriptionEntry(entry);
    FreeBlock(path);
    return result;
}
