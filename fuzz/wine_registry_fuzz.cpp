// A Wine registry file (user.reg) as any bytes: reading the mail client's keys either gives
// their values or fails with an error naming the file, nothing else.
#include <cstdint>
#include <string>

#include "base/errors.h"
#include "fuzz_support.h"
#include "mailstore/profile.h"
#include "platform/registry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const tavori::fuzz::ScratchFile scratch(".reg");
    scratch.Write(tavori::fuzz::AsText(data, size));
    std::unique_ptr<tavori::platform::Registry> registry;
    try {
        registry = tavori::platform::OpenWineRegistryFile(scratch.Path());
    } catch (const tavori::Error& error) {  // no registry file at all
        tavori::fuzz::Require(std::string(error.what()).find(scratch.Path()) != std::string::npos,
                              "a refused file without its name");
        return 0;
    }
    for (const char* path :
         {"\\Software\\RIMArts\\Rebecca\\Settings", "\\Software\\RIMArts\\Rebecca\\Users\\0",
          "\\Software\\RIMArts\\Rebecca\\Users\\1", "Software\\Fuzz", ""}) {
        const auto key = registry->OpenKey(path);
        if (!key) continue;
        for (const char* name : {"HomeDir", "Account", "homedir", ""}) {
            key->HasValue(name);
            try {
                key->ReadString(name);
            } catch (const tavori::Error& error) {
                tavori::fuzz::Require(
                    std::string(error.what()).find(scratch.Path()) != std::string::npos,
                    "a registry error without the file's name");
            }
        }
    }
    // The reading the window does at start-up.
    try {
        tavori::MailProfile profile;
        profile.ReadStartup(*registry, "");
    } catch (const tavori::Error&) {
    }
    return 0;
}
