#include "settingscheck.h"

#include "init.h"
#include "keys.h"
#include "layout.h"
#include "media/compose.h"
#include "media/picture.h"
#include "screen/display.h"
#include "slips.h"
#include "text/keyvalue.h"
#include "text/problem.h"
#include "title.h"

#include <allegro.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>

namespace {

const char* const settingsFile = "ini.dat";

} // namespace

std::vector<Finding> checkSettingsFile(SettingsUse use, FONT* textFont)
{
    std::vector<Finding> findings;
    auto warn = [&](int line, const std::string& message) {
        findings.push_back({line, Severity::Warning, message});
    };
    auto error = [&](int line, const std::string& message) {
        findings.push_back({line, Severity::Error, message});
    };

    // Read as the player reads it at start-up, with nothing from before.
    main_bg_name[0] = '\0';
    resetSettings();
    std::map<std::string, int> lastLine; // key -> its last line
    std::vector<Finding> afterValues;
    const std::optional<Problem> unread = readSettingsFile(settingsFile, [&](const SettingEvent& event) {
        const int line = event.line;
        if (std::optional<Finding> after = textAfterValueFinding(line, event.after))
            afterValues.push_back(*after);
        switch (event.kind) {
        case SettingEventKind::InvalidLine:
            warn(line, event.value.find(':') == std::string::npos
                           ? "line skipped: it has no ':'"
                           : "line skipped: no ';' after the ':'");
            return;
        case SettingEventKind::UnknownKey: {
            const std::string suggestion = nearestOf(event.key, rowNames(settingKeys()));
            warn(line, "unknown key " + quoted(event.key)
                           + (suggestion.empty() ? ": line ignored"
                                                 : " (did you mean " + quoted(suggestion) + "?)"));
            return;
        }
        case SettingEventKind::Ignored:
            warn(line, event.key + " " + quoted(event.value) + " is " + event.row->ignoredValue
                           + ": the player ignores the line");
            return;
        case SettingEventKind::Applied:
            break;
        }
        const SettingKey& key = *event.row;
        if (const auto first = lastLine.find(event.key); first != lastLine.end())
            warn(line, event.key + " given twice (also at line " + std::to_string(first->second)
                           + "): "
                           + (key.appends ? "the player adds this value to the first"
                                          : "the player keeps this one"));
        lastLine[event.key] = line;
        if (key.flag.on && event.value != FLAG_ON && event.value != FLAG_OFF)
            warn(line, event.key + " " + quoted(event.value) + " is neither " + FLAG_ON + " nor "
                           + FLAG_OFF + ": only exactly " + FLAG_ON + " " + key.flag.on
                           + ", any other value " + key.flag.off);
    });
    if (unread) {
        error(0, (unread->kind == ProblemKind::Unsupported ? unread->phrase : "cannot be opened")
                     + ": the player takes the defaults");
        return findings;
    }
    findings.insert(findings.end(), afterValues.begin(), afterValues.end());

    // What the settings name, as the reader left them.
    for (const SettingKey& key : settingKeys()) {
        const auto line = lastLine.find(key.name);
        if (line == lastLine.end()) {
            if (key.lackedWithout && use == SettingsUse::WorkingDirectory)
                error(0, "no " + std::string(key.name) + " line: " + key.lackedWithout);
            continue;
        }
        if (key.names == SettingNames::BookFolder) {
            if (use == SettingsUse::ReaderFolder)
                continue;
            std::error_code ignored;
            if (!std::filesystem::is_directory(book, ignored))
                error(line->second, "book folder " + quoted(book) + " not found");
        } else if (key.names == SettingNames::TitlePicture) {
            const Result<BITMAP*> title = decodePicture(main_bg_name);
            if (!title.value) {
                error(line->second, "title picture " + quoted(main_bg_name) + " "
                                        + title.problem->phrase + ": the player cannot start");
                continue;
            }
            if (hasAlpha(title.value))
                warn(line->second, "title picture " + quoted(main_bg_name)
                                       + " has transparent parts: they show black");
            if (textFont && use == SettingsUse::WorkingDirectory) {
                const std::string bookLine = bookLineText(book);
                const int width = text_length(textFont, bookLine.c_str());
                const double contrast = contrastOver(title.value, LOGICAL_W / 2 - width / 2, BOOK_LINE_Y,
                                                     width, text_height(textFont), BOOK_LINE_RGB);
                if (contrast < LEAST_TITLE_CONTRAST)
                    warn(line->second, "the title menu's book line is drawn with a contrast of "
                                           + contrastText(contrast) + " against the title picture "
                                           + quoted(main_bg_name) + " under it, less than "
                                           + contrastText(LEAST_TITLE_CONTRAST)
                                           + ": the reader can hardly read it (a lighter top "
                                             "behind it helps)");
            }
            destroy_bitmap(title.value);
        }
    }
    std::stable_sort(findings.begin(), findings.end(),
                     [](const Finding& a, const Finding& b) { return a.line < b.line; });
    return findings;
}
