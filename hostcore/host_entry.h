#pragma once

// What the launcher and the host runtime library agree on. Plain C types only: the launcher
// links nothing but the C++ standard library, and the two sides meet through dlsym.

#include <cstdint>

namespace glimmer::host {

// Identifies a record as a program image and says which layout it has.
inline constexpr std::uint32_t program_image_magic = 0x484d4c47; // "GLMH" in memory order
inline constexpr std::uint32_t program_image_version = 1;

// The program image the launcher owns and hands to the runtime entry. The program itself is
// linked into the runtime library; the image tells the runtime that a launcher it understands
// is asking it to start the program.
struct ProgramImage {
    std::uint32_t magic;
    std::uint32_t version;
    std::uint32_t size; // sizeof the record as the launcher built it
    // The command line the launcher was started with, argv[0] (the program's name) first.
    std::int32_t argc;
    char** argv;
};

inline constexpr ProgramImage current_program_image{program_image_magic, program_image_version,
                                                    sizeof(ProgramImage), 0, nullptr};

// A record the runtime may start from: present, marked, of this layout and not cut short.
inline bool program_image_valid(const ProgramImage* image) {
    return image != nullptr && image->magic == program_image_magic &&
           image->version == program_image_version && image->size >= sizeof(ProgramImage) &&
           image->argc >= 0 && (image->argc == 0 || image->argv != nullptr);
}

// The runtime entry routine: starts the program and returns when it has ended.
using HostEntry = void (*)(const ProgramImage* image);

// The only request GetHostEntry grants; anything else gets a null entry.
inline constexpr int host_entry_request = 1000;

// Exported by the runtime library under this name, with C linkage.
inline constexpr const char* host_entry_export = "GetHostEntry";
using GetHostEntryFunction = HostEntry (*)(int request);

} // namespace glimmer::host
