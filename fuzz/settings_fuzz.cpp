// The settings file as any bytes: reading never fails, gives values within their ranges, and
// what is read is written and read back the same.
#include <cstdint>
#include <string>

#include "fuzz_support.h"
#include "platform/profile_file.h"
#include "ui/settings.h"

using tavori::fuzz::Require;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const tavori::fuzz::ScratchFile scratch(".ini");
    scratch.Write(tavori::fuzz::AsText(data, size));
    const auto file = tavori::platform::OpenProfileFile(scratch.Path());
    const tavori::ui::Settings read = tavori::ui::LoadSettings(*file);
    Require(read.wordCount >= 40 && read.wordCount <= 255, "a line width out of range");
    for (const std::string& name : read.history)
        Require(!name.empty(), "an empty name in the history");

    if (!tavori::ui::SaveSettings(*file, read, std::to_string(read.wordCount))) return 0;
    const tavori::ui::Settings again = tavori::ui::LoadSettings(*file);
    Require(again.outputDir == read.outputDir && again.importDir == read.importDir,
            "a folder does not read back as written");
    Require(again.wordCount == read.wordCount && again.hyperRef == read.hyperRef,
            "an export option does not read back as written");
    Require(again.mailBegin == read.mailBegin && again.mailEnd == read.mailEnd,
            "a cut-out string does not read back as written");
    Require(again.history == read.history, "the history does not read back as written");
    return 0;
}
