#include "rules.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <utility>

namespace {

using std::uint64_t;

// Where the PE format keeps what the rules read: each field by its offset
// from the start of its header; the optional header's as in 64-bit images
// (PE32+), the only kind the plug-in is built as.
constexpr uint64_t DosHeaderSize = 64, PeOffsetField = 0x3c;
constexpr uint64_t MachineField = 4, SectionCountField = 6, OptionalSizeField = 20;
constexpr uint64_t OptionalHeader = 24; // after "PE\0\0" and the file header
constexpr uint64_t MagicField = 0, DllCharacteristicsField = 70;
constexpr uint64_t DirectoryCountField = 108, DirectoriesField = 112, DirectorySize = 8;
constexpr uint64_t SectionHeaderSize = 40, SectionAddressField = 12, RawSizeField = 16;
constexpr uint64_t RawPointerField = 20, SectionCharacteristicsField = 36;
constexpr uint64_t Pe32Plus = 0x20b, MachineX64 = 0x8664;
enum Directory : unsigned { Exports = 0, Imports = 1, Exceptions = 3, Security = 4 };
constexpr uint64_t CodeContents = 0x20, Executable = 0x20000000, Writable = 0x80000000;
// An export's ordinal is 16 bits: no table of a real image is longer.
constexpr uint64_t MostEntries = 0xffff, LongestName = 512;

const char *const ExpectedExports[] = {"GetPluginInfo", "Help", "InitializePlugin",
                                       "ShutdownPlugin", "f_tolvaris"};
const char *const AllowedImports[] = {"ADVAPI32.dll", "KERNEL32.dll", "TakeCmd.dll", "USER32.dll"};
const struct {
    uint64_t bit;
    const char *name;
} RequiredFlags[] = {{0x40, "DYNAMIC_BASE"}, {0x20, "HIGH_ENTROPY_VA"}, {0x100, "NX_COMPAT"}};

struct Section {
    std::string name;
    uint64_t address, raw_size, raw_pointer, characteristics;
};

// The file's bytes, read field by field. A read past the end of the file,
// or of the section data an address falls in, gives 0 and clears ok, which
// stays cleared: a run of reads is checked once, at its end.
class Image {
public:
    Image(const unsigned char *bytes, uint64_t length) : size(length), file_(bytes) {}
    const uint64_t size;
    bool ok = true;
    uint64_t machine = 0, dll_characteristics = 0;
    std::vector<std::pair<uint64_t, uint64_t>> directories; // address, size
    std::vector<Section> sections;

    uint64_t Field(uint64_t at, unsigned width)
    {
        if (at > size || size - at < width) {
            ok = false;
            return 0;
        }
        uint64_t value = 0;
        for (unsigned i = width; i-- > 0;)
            value = value << 8 | file_[at + i];
        return value;
    }
    // A field at an address of the loaded image (a relative virtual
    // address), as the directories give them.
    uint64_t FieldAt(uint64_t address, unsigned width)
    {
        uint64_t at = 0, end = 0;
        if (Locate(address, at, end) && end - at >= width)
            return Field(at, width);
        ok = false;
        return 0;
    }
    // The NUL-terminated name at an address.
    std::string NameAt(uint64_t address)
    {
        uint64_t at = 0, end = 0;
        if (Locate(address, at, end))
            for (uint64_t i = at; i < end && i - at <= LongestName; ++i)
                if (file_[i] == 0)
                    return std::string(reinterpret_cast<const char *>(file_ + at), i - at);
        ok = false;
        return "";
    }
    std::pair<uint64_t, uint64_t> Entry(Directory entry) const
    {
        return entry < directories.size() ? directories[entry]
                                          : std::pair<uint64_t, uint64_t>(0, 0);
    }

private:
    const unsigned char *file_;

    // The file offset of an address, and the end of its section's data.
    bool Locate(uint64_t address, uint64_t &at, uint64_t &end) const
    {
        for (const Section &section : sections)
            if (address >= section.address && address - section.address < section.raw_size) {
                at = section.raw_pointer + (address - section.address);
                end = section.raw_pointer + section.raw_size;
                return true; // the headers' check saw that all of it is in the file
            }
        return false;
    }
};

std::string Hex(uint64_t value, int digits = 1)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%0*llx", digits, static_cast<unsigned long long>(value));
    return text;
}

std::string Bytes(uint64_t count)
{
    return std::to_string(count) + " bytes";
}

