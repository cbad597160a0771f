#!/usr/bin/env python3
"""Binary contract check for the shipped PE32 and PE32+ files.

Reads the files themselves (headers, import and export directories, resource
tree) and fails on any drift from what installers and applications rely on.

    pecheck.py langpack PATH/langpack.exe [--no-version | --version X.Y.Z]
                                          [--machine i386|amd64]
                                          [--signed] [--same-as UNSIGNED]
    pecheck.py drvbridge PATH/drvbridge.dll [--no-version | --version X.Y.Z]
                                            [--machine i386|amd64]
                                            [--signed] [--same-as UNSIGNED]
    pecheck.py lppack PATH/lppack.exe [the same options]

langpack also fits a program that lppack.exe wrote (the packed copy keeps
langpack.exe's contract). lppack is the packer shipped in tools/: a console
program with the same manifest and version block.

Every file must declare Windows Vista (6.0) as its oldest system (OS and
subsystem version), and import only the functions on its list (IMPORTS),
each of which Vista has (WINDOWS_SINCE).

With --version the VERSIONINFO block must carry that file and product
version, the company and product names and the binary's own file name.
--machine names the width the file must be built for (default i386, a PE32
file; amd64 is a PE32+ file).

An Authenticode certificate table is accepted wherever it is present and must
be well formed (the file's last bytes, 8-aligned, PKCS#7 entries). --signed
requires one. --same-as names the file as built before signing: the signed
file must equal it except for the header checksum, the certificate table
directory and the padding and table appended at its end.
"""
import struct
import sys
import xml.etree.ElementTree as ElementTree

# Windows system DLLs the binaries may import (lower case).
SYSTEM_DLLS = {
    "kernel32.dll", "user32.dll", "advapi32.dll", "gdi32.dll", "msvcrt.dll",
    "winspool.drv", "ntdll.dll", "shell32.dll", "ole32.dll",
}

BRIDGE_EXPORTS = [
    "DllMain", "FreeExclusive", "GetCommandBase", "GetCommandChange",
    "GetCommandValue", "GetDependDllName", "GetDriverDevmode",
    "GetDriverIniFileName", "GetExclusive", "GetPrinterOption",
    "GetPrinterValue", "GetWaterMarkList", "SetCommandBase", "UpdateCommand",
]

# machine name -> (COFF machine, optional header magic)
MACHINES = {"i386": (0x14C, 0x10B), "amd64": (0x8664, 0x20B)}
IMAGE_FILE_DLL = 0x2000
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2
IMAGE_SUBSYSTEM_WINDOWS_CUI = 3
RT_VERSION = 16
RT_MANIFEST = 24
CREATEPROCESS_MANIFEST_RESOURCE_ID = 1
ASM_V3 = "{urn:schemas-microsoft-com:asm.v3}"
COMPAT_V1 = "{urn:schemas-microsoft-com:compatibility.v1}"
# supportedOS: Vista, 7, 8, 8.1, 10 and 11
SUPPORTED_OS = {
    "{e2011457-1546-43c5-a5fe-008deee3d3f0}", "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}", "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",
}
# The oldest Windows the binaries support, as the PE header's OS and
# subsystem versions give it: Vista.
OS_FLOOR = (6, 0)
WINDOWS_NAMES = {(5, 0): "2000", (5, 1): "XP", (5, 2): "XP x64", (6, 0): "Vista",
                 (6, 1): "7", (6, 2): "8"}


def _since(version, names):
    return {name: version for name in names.split()}


