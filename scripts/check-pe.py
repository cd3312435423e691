#!/usr/bin/python3
# What a plant's IT checks in each shipped program or DLL before letting it in, read from the
# PE headers with pefile (Debian's python3-pefile; /usr/bin/python3, as another Python on
# the path may lack it):
#   - ASLR: a dynamic base, with its relocations kept (an image without them cannot move);
#     high-entropy addresses for a 64-bit one;
#   - DEP: NX-compatible;
#   - no section both writable and executable;
#   - imports only from DLLs that Windows always loads from its own folder: the known DLLs,
#     and comctl32 only through the manifest's dependency on the Common Controls 6 (which
#     Windows then takes from its side-by-side store); no delay-loaded imports;
#   - with --unsigned: no Authenticode signature (scripts/package.sh signs only when asked).
#   scripts/check-pe.py [--unsigned] FILE...   one line a failed check, exit 1 if any
import sys

import pefile

# Windows 7 SP1's KnownDLLs (HKLM\System\CurrentControlSet\Control\Session Manager\KnownDLLs),
# and ntdll, which every process has. A DLL of one of these names beside a program is never
# loaded in its place.
KNOWN_DLLS = {
    "advapi32.dll", "clbcatq.dll", "comdlg32.dll", "difxapi.dll", "gdi32.dll", "iertutil.dll",
    "imagehlp.dll", "imm32.dll", "kernel32.dll", "lpk.dll", "msctf.dll", "msvcrt.dll",
    "normaliz.dll", "nsi.dll", "ntdll.dll", "ole32.dll", "oleaut32.dll", "psapi.dll",
    "rpcrt4.dll", "sechost.dll", "setupapi.dll", "shell32.dll", "shlwapi.dll", "urlmon.dll",
    "user32.dll", "usp10.dll", "wininet.dll", "wldap32.dll", "ws2_32.dll",
}
COMMON_CONTROLS_6 = b"Microsoft.Windows.Common-Controls"

DYNAMIC_BASE = 0x0040
HIGH_ENTROPY_VA = 0x0020
NX_COMPAT = 0x0100
RELOCS_STRIPPED = 0x0001
SCN_WRITE = 0x80000000
SCN_EXECUTE = 0x20000000


def manifest_of(pe):
    """The bytes of the file's RT_MANIFEST resources, b"" without any."""
    found = b""
    if not hasattr(pe, "DIRECTORY_ENTRY_RESOURCE"):
        return found
    for kind in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if kind.id != pefile.RESOURCE_TYPE["RT_MANIFEST"]:
            continue
        for name in kind.directory.entries:
            for language in name.directory.entries:
                data = language.data.struct
                found += pe.get_data(data.OffsetToData, data.Size)
    return found


def check(path, unsigned):
    faults = []
    pe = pefile.PE(path)
    is64 = pe.OPTIONAL_HEADER.Magic == pefile.OPTIONAL_HEADER_MAGIC_PE_PLUS
    flags = pe.OPTIONAL_HEADER.DllCharacteristics
    if not flags & DYNAMIC_BASE:
        faults.append("no ASLR (DYNAMIC_BASE is not set)")
    reloc = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_BASERELOC"]]
    if pe.FILE_HEADER.Characteristics & RELOCS_STRIPPED or reloc.Size == 0:
        faults.append("no relocations: the image cannot be moved, whatever DYNAMIC_BASE says")
    if is64 and not flags & HIGH_ENTROPY_VA:
        faults.append("64-bit without high-entropy addresses (HIGH_ENTROPY_VA)")
    if not flags & NX_COMPAT:
        faults.append("no DEP (NX_COMPAT is not set)")
    for section in pe.sections:
        if section.Characteristics & SCN_WRITE and section.Characteristics & SCN_EXECUTE:
            name = section.Name.rstrip(b"\0").decode("ascii", "replace")
            faults.append("section %s is both writable and executable" % name)
    manifest = manifest_of(pe)
    for entry in getattr(pe, "DIRECTORY_ENTRY_IMPORT", []):
        dll = entry.dll.decode("ascii", "replace").lower()
        if dll in KNOWN_DLLS:
            continue
        if dll == "comctl32.dll" and COMMON_CONTROLS_6 in manifest:
            continue
        if dll == "comctl32.dll":
            faults.append("imports comctl32.dll without the manifest's Common Controls 6 dependency")
        else:
            faults.append("imports %s, which is not a known DLL: a file of that name beside it would be loaded" % dll)
    for entry in getattr(pe, "DIRECTORY_ENTRY_DELAY_IMPORT", []):
        faults.append("delay-loads %s" % entry.dll.decode("ascii", "replace"))
    security = pe.OPTIONAL_HEADER.DATA_DIRECTORY[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_SECURITY"]]
    if unsigned and security.Size != 0:
        faults.append("signed, though nothing was to be signed")
    return faults


def main(args):
    unsigned = False
    if args and args[0] == "--unsigned":
        unsigned = True
        args = args[1:]
    if not args:
        print("usage: scripts/check-pe.py [--unsigned] FILE...", file=sys.stderr)
        return 2
    status = 0
    for path in args:
        try:
            faults = check(path, unsigned)
        except (pefile.PEFormatError, OSError) as error:
            faults = ["cannot be read: %s" % error]
        for fault in faults:
            print("%s: %s" % (path, fault))
            status = 1
    return status


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
