#pragma once
// The window's choices kept across runs in the INI file beside the executable: the output and
// import folders, the three export options, the begin and end strings of the HTML cut-out and
// the history of REN file names. Read once when the window is created, written at every close.
#include <string>
#include <vector>

#include "platform/profile_file.h"

namespace tavori::ui {

struct Settings {
    std::string outputDir, importDir;  // as saved; empty when never saved
    int wordCount = 40;                // line width of the REN records, 40 to 255
    bool hyperRef = false;
    bool decode = false;  // the export's decoding mode
    std::string mailBegin = "Subject:", mailEnd = "[前";
    std::vector<std::string> history;  // REN file names, without folder
};

// Shown once when SaveSettings returns false.
inline constexpr char kSettingsWriteWarning[] = "ﾌｧｲﾙに書込めませんでした\n処理をｽｷｯﾌﾟします";

// Adds name to the REN file names' history unless an item equals it, letter case ignored.
// True when added.
bool AddToNameHistory(std::vector<std::string>& history, const std::string& name);

// The executable's full path with its extension replaced by ".ini".
std::string SettingsFileName(const std::string& exePath);

// Every value read from the file, its default where the file, section or key is missing or
// the value is no number. Never fails: at worst this is a first start.
Settings LoadSettings(const platform::ProfileFile& file);

// Writes every value, the history renumbered from FILE0. WCOUNT is wordCountText (the spin
// edit's text) as a number, 40 when it is none; settings.wordCount is not used. Stops at the
// first write that fails and returns false; the keys before it stay written.
bool SaveSettings(platform::ProfileFile& file, const Settings& settings,
                  const std::string& wordCountText);

}  // namespace tavori::ui
