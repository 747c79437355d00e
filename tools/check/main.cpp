// quorvel-check [--dot | --stats | --text | --walk N [--seed S]] [--font FONT.DAT] PATH
// quorvel-check --pack [-o FILE.zip] [--font FONT.DAT] PATH
// quorvel-check --help | --version
//
// Checks a book the way the player reads it (and, for a working directory,
// its ini.dat) and reports every problem in compiler style, then a count; or prints one report on it instead: the
// page map in Graphviz DOT, figures, every text a reader sees, or random
// readings; or checks it and, when it has no error, packs it as one zip
// archive (pack.h). PATH is a book folder (holding pages.dat), a zip archive of one,
// its pages.dat, or a working directory (holding ini.dat, whose book setting
// names the book).
// Exit status: 0 when nothing is wrong enough to be an error, 1 otherwise,
// 2 for bad usage.
#include "app/version.h"
#include "check.h"
#include "files/archive.h"
#include "init.h"
#include "pack.h"
#include "pagemap.h"
#include "report.h"
#include "session.h"
#include "settingscheck.h"
#include "stats.h"
#include "text/target.h"
#include "walk.h"

#include <getopt.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace {

const char* const usage =
    "usage: quorvel-check [--dot | --stats | --text | --walk N [--seed S]] [--font FONT.DAT] PATH\n"
    "       quorvel-check --pack [-o FILE.zip] [--font FONT.DAT] PATH\n"
    "  PATH  a book folder (holding pages.dat), a zip archive of one, its pages.dat,\n"
    "        or a working directory (holding ini.dat)\n"
    "        or a reader's settings folder (holding ini.dat and no books/)\n"
    "  without a report option, lists every problem of the book, then a count;\n"
    "  each report ends with the same count (--dot on standard error)\n"
    "  --dot          print the page map in Graphviz DOT\n"
    "  --stats        print pages, choices, endings, words, the shortest and longest way\n"
    "                 to an ending, and the decoded size of the pictures and sounds\n"
    "  --text         print every text a reader sees, with its page and line\n"
    "  --walk N       play N random readings from page 1 and report the endings reached,\n"
    "                 the pages never shown, and the pages no ending can be reached from\n"
    "  --seed S       the seed of --walk's readings (default 1): the same seed, the same readings\n"
    "  --pack         check the book, then, when it has no error, write it as one zip\n"
    "                 archive: a top folder named for the book with pages.dat, the files\n"
    "                 it names and its own font.dat, nothing else; the same bytes each time\n"
    "  -o FILE.zip    where --pack writes (default: the book's folder name + .zip, beside\n"
    "                 it); a file there is replaced, and the checker says so\n"
    "  --font FILE    the font.dat to check characters against\n"
    "  --help         print this and exit\n"
    "  --version      print the version and exit\n";

enum class Report { Check, Dot, Stats, Text, Walk, Pack };

struct Arguments {
    Report report = Report::Check;
    std::string font;  // "" for the player's own font.dat
    std::string path;
    std::string output;  // --pack's -o; "" for the default
    int readings = 0;
    std::uint32_t seed = 1;
    bool seedGiven = false;
    bool help = false;
    bool version = false;
};