# The oldest Windows that has each function the binaries import, by DLL.
# x64 only: XP x64 (5.2) is the first 64-bit Windows of its line.
WINDOWS_SINCE = {
    "kernel32.dll": {
        **_since((5, 0), """
            CloseHandle CreateEventA CreateFileA CreateFileMappingA CreateSemaphoreA
            DeleteCriticalSection DeleteFileA DuplicateHandle EnterCriticalSection ExitProcess
            FindClose FindFirstFileA FindNextFileA FindResourceA FlushFileBuffers FormatMessageA
            FreeLibrary GetACP GetCommandLineA GetCurrentProcess GetCurrentProcessId
            GetCurrentThread GetCurrentThreadId GetFileAttributesA GetFileSize
            GetFullPathNameA GetHandleInformation GetLastError GetModuleFileNameA GetModuleHandleA
            GetModuleHandleW GetProcAddress GetProcessAffinityMask GetStartupInfoA
            GetSystemDirectoryA GetSystemTimeAsFileTime GetTempFileNameA GetThreadContext
            GetThreadPriority GetVersionExA GlobalAlloc GlobalFree GlobalLock GlobalReAlloc
            GlobalUnlock InitializeCriticalSection IsDBCSLeadByteEx IsDebuggerPresent
            LeaveCriticalSection LoadLibraryA LoadLibraryExA LoadLibraryW LoadResource
            LockResource MapViewOfFile MoveFileExA MultiByteToWideChar OpenProcess
            OutputDebugStringA RaiseException ReleaseSemaphore ResetEvent ResumeThread
            SetEvent SetLastError SetProcessAffinityMask SetThreadContext SetThreadPriority
            SetUnhandledExceptionFilter SizeofResource Sleep SuspendThread TlsAlloc TlsGetValue
            TlsSetValue TryEnterCriticalSection UnmapViewOfFile VirtualProtect VirtualQuery
            WaitForMultipleObjects WaitForSingleObject WideCharToMultiByte WriteFile"""),
        **_since((5, 1), "AddVectoredExceptionHandler RemoveVectoredExceptionHandler "
                         "RtlCaptureContext"),
        **_since((5, 2), "RtlLookupFunctionEntry RtlUnwindEx RtlVirtualUnwind "
                         "__C_specific_handler"),
        **_since((6, 0), "GetTickCount64 SetFileInformationByHandle"),
    },
    "advapi32.dll": _since((5, 0), "RegCloseKey RegOpenKeyExA RegQueryValueExA"),
    "user32.dll": _since((5, 0), "CharNextA"),
    "winspool.drv": _since((5, 0), "ClosePrinter DeviceCapabilitiesA GetPrinterDriverA "
                                   "OpenPrinterA"),
    # The system's C library.
    "msvcrt.dll": {
        **_since((5, 0), """
            __getmainargs __initenv __mb_cur_max __p__acmdln __p__commode __p__fmode
            __set_app_type __setusermatherr _acmdln _amsg_exit _beginthreadex _cexit _close
            _commode _endthreadex _errno _filelengthi64 _fileno _fmode _initterm _iob _lock
            _onexit _read _setjmp _setjmp3 _strdup _ultoa _unlock abort atoi calloc exit
            fclose ferror fflush fgetc fgetpos fopen fprintf fputc fputs fread free fsetpos fwrite
            getenv islower isspace isupper localeconv longjmp malloc memchr memcmp memcpy
            memmove memset printf realloc setlocale signal strchr strcmp strerror strlen
            strncmp vfprintf wcslen"""),
        **_since((5, 1), "___lc_codepage_func ___mb_cur_max_func __iob_func"),
    },
}

