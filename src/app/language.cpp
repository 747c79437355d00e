#include "app/language.h"

#include "app/startfiles.h"

#include <libintl.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace {

const char* const DOMAIN = "quorvel";
bool started = false;

// The language part of a locale name ("ru" of "ru_RU.UTF-8"); empty for the
// C and POSIX locales, which have none.
std::string languageOfLocale(const char* name)
{
    if (!name || std::strcmp(name, "C") == 0 || std::strcmp(name, "POSIX") == 0
        || std::strncmp(name, "C.", 2) == 0)
        return "";
    const std::string locale(name);
    return locale.substr(0, locale.find_first_of("_.@"));
}

// The Language field of the catalogue in use, from its header (the
// translation of the empty message id); empty when no catalogue answers.
std::string catalogueLanguage()
{
    const char* header = dgettext(DOMAIN, "");
    if (!header || !*header)
        return "";
    const char* field = std::strstr(header, "Language: ");
    if (!field)
        return "";
    field += std::strlen("Language: ");
    const std::string language(field, std::strcspn(field, "\n"));
    return language.substr(0, language.find_first_of("_.@"));
}

} // namespace

void startLanguage(const std::string& localeDir)
{
    // The messages' category alone: numbers, sorting and character classes
    // stay as they were, and the catalogues answer in UTF-8 whatever the
    // locale's own encoding, as the player draws and speaks UTF-8.
    std::setlocale(LC_MESSAGES, "");
    const std::string dir = localeDir.empty() ? installedLocaleDir() : localeDir;
    if (!dir.empty())
        bindtextdomain(DOMAIN, dir.c_str());
    bind_textdomain_codeset(DOMAIN, "UTF-8");
    started = true;
}

const char* tr(const char* msgid)
{
    if (!started || !msgid || !*msgid)
        return msgid;
    return dgettext(DOMAIN, msgid);
}

const char* trIn(const char* context, const char* msgid)
{
    if (!started)
        return msgid;
    // gettext keeps a message with a context under "context\004msgid", and
    // hands that key back when it has no translation.
    const std::string key = std::string(context) + '\004' + msgid;
    const char* found = dgettext(DOMAIN, key.c_str());
    if (std::strcmp(found, key.c_str()) == 0)
        return msgid;
    return found;
}

std::vector<std::string> shippedLanguages()
{
    std::vector<std::string> languages;
    std::istringstream words(QUORVEL_SHIPPED_LANGUAGES);
    for (std::string word; words >> word;)
        languages.push_back(word);
    return languages;
}

void useLanguage(const std::string& language)
{
    if (!started)
        startLanguage();
    // LANGUAGE is heeded under any locale but C and POSIX; C.UTF-8, which
    // every system has, is such a locale with no catalogue of its own. A
    // change of the locale has gettext forget what it looked up: it goes by
    // C first, as setting the locale it has changes nothing.
    std::setlocale(LC_MESSAGES, "C");
    if (language.empty()) {
        unsetenv("LANGUAGE");
    } else {
        setenv("LANGUAGE", language.c_str(), 1);
        std::setlocale(LC_MESSAGES, "C.UTF-8");
    }
}

std::string readerLanguage()
{
    std::string language = started ? catalogueLanguage() : "";
    if (language.empty())
        language = languageOfLocale(std::setlocale(LC_MESSAGES, nullptr));
    return language.empty() ? "en" : language;
}