// Reads the command line; on a mistake, says what is wrong in `problem`.
bool parseArguments(int argc, char** argv, Arguments& arguments, std::string& problem)
{
    enum { Dot = 1000, Stats, Text, Walk, Seed, Font, Version, Pack };
    static const option options[] = {
        {"dot", no_argument, nullptr, Dot},        {"stats", no_argument, nullptr, Stats},
        {"text", no_argument, nullptr, Text},      {"walk", required_argument, nullptr, Walk},
        {"seed", required_argument, nullptr, Seed}, {"font", required_argument, nullptr, Font},
        {"help", no_argument, nullptr, 'h'},       {"version", no_argument, nullptr, Version},
        {"pack", no_argument, nullptr, Pack},      {"output", required_argument, nullptr, 'o'},
        {nullptr, 0, nullptr, 0},
    };
    opterr = 0; // the messages are ours
    int reports = 0;
    int option;
    while ((option = getopt_long(argc, argv, ":ho:", options, nullptr)) != -1) {
        long long number = 0;
        switch (option) {
        case 'h': arguments.help = true; return true;
        case Version: arguments.version = true; return true;
        case Dot: arguments.report = Report::Dot; ++reports; break;
        case Stats: arguments.report = Report::Stats; ++reports; break;
        case Text: arguments.report = Report::Text; ++reports; break;
        case Pack: arguments.report = Report::Pack; ++reports; break;
        case 'o':
            if (optarg[0] == '\0') {
                problem = "-o wants a file name";
                return false;
            }
            arguments.output = optarg;
            break;
        case Walk:
            if (!readWholeNumber(optarg, 1, 1000000, number)) {
                problem = "--walk wants a number of readings from 1 to 1000000, not \""
                          + std::string(optarg) + "\"";
                return false;
            }
            arguments.report = Report::Walk;
            arguments.readings = static_cast<int>(number);
            ++reports;
            break;
        case Seed:
            if (!readWholeNumber(optarg, 0, UINT32_MAX, number)) {
                problem = "--seed wants a number from 0 to 4294967295, not \"" + std::string(optarg)
                          + "\"";
                return false;
            }
            arguments.seed = static_cast<std::uint32_t>(number);
            arguments.seedGiven = true;
            break;
        case Font: arguments.font = optarg; break;
        case ':': problem = std::string(argv[optind - 1]) + " wants a value"; return false;
        default: problem = "unknown option " + std::string(argv[optind - 1]); return false;
        }
    }
    if (reports > 1) {
        problem = "one report at a time: --dot, --stats, --text, --walk or --pack";
        return false;
    }
    if (!arguments.output.empty() && arguments.report != Report::Pack) {
        problem = "-o goes with --pack";
        return false;
    }
    if (arguments.seedGiven && arguments.report != Report::Walk) {
        problem = "--seed goes with --walk";
        return false;
    }
    if (optind == argc || argv[optind][0] == '\0') {
        problem = "no PATH given";
        return false;
    }
    if (optind + 1 < argc) {
        problem = "one PATH only, not also \"" + std::string(argv[optind + 1]) + "\"";
        return false;
    }
    arguments.path = argv[optind];
    return true;
}

// Pictures and sounds packed in a zipped book: they are compressed already
// and hardly shrink, and each is unpacked whole as its page comes (a sound
// first to find its length). Said once, as a note, with how to zip the
// book stored.
std::vector<Finding> archiveFindings(const BookPlace& place)
{
    if (!place.archive)
        return {};
    int packed = 0;
    for (const ArchiveEntry& entry : place.archive->entries())
        if (!entry.stored && !entry.folder && entry.name.size() > 4
            && entry.name.compare(entry.name.size() - 4, 4, ".dat") != 0)
            ++packed;
    if (packed == 0)
        return {};
    return {{0, Severity::Note,
             std::to_string(packed) + (packed == 1 ? " picture or sound is" : " pictures and sounds are")
                 + " packed in the archive, where they hardly shrink and are unpacked as their "
                   "pages come; zip them stored (zip -r -n .png:.ogg:.wav:.bmp:.pcx:.tga "
                 + place.book + " BOOKFOLDER)"}};
}

// Reports a problem that stops the check before the book is read.
int stopWith(const std::string& file, const std::string& message)
{
    const std::vector<Finding> findings = {{0, Severity::Error, message}};
    std::cout << formatFinding(file, findings[0]) << '\n' << summaryLine(findings) << '\n';
    return 1;
}

// The name of the top folder of the book's packed archive: the book's own
// folder name, or, for an archive, its top folder (else its file name
// without ".zip").
std::string packedBookName(const BookLocation& location)
{
    const BookPlace& place = location.place;
    if (place.archive) {
        const std::string& root = place.archive->bookRoot();
        if (!root.empty())
            return root.substr(0, root.size() - 1);
        return std::filesystem::path(place.book).stem().string();
    }
    if (place.kind == BookPlace::Kind::BookFolder)
        return place.book;
    return std::filesystem::path(book).filename().string();
}