# What each binary may import (both widths): the program's own calls and
# those of the static C, C++ and thread runtimes. A new import has to be
# added here, with the oldest Windows that has it.
_RUNTIME = {
    "kernel32.dll": """DeleteCriticalSection EnterCriticalSection GetLastError
        GetModuleHandleA GetModuleHandleW GetProcAddress FreeLibrary InitializeCriticalSection
        LeaveCriticalSection LoadLibraryA SetUnhandledExceptionFilter Sleep TlsGetValue
        VirtualProtect VirtualQuery __C_specific_handler""",
    "msvcrt.dll": """___lc_codepage_func ___mb_cur_max_func __getmainargs __initenv
        __iob_func __mb_cur_max __p__acmdln __p__commode __p__fmode __set_app_type
        __setusermatherr _acmdln _amsg_exit _cexit _commode _errno _fmode _initterm _iob
        _lock _onexit _unlock abort atoi calloc exit fprintf fputc free fwrite localeconv
        malloc memcpy memset realloc setlocale signal strchr strerror strlen strncmp vfprintf
        wcslen""",
}
IMPORTS = {
    "langpack": {
        "kernel32.dll": """CloseHandle CreateFileA DeleteFileA ExitProcess FindClose
            FindFirstFileA FindNextFileA FindResourceA FlushFileBuffers GetCommandLineA
            GetCurrentProcessId GetFileAttributesA GetStartupInfoA GetSystemDirectoryA
            GetVersionExA IsDBCSLeadByteEx LoadResource LockResource MultiByteToWideChar
            OutputDebugStringA SetFileInformationByHandle SetLastError SizeofResource
            WideCharToMultiByte WriteFile""",
        "msvcrt.dll": "fclose ferror fopen fread memcmp strcmp",
        "advapi32.dll": "RegCloseKey RegOpenKeyExA RegQueryValueExA",
        "user32.dll": "CharNextA",
    },
    "drvbridge": {
        "kernel32.dll": """CloseHandle CreateFileA CreateFileMappingA GetACP GetFileAttributesA
            GetFileSize GetModuleFileNameA GetSystemDirectoryA GlobalAlloc GlobalFree GlobalLock
            GlobalReAlloc GlobalUnlock IsDBCSLeadByteEx LoadLibraryExA MapViewOfFile
            OutputDebugStringA SetLastError UnmapViewOfFile""",
        "winspool.drv": "ClosePrinter DeviceCapabilitiesA GetPrinterDriverA OpenPrinterA",
    },
    "lppack": {
        "kernel32.dll": """AddVectoredExceptionHandler CloseHandle CreateEventA CreateFileA
            CreateSemaphoreA DeleteFileA DuplicateHandle FindClose FindFirstFileA FindResourceA
            FlushFileBuffers FormatMessageA GetCurrentProcess GetCurrentProcessId GetCurrentThread
            GetCurrentThreadId GetFileAttributesA GetFullPathNameA GetHandleInformation GetProcessAffinityMask
            GetStartupInfoA GetSystemTimeAsFileTime GetTempFileNameA GetThreadContext
            GetThreadPriority GetTickCount64 IsDBCSLeadByteEx IsDebuggerPresent LoadLibraryExA
            LoadLibraryW LoadResource LockResource MoveFileExA MultiByteToWideChar OpenProcess
            OutputDebugStringA RaiseException ReleaseSemaphore RemoveVectoredExceptionHandler
            ResetEvent ResumeThread RtlCaptureContext RtlLookupFunctionEntry RtlUnwindEx
            RtlVirtualUnwind SetEvent SetLastError SetProcessAffinityMask SetThreadContext
            SetThreadPriority SizeofResource SuspendThread TlsAlloc TlsSetValue
            TryEnterCriticalSection WaitForMultipleObjects WaitForSingleObject WideCharToMultiByte
            WriteFile""",
        "msvcrt.dll": """_beginthreadex _close _endthreadex _filelengthi64 _fileno _read
            _setjmp _setjmp3 _strdup _ultoa fclose fflush fgetc fgetpos fopen fputs fread fsetpos
            getenv islower isspace isupper longjmp memchr memcmp memmove printf strcmp""",
        "user32.dll": "CharNextA",
    },
}
for _kind, _dlls in IMPORTS.items():
    for _dll, _names in _RUNTIME.items():
        _dlls[_dll] = _dlls.get(_dll, "") + " " + _names
    IMPORTS[_kind] = {dll: set(names.split()) for dll, names in _dlls.items()}
    for _dll, _names in IMPORTS[_kind].items():
        _unknown = _names - WINDOWS_SINCE[_dll].keys()
        assert not _unknown, "no oldest Windows for %s %s" % (_dll, sorted(_unknown))

SECURITY_DIRECTORY = 4
WIN_CERT_REVISION_2_0 = 0x0200
WIN_CERT_TYPE_PKCS_SIGNED_DATA = 0x0002
FILE_NAMES = {"langpack": "langpack.exe", "drvbridge": "drvbridge.dll", "lppack": "lppack.exe"}