std::string Joined(const std::vector<std::string> &names)
{
    std::string text;
    for (const std::string &name : names)
        text += (text.empty() ? "" : " ") + name;
    return text.empty() ? "(none)" : text;
}

std::string Lower(std::string text)
{
    for (char &c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// Reads the headers and the section table; or says why the file is not a
// whole 64-bit PE image, which no rule can be read from.
std::string ReadHeaders(Image &image)
{
    if (image.size < DosHeaderSize || image.Field(0, 2) != 0x5a4d) // "MZ"
        return "not a PE image: " + Bytes(image.size) +
               ", with no DOS header (\"MZ\") at the start";
    uint64_t pe = image.Field(PeOffsetField, 4);
    if (image.Field(pe, 4) != 0x4550) // "PE\0\0"
        return "not a PE image: no \"PE\" signature at " + Hex(pe) +
               ", where its DOS header points";
    uint64_t optional = pe + OptionalHeader;
    uint64_t optional_size = image.Field(pe + OptionalSizeField, 2);
    uint64_t magic = image.Field(optional + MagicField, 2);
    if (image.ok && magic != Pe32Plus)
        return "optional header magic " + Hex(magic, 3) + " - expected " + Hex(Pe32Plus, 3) +
               ", a 64-bit image (PE32+)";
    image.machine = image.Field(pe + MachineField, 2);
    image.dll_characteristics = image.Field(optional + DllCharacteristicsField, 2);
    uint64_t directories = std::min<uint64_t>(image.Field(optional + DirectoryCountField, 4), 16);
    if (DirectoriesField + directories * DirectorySize > optional_size)
        return "the optional header, " + Bytes(optional_size) + ", is too short for its " +
               std::to_string(directories) + " data directories";
    for (uint64_t i = 0; i < directories; ++i) {
        uint64_t at = optional + DirectoriesField + i * DirectorySize;
        image.directories.emplace_back(image.Field(at, 4), image.Field(at + 4, 4));
    }
    uint64_t sections = image.Field(pe + SectionCountField, 2);
    for (uint64_t i = 0; i < sections; ++i) {
        uint64_t at = optional + optional_size + i * SectionHeaderSize;
        std::string name;
        for (unsigned c = 0; c < 8 && image.Field(at + c, 1) != 0; ++c)
            name += static_cast<char>(image.Field(at + c, 1));
        image.sections.push_back({name, image.Field(at + SectionAddressField, 4),
                                  image.Field(at + RawSizeField, 4),
                                  image.Field(at + RawPointerField, 4),
                                  image.Field(at + SectionCharacteristicsField, 4)});
    }
    if (!image.ok)
        return "cut short: its headers end past the end of the file, " + Bytes(image.size);
    for (const Section &section : image.sections)
        if (section.raw_pointer + section.raw_size > image.size)
            return "cut short: section " + section.name + "'s data ends at " +
                   Hex(section.raw_pointer + section.raw_size) + ", past the end of the file, " +
                   Bytes(image.size);
    return "";
}

// The names the export directory lists, in their order, which is the
// byte order of the names; and any function exported by ordinal alone.
std::vector<std::string> ExportNames(Image &image, std::vector<std::string> &faults)
{
    std::vector<std::string> names;
    uint64_t directory = image.Entry(Exports).first;
    if (image.Entry(Exports).second == 0)
        return names;
    uint64_t functions = image.FieldAt(directory + 20, 4), count = image.FieldAt(directory + 24, 4);
    uint64_t function_table = image.FieldAt(directory + 28, 4);
    uint64_t name_table = image.FieldAt(directory + 32, 4);
    for (uint64_t i = 0; image.ok && i < count && i <= MostEntries; ++i)
        names.push_back(image.NameAt(image.FieldAt(name_table + 4 * i, 4)));
    uint64_t exported = 0; // entries with an address; names may share one
    for (uint64_t i = 0; image.ok && i < functions && i <= MostEntries; ++i)
        exported += image.FieldAt(function_table + 4 * i, 4) != 0;
    if (!image.ok) {
        faults.push_back("the export directory at " + Hex(directory) +
                         " is cut short or points out of the file - expected its five names");
        image.ok = true;
    } else if (exported > count) {
        names.push_back("(and " + std::to_string(exported - count) + " by ordinal alone)");
    }
    return names;
}

// The DLLs the import directory names.
std::vector<std::string> ImportedDlls(Image &image, std::vector<std::string> &faults)
{
    std::vector<std::string> names;
    uint64_t directory = image.Entry(Imports).first;
    if (image.Entry(Imports).second == 0)
        return names;
    // A descriptor of 20 bytes per DLL: its name at 12, its import address
    // table at 16; one with neither ends the table.
    for (uint64_t at = directory; image.ok && at - directory <= 20 * MostEntries; at += 20) {
        uint64_t name = image.FieldAt(at + 12, 4);
        if (name == 0 && image.FieldAt(at + 16, 4) == 0)
            break;
        names.push_back(image.NameAt(name));
    }
    if (!image.ok)
        faults.push_back("the import directory at " + Hex(directory) +
                         " is cut short or points out of the file");
    return names;
}

} // namespace

ImageCheck CheckImage(const unsigned char *file, std::size_t size)
{
    ImageCheck check;
    std::vector<std::string> &faults = check.faults;
    Image image(file, size);
    std::string unreadable = ReadHeaders(image);
    if (!unreadable.empty()) {
        faults.push_back(unreadable);
        return check;
    }

    // The host finds the plug-in by these names; any other is a mistake,
    // such as a C++ name, or a helper's export left in.
    std::size_t earlier = faults.size(); // more: the directory could not be read
    std::vector<std::string> exports = ExportNames(image, faults);
    std::vector<std::string> expected(std::begin(ExpectedExports), std::end(ExpectedExports));
    if (faults.size() == earlier && exports != expected)
        faults.push_back("exports: " + Joined(exports) + " - expected: " + Joined(expected));

    // A C or C++ runtime, or any DLL a bare system may lack, keeps the
    // plug-in from loading; names of DLLs are not case-sensitive.
    std::vector<std::string> imports = ImportedDlls(image, faults), foreign;
    std::sort(imports.begin(), imports.end(),
              [](const std::string &a, const std::string &b) { return Lower(a) < Lower(b); });
    for (const std::string &name : imports)
        if (std::none_of(std::begin(AllowedImports), std::end(AllowedImports),
                         [&](const char *allowed) { return Lower(allowed) == Lower(name); }))
            foreign.push_back(name);
    if (!foreign.empty())
        faults.push_back("imports from " + Joined(foreign) + " - expected: from " +
                         Joined({std::begin(AllowedImports), std::end(AllowedImports)}) + " only");

    // Without the exception directory, Windows takes every function for a
    // leaf, and cannot unwind an exception through the plug-in's frames.
    if (image.machine != MachineX64)
        faults.push_back("machine " + Hex(image.machine, 4) + " - expected x64 (" +
                         Hex(MachineX64, 4) + ")");
    if (image.Entry(Exceptions).second == 0)
        faults.push_back(
            "no unwind data: the exception directory (entry 3) is empty - "
            "expected x64 unwind data (.pdata)");

    // ASLR, with 64-bit entropy, and DEP.
    for (const auto &flag : RequiredFlags)
        if ((image.dll_characteristics & flag.bit) == 0)
            faults.push_back("DllCharacteristics " + Hex(image.dll_characteristics, 4) +
                             " without " + flag.name + " (" + Hex(flag.bit, 4) +
                             ") - expected DYNAMIC_BASE, HIGH_ENTROPY_VA and NX_COMPAT");

    for (const Section &section : image.sections)
        if ((section.characteristics & (CodeContents | Executable)) != 0 &&
            (section.characteristics & Writable) != 0)
            faults.push_back("section " + section.name + " is code and writable (characteristics " +
                             Hex(section.characteristics, 8) + ") - expected read-only code");

    // An Authenticode signature, appended to the file and named by the
    // security directory, whose address is a file offset, is not part of
    // the code: it is not counted.
    auto [signature_at, signature] = image.Entry(Security);
    if (signature_at + signature > image.size) {
        faults.push_back("the signature the security directory (entry 4) names, " +
                         Bytes(signature) + " at " + Hex(signature_at) +
                         ", ends past the end of the file, " + Bytes(image.size));
        signature = 0;
    }
    uint64_t counted = image.size - signature;
    std::string signed_ =
        signature == 0 ? "" : " (and a signature of " + std::to_string(signature) + ")";
    if (counted > MaxImageSize)
        faults.push_back("size: " + Bytes(counted) + signed_ + " - expected at most " +
                         std::to_string(MaxImageSize) + " (" +
                         std::to_string(counted - MaxImageSize) + " over)");
    else if (faults.empty())
        check.summary = Bytes(counted) + signed_ + ", " + std::to_string(MaxImageSize - counted) +
                        " under the cap of " + std::to_string(MaxImageSize) + ": imports " +
                        Joined(imports) + "; exports " + Joined(exports);
    return check;
}