// Prints the check's findings, then packs the book when none is an error:
// to `target` (absolute) when given, else to the book's name + ".zip"
// beside the book's folder (or archive). Ends with the check's count.
// `printFindings` prints the check's findings as the check does.
int packBook(const Arguments& arguments, const BookLocation& location, const CheckResult& result,
             const std::function<void(std::ostream&)>& printFindings,
             const std::vector<Finding>& all, std::string target)
{
    printFindings(std::cout);
    const int errors = countOf(all, Severity::Error);
    if (errors > 0 || !result.opened) {
        std::cout << "quorvel-check: not packed: the book has " << counted(errors, "error") << '\n'
                  << summaryLine(all) << '\n';
        return 1;
    }
    const std::string name = packedBookName(location);
    std::string shownTarget = arguments.output;
    if (target.empty()) {
        const BookPlace& place = location.place;
        if (place.kind == BookPlace::Kind::WorkingDirectory) {
            target = place.workDir + "/" + book + ".zip";
            shownTarget = place.shownPath + "/" + book + ".zip";
        } else {
            const std::filesystem::path beside = std::filesystem::path(place.folder).parent_path();
            target = (beside / (name + ".zip")).string();
            const std::filesystem::path shownBeside = std::filesystem::path(place.shownPath).parent_path();
            shownTarget = (shownBeside / (name + ".zip")).string();
        }
    }
    std::error_code failed;
    const bool replacing = std::filesystem::exists(target, failed);
    const Result<PackPlan> plan = planPack(name, book, result.namedFiles);
    std::optional<Problem> problem = plan.problem;
    if (!problem)
        problem = writePack(plan.value, book, target, shownTarget);
    if (problem) {
        const std::string file = problem->file == shownTarget ? shownTarget : bookRelative(problem->file);
        std::cout << formatFinding(file, {0, Severity::Error, problem->phrase}) << '\n'
                  << "quorvel-check: not packed\n"
                  << summaryLine(all) << '\n';
        return 1;
    }
    std::cout << "quorvel-check: " << (replacing ? "replaced " : "wrote ") << shownTarget << ": "
              << counted(static_cast<long long>(plan.value.files.size()), "file") << " in " << name
              << "/\n"
              << summaryLine(all) << '\n';
    return 0;
}

bool isFolder(const std::string& path)
{
    std::error_code failed;
    return std::filesystem::is_directory(path, failed);
}

// Checks the current directory's ini.dat as a reader's settings file.
int checkSettingsOnly(const std::string& shownFile)
{
    const std::vector<Finding> findings = checkSettingsFile(SettingsUse::ReaderFolder);
    for (const Finding& finding : findings)
        std::cout << formatFinding(shownFile, finding) << '\n';
    std::cout << "quorvel-check: note: no books/ folder: checked as a reader's settings folder\n"
              << summaryLine(findings) << '\n';
    return countOf(findings, Severity::Error) > 0 ? 1 : 0;
}