class Pe:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        (self.machine, nsections, self.timestamp, _, _, optsize,
         self.characteristics) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        opt = pe + 24
        self.magic = struct.unpack_from("<H", data, opt)[0]
        if self.magic not in (0x10B, 0x20B):
            raise ValueError("optional header magic 0x%x is neither PE32 nor PE32+" % self.magic)
        self.subsystem = struct.unpack_from("<H", data, opt + 68)[0]
        self.checksum_offset = opt + 64
        # PE32+ has a 64-bit image base and stack and heap sizes: 16 bytes more.
        dirs = opt + (96 if self.magic == 0x10B else 112)
        self.dirs_offset = dirs
        ndirs = struct.unpack_from("<I", data, dirs - 4)[0]
        self.dirs = [struct.unpack_from("<II", data, dirs + 8 * i) for i in range(ndirs)]
        self.sections = []
        sec = opt + optsize
        for i in range(nsections):
            name, vsize, va, rawsize, rawptr = struct.unpack_from("<8sIIII", data, sec + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode(), va, max(vsize, rawsize), rawptr))

    def certificate_table(self):
        """(file offset, size) of the certificate table, or None. Its
        directory holds a file offset, not an RVA."""
        if len(self.dirs) <= SECURITY_DIRECTORY:
            return None
        offset, size = self.dirs[SECURITY_DIRECTORY]
        return (offset, size) if offset or size else None

    def off(self, rva):
        for _, va, size, rawptr in self.sections:
            if va <= rva < va + size:
                return rva - va + rawptr
        raise ValueError("RVA 0x%x outside every section" % rva)

    def cstr(self, rva):
        o = self.off(rva)
        return self.data[o:self.data.index(b"\0", o)].decode("latin-1")

    def imports(self):
        return [dll for dll, _ in self.imported_functions()]

    def imported_functions(self):
        """[(DLL name, [function name, or ordinal as int])] in file order."""
        rva, size = self.dirs[1]
        out = []
        if not rva:
            return out
        o = self.off(rva)
        wide = self.magic == 0x20B
        while True:
            desc = struct.unpack_from("<IIIII", self.data, o)
            if desc == (0, 0, 0, 0, 0):
                return out
            thunk = self.off(desc[0] or desc[4])
            functions = []
            while True:
                entry = struct.unpack_from("<Q" if wide else "<I", self.data, thunk)[0]
                if entry == 0:
                    break
                if entry >> (63 if wide else 31):
                    functions.append(entry & 0xFFFF)
                else:
                    functions.append(self.cstr((entry & 0x7FFFFFFF) + 2))
                thunk += 8 if wide else 4
            out.append((self.cstr(desc[3]), functions))
            o += 20

    def os_versions(self):
        """((OS major, minor), (subsystem major, minor)) of the optional header."""
        opt = self.checksum_offset - 64
        return (struct.unpack_from("<HH", self.data, opt + 40),
                struct.unpack_from("<HH", self.data, opt + 48))

    def exports(self):
        """(module name, base, {name: ordinal}, [address by ordinal index])"""
        rva, size = self.dirs[0]
        if not rva:
            return None, 0, {}, [], 0
        o = self.off(rva)
        (_, stamp, _, _, name_rva, base, nfuncs, nnames, funcs, names,
         ords) = struct.unpack_from("<IIHHIIIIIII", self.data, o)
        addrs = [struct.unpack_from("<I", self.data, self.off(funcs) + 4 * i)[0] for i in range(nfuncs)]
        table = {}
        for i in range(nnames):
            n = self.cstr(struct.unpack_from("<I", self.data, self.off(names) + 4 * i)[0])
            idx = struct.unpack_from("<H", self.data, self.off(ords) + 2 * i)[0]
            table[n] = base + idx
        return self.cstr(name_rva), base, table, addrs, stamp

    def resources(self):
        """{type: {name: [languages]}}; named entries as str, ids as int."""
        return {t: {n: [lang for lang, _ in leaves] for n, leaves in names.items()}
                for t, names in self.resource_tree().items()}

    def resource_tree(self):
        """{type: {name: [(language, data bytes)]}}; records directory stamps."""
        self.resource_stamps = set()
        rva, size = self.dirs[2]
        if not rva:
            return {}
        root = self.off(rva)

        def entries(dir_off):
            _, stamp, _, _, nnamed, nids = struct.unpack_from("<IIHHHH", self.data, dir_off)
            self.resource_stamps.add(stamp)
            out = []
            for i in range(nnamed + nids):
                name, target = struct.unpack_from("<II", self.data, dir_off + 16 + 8 * i)
                if name & 0x80000000:
                    so = root + (name & 0x7FFFFFFF)
                    n = struct.unpack_from("<H", self.data, so)[0]
                    key = self.data[so + 2:so + 2 + 2 * n].decode("utf-16-le")
                else:
                    key = name
                out.append((key, target))
            return out

        def leaf(target):
            data_rva, data_size = struct.unpack_from("<II", self.data, root + target)
            o = self.off(data_rva)
            return self.data[o:o + data_size]

        tree = {}
        for tkey, ttarget in entries(root):
            names = {}
            for nkey, ntarget in entries(root + (ttarget & 0x7FFFFFFF)):
                names[nkey] = [(lkey, leaf(ltarget))
                               for lkey, ltarget in entries(root + (ntarget & 0x7FFFFFFF))]
            tree[tkey] = names
        return tree


