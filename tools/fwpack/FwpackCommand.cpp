#include "FwpackCommand.h"

#include "Manifest.h"

#include "platform/os/DurableFile.h"
#include "platform/os/Utf16.h"
#include "updater/package/ImageChecksum.h"
#include "updater/package/PackageBuilder.h"
#include "updater/package/VersionBlock.h"

#include <sys/stat.h>

#include <cstdio>
#include <iomanip>
#include <sstream>

namespace lumetta::fwpack {

namespace fs = std::filesystem;

namespace {

constexpr int EXIT_OK = 0;
constexpr int EXIT_FAILED = 1;
constexpr int EXIT_USAGE = 2;

// A program with its package can be large; the program part is read whole to copy it.
constexpr std::size_t MAX_PROGRAM_BYTES = 512u * 1024 * 1024;

struct Options {
    bool help = false;
    std::string inspect;
    std::string program;
    std::string output;
    std::string manifest;
    bool replace = false;
};

std::string hex(std::uint32_t value, int width) {
    std::ostringstream text;
    text << "0x" << std::uppercase << std::hex << std::setw(width) << std::setfill('0') << value;
    return text.str();
}

// A printable form of the model id: the text when all of it is plain ASCII, and the bytes.
std::string modelIdText(const std::array<std::uint8_t, MODEL_ID_SIZE>& id) {
    std::string text;
    std::ostringstream bytes;
    bool printable = true;
    for (std::size_t i = 0; i < id.size(); ++i) {
        bytes << (i ? " " : "") << std::uppercase << std::hex << std::setw(2) << std::setfill('0')
              << int(id[i]);
        if (id[i] != 0) {
            printable = printable && id[i] >= 0x20 && id[i] < 0x7F;
            text.push_back(static_cast<char>(id[i]));
        }
    }
    return (printable ? "\"" + text + "\" " : std::string()) + "(" + bytes.str() + ")";
}

std::string quoted(std::span<const char16_t> field) {
    return "\"" + os::utf16ToUtf8(fieldText(field)) + "\"";
}

std::optional<std::string> parseOptions(const std::vector<std::string>& arguments,
                                        Options& options) {
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        auto value = [&](std::string& into) -> std::optional<std::string> {
            if (i + 1 >= arguments.size()) {
                return argument + " needs a file name";
            }
            into = arguments[++i];
            return std::nullopt;
        };
        std::optional<std::string> problem;
        if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--inspect") {
            problem = value(options.inspect);
        } else if (argument == "--program") {
            problem = value(options.program);
        } else if (argument == "--output" || argument == "-o") {
            problem = value(options.output);
        } else if (argument == "--replace") {
            options.replace = true;
        } else if (!argument.empty() && argument[0] == '-') {
            problem = "unknown option " + argument;
        } else if (options.manifest.empty()) {
            options.manifest = argument;
        } else {
            problem = "more than one manifest given";
        }
        if (problem) {
            return problem;
        }
    }
    if (options.help) {
        return std::nullopt;
    }
    if (!options.inspect.empty()) {
        if (!options.manifest.empty() || !options.output.empty() || !options.program.empty()) {
            return std::string("--inspect takes only the file to inspect");
        }
        return std::nullopt;
    }
    if (options.manifest.empty()) {
        return std::string("no manifest given");
    }
    if (options.output.empty()) {
        return std::string("no --output file given");
    }
    if (options.replace && options.program.empty()) {
        return std::string("--replace needs --program");
    }
    return std::nullopt;
}

void describeSlot(const PackageReadResult& result, int slot, std::ostream& out) {
    const ImageEntry& image = result.package.header.Images[slot];
    out << "slot " << slot << ": ";
    if (image.FirmwareLength == 0) {
        out << "empty";
        if (image.VersionLength != 0) {
            out << " (version length " << image.VersionLength << ")";
        }
        out << "\n";
        return;
    }
    out << quoted(image.Name) << ", layout id " << image.LayoutId << ", version "
        << int(image.VersionMajor) << "." << int(image.VersionMinor) << "." << image.VersionBuild
        << ", firmware " << image.FirmwareLength << " bytes, version block " << image.VersionLength
        << " bytes";
    if (!result.slotComplete[slot]) {
        out << ", DAMAGED: does not fit in the file\n";
        return;
    }
    out << ", checksum " << hex(imageChecksum(result.package.firmware[slot]), 8) << "\n";
    const VersionBlockInfo block = parseVersionBlock(result.package.version[slot]);
    out << "        version block: ";
    if (block.erased) {
        out << "erased";
    } else {
        out << "text \"" << os::utf16ToUtf8(block.text) << "\"";
    }
    if (block.hasVersion) {
        out << ", version " << int(block.major) << "." << int(block.minor) << "." << block.build;
    }
    out << "\n";
}