int run(const Arguments& arguments)
{
    BookLocation location = locateBookToCheck(arguments.path);
    if (location.place.kind == BookPlace::Kind::Nothing && location.place.problem)
        return stopWith(location.place.problem->file, location.place.problem->phrase);
    if (location.place.kind == BookPlace::Kind::Nothing)
        return stopWith(location.place.shownPath, "no ini.dat or pages.dat there");
    // Named before the working directory changes.
    std::string fontPath = location.fontPath;
    if (!arguments.font.empty()) {
        std::error_code failed;
        fontPath = std::filesystem::absolute(arguments.font, failed).string();
        if (failed)
            return stopWith(arguments.font, "cannot find this font: " + failed.message());
    }
    std::string packTarget;
    if (!arguments.output.empty()) {
        std::error_code failed;
        packTarget = std::filesystem::absolute(arguments.output, failed).string();
        if (failed)
            return stopWith(arguments.output, "cannot be written: " + failed.message());
    }
    if (!startLibraryForChecking()) {
        std::cerr << "quorvel-check: cannot start the Allegro library\n";
        return 1;
    }
    if (!enterBook(location))
        return stopWith(location.place.shownPath, "cannot enter this folder");
    // A folder with ini.dat and neither books/ nor the book its settings
    // name is a reader's settings folder (the player reads one beside the
    // book it is given): its settings are all there is to check.
    if (location.place.kind == BookPlace::Kind::WorkingDirectory && !isFolder("books")
        && !isFolder(book))
        return checkSettingsOnly(location.place.shownPath + "/ini.dat");
    // A working directory's settings are checked too, before its book.
    LoadedFont font = loadFont(fontPath);
    std::vector<Finding> settingsFindings;
    const std::string settingsFile = location.place.shownPath + "/ini.dat";
    if (location.place.kind == BookPlace::Kind::WorkingDirectory)
        settingsFindings = checkSettingsFile(SettingsUse::WorkingDirectory, font.font.get());

    if (!arguments.font.empty() && !font.font) {
        std::cerr << "quorvel-check: " << arguments.font << " "
                  << (font.found ? font.problem : std::string("is not there")) << "\n";
        unloadFont(font);
        return 2;
    }
    // The player's own font.dat: when it is there but unusable the player
    // cannot start at all.
    std::vector<Finding> fontFindings;
    std::string fontNote;
    if (!font.font && font.found)
        fontFindings.push_back({0, Severity::Error,
                                "this file " + font.problem
                                    + ": the player cannot start; characters not checked"});
    else if (!font.font)
        fontNote = "quorvel-check: note: no font.dat at " + fontPath + ": characters not checked\n";

    const BookFileIndex files = location.place.archive
                                    ? BookFileIndex::ofArchive(location.place.archive)
                                    : BookFileIndex::ofFolder(book);
    const CheckResult result = checkBook({font.font.get(), location.playerBook, &files});
    unloadFont(font);

    const std::vector<Finding> archiveNotes = archiveFindings(location.place);
    std::vector<Finding> all = fontFindings;
    all.insert(all.end(), archiveNotes.begin(), archiveNotes.end());
    all.insert(all.end(), settingsFindings.begin(), settingsFindings.end());
    all.insert(all.end(), result.findings.begin(), result.findings.end());
    const bool anyError = countOf(all, Severity::Error) > 0;

    const auto printFindings = [&](std::ostream& out) {
        for (const Finding& finding : fontFindings)
            out << formatFinding(fontPath, finding) << '\n';
        for (const Finding& finding : archiveNotes)
            out << formatFinding(location.place.shownPath, finding) << '\n';
        for (const Finding& finding : settingsFindings)
            out << formatFinding(settingsFile, finding) << '\n';
        for (const Finding& finding : result.findings)
            out << formatFinding(location.reportFile, finding) << '\n';
    };
    if (arguments.report == Report::Pack)
        return packBook(arguments, location, result, printFindings, all, packTarget);

    // Every report ends with the check's own count, so that a report never
    // looks clean over a book with errors; the page map keeps standard
    // output a graph and says it on standard error.
    if (result.opened && arguments.report == Report::Dot) {
        std::cout << pageMapDot(result.map) << std::flush;
        std::cerr << summaryLine(all) << '\n';
        return anyError ? 1 : 0;
    }
    if (result.opened && arguments.report == Report::Stats) {
        std::cout << statsReport(result.map, result.facts) << summaryLine(all) << '\n';
        return anyError ? 1 : 0;
    }
    if (result.opened && arguments.report == Report::Text) {
        std::cout << textReport(result.facts, location.reportFile) << summaryLine(all) << '\n';
        return anyError ? 1 : 0;
    }
    if (result.opened && arguments.report == Report::Walk) {
        const WalkResult walk = walkBook(result.map, arguments.readings, arguments.seed);
        std::cout << walkReport(result.map, walk, arguments.readings, arguments.seed);
        const std::vector<Finding> traps = trapFindings(result.map);
        for (const Finding& finding : traps)
            std::cout << formatFinding(location.reportFile, finding) << '\n';
        all.insert(all.end(), traps.begin(), traps.end());
        std::cout << summaryLine(all) << '\n';
        return anyError || !traps.empty() ? 1 : 0;
    }
    // The check itself; a report that cannot be made still says why, away
    // from where the report would have gone.
    std::ostream& out = arguments.report == Report::Check ? std::cout : std::cerr;
    printFindings(out);
    out << fontNote << summaryLine(all) << '\n';
    return anyError ? 1 : 0;
}

} // namespace

int main(int argc, char** argv)
{
    Arguments arguments;
    std::string problem;
    if (!parseArguments(argc, argv, arguments, problem)) {
        std::cerr << "quorvel-check: " << problem << '\n' << usage;
        return 2;
    }
    if (arguments.help) {
        std::cout << usage;
        return 0;
    }
    if (arguments.version) {
        std::cout << "quorvel-check " QUORVEL_VERSION "\n";
        return 0;
    }
    return run(arguments);
}
