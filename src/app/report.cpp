#include "app/report.h"

#include <allegro.h>

#include <cstdio>
#include <cstdlib>

void complain(const std::string& line)
{
    std::fprintf(stderr, "quorvel: %s\n", line.c_str());
    std::fflush(stderr);
}

void showMessage(const char* message)
{
    allegro_message("%s", message);
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
    std::snprintf(message, sizeof message, "Can not load \"%s\"\nProgramm will be closed.", path);
    fatalError(message, EXIT_CANNOT_LOAD);
}

void cannotLoadBecause(const Problem& problem)
{
    complain(quoted(problem.file) + " " + problem.phrase);
    cannotLoad(problem.file.c_str());
}