def version_strings(blob):
    """(file version, product version, {key: value}) of a VS_VERSIONINFO blob."""
    fixed = blob.find(struct.pack("<I", 0xFEEF04BD))
    if fixed < 0:
        return None, None, {}
    fms, fls, pms, pls = struct.unpack_from("<IIII", blob, fixed + 8)

    def dotted(ms, ls):
        return "%d.%d.%d.%d" % (ms >> 16, ms & 0xFFFF, ls >> 16, ls & 0xFFFF)

    # String blocks: wLength, wValueLength, wType, key (UTF-16, NUL, pad to 4), value.
    strings = {}

    def walk(o, end, depth):
        while o + 6 <= end:
            length, vlen, vtype = struct.unpack_from("<HHH", blob, o)
            if length < 6:
                return
            k = kend = o + 6
            while blob[kend:kend + 2] != b"\0\0":
                kend += 2
            key = blob[k:kend].decode("utf-16-le")
            v = (kend + 2 + 3) & ~3
            vbytes = 2 * vlen if vtype == 1 else vlen
            if depth == 3 and vtype == 1:
                strings[key] = blob[v:v + vbytes].decode("utf-16-le").rstrip("\0")
            elif (depth, key) == (0, "VS_VERSION_INFO") or \
                    (depth, key) == (1, "StringFileInfo") or depth == 2:
                walk((v + vbytes + 3) & ~3, o + length, depth + 1)
            o = (o + length + 3) & ~3

    walk(0, len(blob), 0)
    return dotted(fms, fls), dotted(pms, pls), strings


def check_common(pe, failures, want_dll, machine, want_signed=False):
    check_signature(pe, failures, want_signed)
    want_machine, want_magic = MACHINES[machine]
    if pe.machine != want_machine:
        failures.append("machine 0x%x, not %s" % (pe.machine, machine))
    if pe.magic != want_magic:
        failures.append("optional header magic 0x%x, not 0x%x for %s" % (pe.magic, want_magic, machine))
    if bool(pe.characteristics & IMAGE_FILE_DLL) != want_dll:
        failures.append("DLL flag %s" % ("missing" if want_dll else "set"))
    if pe.timestamp != 0:
        failures.append("COFF time stamp 0x%x (builds must not carry one)" % pe.timestamp)
    for dll in pe.imports():
        if dll.lower() not in SYSTEM_DLLS:
            failures.append("imports %s, which is not a Windows system DLL" % dll)
    os_version, subsystem_version = pe.os_versions()
    for what, got in (("operating system", os_version), ("subsystem", subsystem_version)):
        if got != OS_FLOOR:
            failures.append("%s version %d.%d, not %d.%d (Windows %s)"
                            % ((what,) + got + OS_FLOOR + (WINDOWS_NAMES[OS_FLOOR],)))


def check_imports(pe, failures, kind):
    """Every imported function is on the binary's list and in the oldest
    Windows the header declares."""
    allowed = IMPORTS[kind]
    for dll, functions in pe.imported_functions():
        key = dll.lower()
        for f in functions:
            if isinstance(f, int):
                failures.append("imports %s ordinal %d: only names are on the list" % (dll, f))
            elif f not in allowed.get(key, ()):
                failures.append("imports %s!%s, which is not on %s's import list" % (dll, f, kind))
            elif WINDOWS_SINCE[key][f] > OS_FLOOR:
                since = WINDOWS_SINCE[key][f]
                failures.append("imports %s!%s, which Windows %s lacks (since %d.%d, Windows %s)"
                                % ((dll, f, WINDOWS_NAMES[OS_FLOOR]) + since
                                   + (WINDOWS_NAMES.get(since, "?"),)))


def check_signature(pe, failures, want_signed):
    table = pe.certificate_table()
    if table is None:
        if want_signed:
            failures.append("not signed: no certificate table")
        return
    offset, size = table
    sections_end = max(rawptr + size_ for _, _, size_, rawptr in pe.sections)
    if offset % 8 or offset < sections_end or size < 8 or offset + size != len(pe.data):
        failures.append("certificate table at 0x%x, %d bytes, is not an 8-aligned table "
                        "after the sections that ends the file (%d bytes)" % (offset, size, len(pe.data)))
        return
    at = offset
    while at < offset + size:
        length, revision, kind = struct.unpack_from("<IHH", pe.data, at)
        if length < 8 or at + length > offset + size:
            failures.append("certificate table entry at 0x%x has length %d" % (at, length))
            return
        if revision != WIN_CERT_REVISION_2_0 or kind != WIN_CERT_TYPE_PKCS_SIGNED_DATA:
            failures.append("certificate table entry at 0x%x: revision 0x%x, type %d, "
                            "not a PKCS#7 signature" % (at, revision, kind))
        at += (length + 7) & ~7