int inspect(const std::string& file, std::ostream& out, std::ostream& err) {
    const PackageReadResult result = readFirmwarePackage(fs::path(file));
    switch (result.status) {
    case PackageStatus::CannotOpen:
        err << "fwpack: " << file << ": cannot be opened\n";
        return EXIT_FAILED;
    case PackageStatus::CannotReadHeader:
    case PackageStatus::NoMarker:
        err << "fwpack: " << file << ": no firmware package at the end of the file\n";
        return EXIT_FAILED;
    case PackageStatus::Ok:
    case PackageStatus::ShortBlock:
        break;
    }
    const PackageHeader& h = result.package.header;
    std::error_code ignored;
    const auto size = fs::file_size(file, ignored);
    if (result.status == PackageStatus::Ok) {
        out << "package: " << size - result.packageStart << " bytes from offset "
            << result.packageStart << " of " << size << "\n";
    } else {
        out << "package: header found in a file of " << size << " bytes\n";
    }
    out << "model id: " << modelIdText(h.ModelId) << "\n"
        << "sub-device scan: " << int(h.SubDeviceScan) << ", index " << int(h.SubDeviceIndex)
        << "\n"
        << "bootloader ids: " << hex(h.BootVendorId, 4) << " " << hex(h.BootProductId, 4) << "\n"
        << "application ids: " << hex(h.AppVendorId, 4) << " " << hex(h.AppProductId, 4) << "\n"
        << "block size: " << int(h.BlockSize) << "\n"
        << "title: " << quoted(h.Title) << "\n"
        << "text 1: " << quoted(h.Text1) << "\n"
        << "text 2: " << quoted(h.Text2) << "\n"
        << "version text: " << quoted(h.VersionText) << "\n";
    for (int slot = 0; slot < IMAGE_SLOTS; ++slot) {
        describeSlot(result, slot, out);
    }
    if (result.status != PackageStatus::Ok) {
        err << "fwpack: " << file
            << ": the package is damaged (a block does not fit in the file)\n";
        return EXIT_FAILED;
    }
    return EXIT_OK;
}

// The program part of --program: the whole file, or without its old package with --replace.
std::optional<std::vector<std::uint8_t>> programBytes(const Options& options, std::ostream& err) {
    os::FileContent content = os::readFileLimited(options.program, MAX_PROGRAM_BYTES);
    if (content.status != os::FileContent::Status::Ok) {
        err << "fwpack: " << options.program
            << (content.status == os::FileContent::Status::Missing ? ": does not exist\n"
                                                                   : ": cannot be read\n");
        return std::nullopt;
    }
    const PackageReadResult existing = readFirmwarePackage(fs::path(options.program));
    if (existing.status == PackageStatus::ShortBlock) {
        err << "fwpack: " << options.program << ": ends in a damaged firmware package\n";
        return std::nullopt;
    }
    if (existing.status == PackageStatus::Ok) {
        if (!options.replace) {
            err << "fwpack: " << options.program
                << ": already carries a firmware package (add --replace to swap it)\n";
            return std::nullopt;
        }
        content.bytes.resize(existing.packageStart);
    }
    return std::move(content.bytes);
}

int build(const Options& options, std::ostream& out, std::ostream& err) {
    const os::FileContent text = os::readFileLimited(options.manifest, 1024 * 1024);
    if (text.status != os::FileContent::Status::Ok) {
        err << "fwpack: " << options.manifest
            << (text.status == os::FileContent::Status::Missing ? ": does not exist\n"
                                                                : ": cannot be read\n");
        return EXIT_FAILED;
    }
    const ManifestResult manifest = parseManifest(
        std::string_view(reinterpret_cast<const char*>(text.bytes.data()), text.bytes.size()));
    if (!manifest.manifest) {
        err << "fwpack: " << options.manifest << ": " << manifest.error << "\n";
        return EXIT_FAILED;
    }
    const PackageResult package =
        packageFromManifest(*manifest.manifest, fs::path(options.manifest).parent_path());
    if (!package.package) {
        err << "fwpack: " << options.manifest << ": " << package.error << "\n";
        return EXIT_FAILED;
    }
    std::vector<std::uint8_t> bytes;
    if (!options.program.empty()) {
        auto program = programBytes(options, err);
        if (!program) {
            return EXIT_FAILED;
        }
        bytes = std::move(*program);
    }
    const std::size_t programSize = bytes.size();
    const std::vector<std::uint8_t> stored = buildPackageBytes(*package.package);
    bytes.insert(bytes.end(), stored.begin(), stored.end());
    std::error_code missing;
    const bool existed = fs::exists(options.output, missing);
    if (const auto error = os::replaceFileDurably(options.output, bytes)) {
        err << "fwpack: " << options.output << ": cannot be written: " << error.message() << "\n";
        return EXIT_FAILED;
    }
    // A program with its package must stay runnable.
    struct stat info {};
    if (!existed && !options.program.empty() && ::stat(options.program.c_str(), &info) == 0) {
        ::chmod(options.output.c_str(), info.st_mode & 07777);
    }
    out << "fwpack: wrote " << options.output << " (" << stored.size() << " bytes of package";
    if (!options.program.empty()) {
        out << " after " << programSize << " bytes of program";
    }
    out << ")\n";
    return EXIT_OK;
}

} // namespace

std::string usageText() {
    return "usage: fwpack [--program PROGRAM [--replace]] --output FILE MANIFEST\n"
           "       fwpack --inspect FILE\n"
           "Builds a firmware package from MANIFEST and writes it alone, or appended to a copy\n"
           "of PROGRAM, to FILE; --replace swaps a package PROGRAM already carries.\n"
           "--inspect shows the package at the end of FILE.\n";
}

int runFwpack(const std::vector<std::string>& arguments, std::ostream& out, std::ostream& err) {
    Options options;
    if (const auto problem = parseOptions(arguments, options)) {
        err << "fwpack: " << *problem << " (fwpack --help shows the usage)\n";
        return EXIT_USAGE;
    }
    if (options.help) {
        out << usageText();
        return EXIT_OK;
    }
    if (!options.inspect.empty()) {
        return inspect(options.inspect, out, err);
    }
    return build(options, out, err);
}

} // namespace lumetta::fwpack
