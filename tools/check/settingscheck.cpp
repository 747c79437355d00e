#include "settingscheck.h"

#include "init.h"
#include "keys.h"
#include "media/compose.h"
#include "media/picture.h"
#include "screen/display.h"
#include "slips.h"
#include "text/keyvalue.h"
#include "text/problem.h"

#include <allegro.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>

namespace {

const char* const settingsFile = "ini.dat";

std::vector<std::string> knownKeys()
{
    std::vector<std::string> names;
    for (const SettingKey& key : settingKeys())
        names.push_back(key.name);
    return names;
}

} // namespace

std::vector<Finding> checkSettingsFile()
{
    std::vector<Finding> findings;
    auto warn = [&](int line, const std::string& message) {
        findings.push_back({line, Severity::Warning, message});
    };
    auto error = [&](int line, const std::string& message) {
        findings.push_back({line, Severity::Error, message});
    };

    LineReader file(settingsFile);
    if (!file.isOpen()) {
        error(0, "cannot be opened: the player takes the defaults");
        return findings;
    }
    std::map<std::string, int> lastLine; // key -> its last line
    std::string line;
    for (int number = 1; file.next(line); ++number) {
        std::string_view keyView, valueView;
        const LineKind kind = splitKeyValue(line, keyView, valueView);
        if (kind == LineKind::Invalid && line.find_first_not_of(" \t") != std::string::npos)
            warn(number, line.find(':') == std::string::npos ? "line skipped: it has no ':'"
                                                             : "line skipped: no ';' after the ':'");
        if (kind != LineKind::Entry)
            continue;
        const std::string key = encrCyr(std::string(keyView));
        const std::string value = encrCyr(std::string(valueView));
        if (!findSettingKey(keyView)) {
            const std::string suggestion = nearestOf(key, knownKeys());
            warn(number, "unknown key " + quoted(key)
                             + (suggestion.empty() ? ": line ignored"
                                                   : " (did you mean " + quoted(suggestion) + "?)"));
            continue;
        }
        int scale = SCALE_AUTO;
        if (key == "scale" && !parseScale(value.c_str(), scale)) {
            warn(number, "scale " + quoted(value)
                             + " is neither a whole number from 1 to " + std::to_string(MAX_SCALE)
                             + " nor auto: the player ignores the line");
            continue;
        }
        if (const auto first = lastLine.find(key); first != lastLine.end()) {
            const bool adds = key == "book" || key == "main_bg";
            warn(number, key + " given twice (also at line " + std::to_string(first->second) + "): "
                             + (adds ? "the player adds this value to the first"
                                     : "the player keeps this one"));
        }
        lastLine[key] = number;
        if (key == "windowed" && value != "YES" && value != "NO")
            warn(number, "windowed " + quoted(value)
                             + " is neither YES nor NO: only exactly YES gives a window, any other "
                               "value full screen");

    }
    const std::vector<Finding> after = findTextAfterValues(settingsFile);
    findings.insert(findings.end(), after.begin(), after.end());

    // What the settings name, as read_ini_file() left them.
    std::error_code ignored;
    const auto bookLine = lastLine.find("book");
    if (bookLine == lastLine.end())
        error(0, "no book line: the player has no book to open");
    else if (!std::filesystem::is_directory(book, ignored))
        error(bookLine->second, "book folder " + quoted(book) + " not found");

    const auto titleLine = lastLine.find("main_bg");
    if (titleLine == lastLine.end()) {
        error(0, "no main_bg line: the player has no title picture and cannot start");
    } else if (const Result<BITMAP*> title = decodePicture(main_bg_name); title.value) {
        if (hasAlpha(title.value))
            warn(titleLine->second, "title picture " + quoted(main_bg_name)
                                        + " has transparent parts: they show black");
        destroy_bitmap(title.value);
    } else {
        error(titleLine->second, "title picture " + quoted(main_bg_name) + " "
                                     + title.problem->phrase + ": the player cannot start");
    }
    std::stable_sort(findings.begin(), findings.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    return findings;
}