def check_same_as(pe, unsigned, failures):
    """A signed file is the unsigned one with a checksum, a certificate table
    directory and the table itself at the end; nothing else differs. An
    unsigned file must be the same bytes."""
    try:
        original = Pe(unsigned)
    except ValueError as e:
        failures.append("--same-as file unreadable: %s" % e)
        return
    if original.certificate_table() is not None:
        failures.append("--same-as file is signed itself")
        return
    table = pe.certificate_table()
    if table is None:
        if pe.data != unsigned:
            failures.append("unsigned and not byte for byte the --same-as file")
        return
    if table[0] < len(unsigned):
        failures.append("not the --same-as file with a certificate table appended")
        return

    def masked(data):
        data = bytearray(data[:len(unsigned)])
        struct.pack_into("<I", data, pe.checksum_offset, 0)
        struct.pack_into("<II", data, pe.dirs_offset + 8 * SECURITY_DIRECTORY, 0, 0)
        return data

    if (pe.checksum_offset, pe.dirs_offset) != (original.checksum_offset, original.dirs_offset) \
            or masked(pe.data) != masked(unsigned):
        failures.append("differs from the --same-as file beyond checksum and certificate table")
    if any(pe.data[len(unsigned):table[0]]):
        failures.append("non-zero bytes between the image and the certificate table")


def check_version(pe, failures, version, file_name):
    tree = pe.resource_tree()
    if any(pe.resource_stamps):
        failures.append("resource directory time stamps %s" % sorted(pe.resource_stamps))
    blocks = [data for leaves in tree.get(RT_VERSION, {}).values() for _, data in leaves]
    if not blocks:
        failures.append("no VERSIONINFO resource")
        return
    if len(blocks) != 1:
        failures.append("%d VERSIONINFO resources, not one" % len(blocks))
    if version is True:
        return
    want = version + ".0" * (3 - version.count("."))
    fv, pv, strings = version_strings(blocks[0])
    if fv != want or pv != want:
        failures.append("VERSIONINFO versions %s / %s, not %s" % (fv, pv, want))
    expect = {"FileVersion": version, "ProductVersion": version,
              "CompanyName": "KAVEN", "ProductName": "ZeltDrv",
              "OriginalFilename": file_name}
    for key, value in expect.items():
        if strings.get(key) != value:
            failures.append("VERSIONINFO %s is %r, not %r" % (key, strings.get(key), value))
    if not strings.get("FileDescription"):
        failures.append("VERSIONINFO has no FileDescription")


def check_manifest(pe, failures):
    """Exactly one RT_MANIFEST, id 1, asking for asInvoker: without it a
    standard user's writes into a protected folder are virtualised and
    reported as success."""
    manifests = [(rid, data) for rid, leaves in pe.resource_tree().get(RT_MANIFEST, {}).items()
                 for _, data in leaves]
    if len(manifests) != 1:
        failures.append("%d RT_MANIFEST resources, not one" % len(manifests))
    if not manifests:
        return
    rid, data = manifests[0]
    if rid != CREATEPROCESS_MANIFEST_RESOURCE_ID:
        failures.append("RT_MANIFEST id %s, not %d" % (rid, CREATEPROCESS_MANIFEST_RESOURCE_ID))
    try:
        root = ElementTree.fromstring(data)
    except ElementTree.ParseError as e:
        failures.append("RT_MANIFEST is not XML: %s" % e)
        return
    levels = [(e.get("level"), e.get("uiAccess"))
              for e in root.iter(ASM_V3 + "requestedExecutionLevel")]
    if levels != [("asInvoker", "false")]:
        failures.append("requestedExecutionLevel (level, uiAccess) %s, not asInvoker, false" % levels)
    oses = {e.get("Id", "").lower() for e in root.iter(COMPAT_V1 + "supportedOS")}
    if oses != SUPPORTED_OS:
        failures.append("supportedOS %s, not %s" % (sorted(oses), sorted(SUPPORTED_OS)))


