#pragma once

// Firmware packages for the updater's tests, made with fwpack from a manifest, the way a
// release is made.

#include "FwpackCommand.h"
#include "SimulatedKeyboard.h"
#include "updater/package/FirmwarePackage.h"

#include <cstdint>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace lumetta::flash::test {

inline constexpr std::uint32_t DEMO_IMAGE_SIZE = 40 * 1024;

// A deterministic image that differs from the simulated keyboard's factory firmware.
inline std::vector<std::uint8_t> testImage(std::uint32_t size, std::uint32_t seed) {
    std::vector<std::uint8_t> image(size);
    std::uint32_t x = 0x9E3779B9u ^ seed;
    for (auto& byte : image) {
        x = x * 1664525u + 1013904223u;
        byte = static_cast<std::uint8_t>(x >> 24);
    }
    return image;
}

struct PackageOptions {
    std::string modelId = "LUMETTA-SIM-0001";
    std::uint32_t imageSize = DEMO_IMAGE_SIZE;
    int blockSize = 56;
};

// The package of the demonstration build: US, EU and JP slots (layout ids 1, 2, 3), version 1.2
// build 6, for the simulated keyboard's ids. False with the reason when it could not be made.
inline bool makeTestPackage(const PackageOptions& options, FirmwarePackage& package,
                            std::string& error) {
    ScratchFolder folder("lumetta-fwpack");
    const char* names[] = {"US", "EU", "JP"};
    std::ostringstream manifest;
    manifest << "[package]\n"
             << "model_id = " << options.modelId << "\n"
             << "boot_vendor_id = 0x04D9\nboot_product_id = 0x1203\n"
             << "app_vendor_id = 0x04D9\napp_product_id = 0x0203\n"
             << "block_size = " << options.blockSize << "\n"
             << "title = Lumetta Reflasher\n"
             << "version_text = V1.2 build 6\n";
    for (int slot = 0; slot < 3; ++slot) {
        const auto image = testImage(options.imageSize, static_cast<std::uint32_t>(slot + 1));
        const std::string file = std::string(names[slot]) + ".bin";
        std::ofstream(folder.path() / file, std::ios::binary)
            .write(reinterpret_cast<const char*>(image.data()),
                   static_cast<std::streamsize>(image.size()));
        manifest << "[slot " << slot << "]\nfirmware = " << file << "\nname = " << names[slot]
                 << "\nlayout_id = " << slot + 1 << "\nmajor = 1\nminor = 2\nbuild = 6\n";
    }
    std::ofstream(folder.path() / "package.ini") << manifest.str();
    std::ostringstream out;
    std::ostringstream err;
    const auto packagePath = folder.path() / "package.bin";
    if (fwpack::runFwpack(
            {"--output", packagePath.string(), (folder.path() / "package.ini").string()}, out,
            err) != 0) {
        error = "fwpack: " + err.str();
        return false;
    }
    PackageReadResult read = readFirmwarePackage(packagePath);
    if (read.status != PackageStatus::Ok) {
        error = "the package fwpack made does not load";
        return false;
    }
    package = std::move(read.package);
    return true;
}

} // namespace lumetta::flash::test
