#include "app/report.h"

#include "app/language.h"
#include "text/utf8.h"

#include <allegro.h>

#include <cstdio>
#include <cstdlib>

void complain(const std::string& line)
{
    std::fprintf(stderr, "quorvel: %s\n", escapeControls(line).c_str());
    std::fflush(stderr);
}

// The library's message box with `text` as it is.
static void showVerbatim(const char* text)
{
    allegro_message("%s", text);
}

void showMessage(const char* message)
{
    showVerbatim(tr(message));
}

void fatalError(const char* message, int status)
{
    showMessage(message);
    std::exit(status);
}

void fatalStartError(const char* message, const std::string& explanation, int status)
{
    complain(explanation);
    fatalError(message, status);
}

void cannotLoad(const char* path)
{
    char message[128];
    std::snprintf(message, sizeof message, tr("Can not load \"%s\"\nProgramm will be closed."),
                  escapeControls(path).c_str());
    showVerbatim(message);
    std::exit(EXIT_CANNOT_LOAD);
}

void cannotLoadBecause(const Problem& problem)
{
    complain(quoted(problem.file) + " " + problem.phrase);
    cannotLoad(problem.file.c_str());
}