def check_langpack(pe, failures, version, machine="i386", kind="langpack", want_signed=False):
    check_common(pe, failures, want_dll=False, machine=machine, want_signed=want_signed)
    check_imports(pe, failures, "langpack")
    if pe.subsystem != IMAGE_SUBSYSTEM_WINDOWS_GUI:
        failures.append("subsystem %d, not Windows GUI" % pe.subsystem)
    res = pe.resources()
    members = res.get("DEVFILE")
    if members is None:
        failures.append('no resource type "DEVFILE"')
    else:
        ids = sorted(k for k in members if isinstance(k, int))
        if ids != list(range(101, 201)) or len(members) != 100:
            failures.append("DEVFILE ids are not exactly 101-200: %s" % sorted(members, key=str))
        for rid, langs in members.items():
            if langs != [1041]:
                failures.append("DEVFILE %s has languages %s, not [1041]" % (rid, langs))
    check_manifest(pe, failures)
    if version:
        check_version(pe, failures, version, FILE_NAMES[kind])


def check_lppack(pe, failures, version, machine="i386", kind="lppack", want_signed=False):
    check_common(pe, failures, want_dll=False, machine=machine, want_signed=want_signed)
    check_imports(pe, failures, "lppack")
    if pe.subsystem != IMAGE_SUBSYSTEM_WINDOWS_CUI:
        failures.append("subsystem %d, not Windows console" % pe.subsystem)
    if "DEVFILE" in pe.resources():
        failures.append('carries "DEVFILE" resources: a langpack program, not the packer')
    check_manifest(pe, failures)
    if version:
        check_version(pe, failures, version, FILE_NAMES[kind])


def check_drvbridge(pe, failures, version, machine="i386", kind="drvbridge", want_signed=False):
    check_common(pe, failures, want_dll=True, machine=machine, want_signed=want_signed)
    check_imports(pe, failures, "drvbridge")
    module, base, table, addrs, stamp = pe.exports()
    if module is None:
        failures.append("no export directory")
        return
    if module.lower() != "drvbridge.dll":
        failures.append("export module name %s" % module)
    if stamp != 0:
        failures.append("export directory time stamp 0x%x" % stamp)
    want = {name: i + 1 for i, name in enumerate(BRIDGE_EXPORTS)}
    if table != want:
        failures.append("exports differ: got %s" % sorted(table.items(), key=lambda kv: kv[1]))
    if base != 1 or len(addrs) != len(BRIDGE_EXPORTS):
        failures.append("ordinal base %d with %d functions" % (base, len(addrs)))
    for name in table:
        if name.startswith("_") or "@" in name:
            failures.append("decorated export %s" % name)
    if version:
        check_version(pe, failures, version, FILE_NAMES[kind])


def main(argv):
    checks = {"langpack": check_langpack, "drvbridge": check_drvbridge, "lppack": check_lppack}
    if len(argv) < 3 or argv[1] not in checks:
        print(__doc__, file=sys.stderr)
        return 2
    opts = argv[3:]
    machine = "i386"
    if "--machine" in opts:
        i = opts.index("--machine")
        if i + 1 >= len(opts) or opts[i + 1] not in MACHINES:
            print(__doc__, file=sys.stderr)
            return 2
        machine = opts[i + 1]
        del opts[i:i + 2]
    same_as = None
    if "--same-as" in opts:
        i = opts.index("--same-as")
        if i + 1 >= len(opts):
            print(__doc__, file=sys.stderr)
            return 2
        with open(opts[i + 1], "rb") as f:
            same_as = f.read()
        del opts[i:i + 2]
    want_signed = "--signed" in opts
    if want_signed:
        opts.remove("--signed")
    version = "--no-version" not in opts
    if "--version" in opts:
        i = opts.index("--version")
        if i + 1 >= len(opts) or not version:
            print(__doc__, file=sys.stderr)
            return 2
        version = opts[i + 1]
    with open(argv[2], "rb") as f:
        pe = Pe(f.read())
    failures = []
    check = checks[argv[1]]
    check(pe, failures, version, machine, want_signed=want_signed)
    if same_as is not None:
        check_same_as(pe, same_as, failures)
    for f in failures:
        print("%s: %s" % (argv[2], f))
    if failures:
        return 1
    signed = " (signed)" if pe.certificate_table() else ""
    print("%s: contract holds%s" % (argv[2], signed))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
