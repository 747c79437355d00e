// What each hostile book of the second probe costs the checker and the
// player: a book that brings a broken or crafted font.dat, PNG pictures
// full of packed text, a state file that is a FIFO or leads to /dev/zero,
// names that climb out of the book, books of 100,000 named pages, a line of
// 200 MB, escapes in names, and the files whose messages misled.
//
// Each case is made in a scratch folder and given to the programs of this
// build and, with --before DIR, to those of another build (DIR holds its
// quorvel and quorvel-check), in turn, on the same files. Each run is
// watched to its end, with 4 GB of address space and a time limit: its wall
// time, its own peak resident memory (VmHWM, read as it exits or as it is
// stopped), how it ended and the first line it said of the book.
//
// The player runs on the virtual display of scripts/with-display.sh, with
// no xmessage on its PATH, so that its message box is printed and it ends
// (as the library's allegro_message does without xmessage). A player that
// opens its window and then rests (under a tenth of a processor over a
// quarter of a second) has shown the book, unless the kernel says it waits
// on a FIFO (then it is stuck, and said to be): it is stopped there and its
// time is the moment it came to rest.
//
//     scripts/with-display.sh build/bench/quorvel-bench-hostile [--before DIR] [--only TEXT]
#include "books.h"
#include "hostilefiles.h"
#include "hostilefonts.h"
#include "testenv.h"
#include "book/resume.h"

#include <X11/Xlib.h>
#include <allegro.h>
#include <sndfile.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

const long long ADDRESS_SPACE = 4LL << 30;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// A field of /proc/<pid>/status in kilobytes.
long statusKb(pid_t pid, const char* field)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    const std::string wanted = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.compare(0, wanted.size(), wanted) == 0)
            return std::atol(line.c_str() + wanted.size());
    return -1;
}

// The processor time the process has used, in seconds (all its threads).
double cpuSeconds(pid_t pid)
{
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::vector<std::string> fields;
    std::size_t at = close + 2;
    while (at < text.size()) {
        const std::size_t end = text.find(' ', at);
        fields.push_back(text.substr(at, end - at));
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    // utime and stime are fields 14 and 15 of the whole line: 12 and 13 here.
    if (fields.size() < 14)
        return 0;
    return (std::atof(fields[11].c_str()) + std::atof(fields[12].c_str())) / sysconf(_SC_CLK_TCK);
}

// The display's top-level windows of at least 640 x 480 that are shown.
std::set<Window> shownWindows(Display* display)
{
    std::set<Window> shown;
    if (!display)
        return shown;
    Window root, parent, *children = nullptr;
    unsigned int count = 0;
    if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
        for (unsigned int i = 0; i < count; ++i) {
            XWindowAttributes attributes;
            if (XGetWindowAttributes(display, children[i], &attributes)
                && attributes.map_state == IsViewable && attributes.width >= 640
                && attributes.height >= 480)
                shown.insert(children[i]);
        }
        if (children)
            XFree(children);
    }
    return shown;
}

int ignoreXErrors(Display*, XErrorEvent*)
{
    return 0;
}

struct Run {
    std::string ended; // "exit N", "SIGSEGV", "shown", "stuck in WCHAN", "killed at N s"
    double seconds = 0;
    long peakKb = 0;
    std::string output;
};

// Runs `argv` in `dir` with `environment` added, watched as the file's
// opening comment says; `player` watches for its window too.
Run watch(const std::vector<std::string>& argv, const std::vector<std::string>& environment,
          bool player, double limit, Display* display)
{
    Run run;
    const std::string log = fs::absolute("run.log").string();
    const std::set<Window> before = shownWindows(display);
    std::fflush(stdout);
    const Clock::time_point start = Clock::now();
    const pid_t pid = fork();
    if (pid == 0) {
        ptrace(PTRACE_TRACEME, 0, nullptr, nullptr);
        const rlimit space{static_cast<rlim_t>(ADDRESS_SPACE), static_cast<rlim_t>(ADDRESS_SPACE)};
        setrlimit(RLIMIT_AS, &space);
        const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
        const int nothing = open("/dev/null", O_RDONLY);
        dup2(nothing, STDIN_FILENO);
        for (const std::string& setting : environment)
            putenv(strdup(setting.c_str()));
        std::vector<char*> args;
        for (const std::string& arg : argv)
            args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        execv(args[0], args.data());
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0); // stopped at its exec
    if (WIFEXITED(status)) {
        run.ended = "not started";
        return run;
    }
    ptrace(PTRACE_SETOPTIONS, pid, nullptr, reinterpret_cast<void*>(PTRACE_O_TRACEEXIT));
    ptrace(PTRACE_CONT, pid, nullptr, nullptr);
    bool windowUp = false;
    double restFrom = 0, cpuAtRestFrom = 0;
    bool stopped = false;
    for (;;) {
        const pid_t got = waitpid(pid, &status, WNOHANG);
        if (got < 0) {
            run.ended = "lost"; // cannot happen with SIGCHLD at its default
            break;
        }
        if (got == pid) {
            if (WIFEXITED(status) || WIFSIGNALED(status))
                break;
            if (WIFSTOPPED(status) && status >> 8 == (SIGTRAP | (PTRACE_EVENT_EXIT << 8))) {
                if (!stopped)
                    run.peakKb = statusKb(pid, "VmHWM");
                run.seconds = stopped ? run.seconds : secondsSince(start);
                ptrace(PTRACE_CONT, pid, nullptr, nullptr);
                continue;
            }
            // Any other signal goes on to the program.
            ptrace(PTRACE_CONT, pid, nullptr,
                   reinterpret_cast<void*>(static_cast<long>(WIFSTOPPED(status) ? WSTOPSIG(status) : 0)));
            continue;
        }
        if (stopped) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            continue;
        }
        const double now = secondsSince(start);
        if (player && !windowUp) {
            const std::set<Window> shown = shownWindows(display);
            windowUp = std::any_of(shown.begin(), shown.end(),
                                   [&](Window w) { return before.count(w) == 0; });
            if (windowUp) {
                restFrom = now;
                cpuAtRestFrom = cpuSeconds(pid);
            }
        } else if (player && now - restFrom >= 0.25) {
            const double cpu = cpuSeconds(pid);
            if (cpu - cpuAtRestFrom < 0.025) {
                // At rest waiting for the reader, or stuck opening a FIFO
                // with nobody at its other end.
                const std::string waits = readFile("/proc/" + std::to_string(pid) + "/wchan");
                const bool stuck = waits.find("partner") != std::string::npos
                                   || waits.find("fifo") != std::string::npos
                                   || waits.find("pipe") != std::string::npos;
                run.ended = stuck ? "stuck in " + waits : "shown";
                run.seconds = restFrom;
            } else {
                restFrom = now;
                cpuAtRestFrom = cpu;
            }
        }
        if (run.ended.empty() && now > limit)
            run.ended = "killed at " + std::to_string(static_cast<int>(limit)) + " s";
        if (!run.ended.empty()) {
            run.peakKb = statusKb(pid, "VmHWM");
            if (run.ended.compare(0, 6, "killed") == 0)
                run.seconds = now;
            stopped = true;
            kill(pid, SIGKILL);
            continue;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (!stopped && run.ended.empty()) {
        if (WIFEXITED(status))
            run.ended = "exit " + std::to_string(WEXITSTATUS(status));
        else
            run.ended = std::string("SIG") + sigabbrev_np(WTERMSIG(status));
        if (run.seconds == 0)
            run.seconds = secondsSince(start);
    }
    run.output = readFile(log);
    return run;
}

// Control characters written out, as the checker's own output should.
std::string shown(const std::string& text)
{
    std::string out;
    for (const unsigned char c : text) {
        if (c == 0x1b) {
            out += "\\e";
        } else if (c < 0x20 || c == 0x7f) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

// The line of `output` that says most of the book: the first error, else
// the first warning, else the first "quorvel" line, else its last line.
std::string saidLine(const std::string& output)
{
    std::vector<std::string> lines;
    std::size_t at = 0;
    while (at < output.size()) {
        const std::size_t end = output.find('\n', at);
        const std::string line = output.substr(at, end == std::string::npos ? std::string::npos : end - at);
        // The sound libraries' complaints of a machine without a sound card.
        if (line.compare(0, 4, "ALSA") != 0 && line.compare(0, 3, "AL ") != 0)
            lines.push_back(line);
        if (end == std::string::npos)
            break;
        at = end + 1;
    }
    for (const char* mark : {"error", "warning", "quorvel", "Can not", "Shutting down"})
        for (const std::string& line : lines)
            if (line.find(mark) != std::string::npos)
                return line;
    for (auto line = lines.rbegin(); line != lines.rend(); ++line)
        if (!line->empty())
            return *line;
    return "(nothing)";
}

// The line cut to a readable length, with the scratch folder's path left out.
std::string brief(std::string line, const std::string& scratch)
{
    for (std::size_t at; (at = line.find(scratch)) != std::string::npos;)
        line.erase(at, scratch.size() + 1);
    line = shown(line);
    if (line.size() > 150)
        line = line.substr(0, 150) + "…";
    return line;
}

struct Programs {
    std::string label;
    std::string player, checker;
};

struct Case {
    std::string name;
    std::function<void()> make;  // makes work/ (the book is work/books/b)
    bool player;                 // the player, or the checker
    std::vector<std::string> args; // before the book; a player given none opens at page 1
    double limit;
};

// The demo's font given to the book, so that both builds' players find it
// where they look first.
void withOwnFont()
{
    copyFile(std::string(QUORVEL_DEMO_DIR) + "/font.dat", "work/books/b/font.dat");
}

// `count` pages over bg.png, page i (from 1) named "p<i>" and made of
// `page(i)`'s lines.
std::string pagesOf(int count, const std::function<std::string(int)>& page)
{
    std::string pages = "default_bg:bg.png;\n";
    for (int i = 1; i <= count; ++i)
        pages += "page_start:p" + std::to_string(i) + ";\n" + page(i) + "page_end:;\n";
    return pages;
}

std::vector<Case> cases()
{
    std::vector<Case> all;
    // Fonts: the findings, given to the checker and to the player.
    std::vector<HostileFont> fonts;
    for (std::size_t cut : {12u, 200u, 4000u})
        fonts.push_back(cutFont(cut));
    for (const HostileFont& font : hostileFonts()) {
        fonts.push_back(font);
        if (std::string(font.name) == "OneGlyph640Wide")
            break; // the rest are refusals beyond the probe's findings
    }
    for (const HostileFont& font : fonts) {
        const std::string name = std::string("font ") + font.name
                                 + (std::string(font.name) == "CutShort" ? " at " + std::to_string(font.bytes.size()) : "");
        const auto make = [font] {
            makeCheckerBook(checkerPage("text_main:Hello World, wide Words and spaces;\n"));
            writeFile("work/books/b/font.dat", font.bytes);
        };
        all.push_back({name, make, false, {}, 30});
        all.push_back({name, make, true, {}, 30});
    }

    // Pictures of packed text: 300 zTXt chunks of 7.9 MB of text each.
    const auto pngBook = [](const char* type, int count, bool after) {
        return [=] {
            makeCheckerBook(checkerPage("pico_name:text.png;\n"));
            withOwnFont();
            writeFile("work/books/b/pico/text.png", pngWithChunks(type, count, packedText(7900000), after));
        };
    };
    for (bool player : {false, true}) {
        all.push_back({"png 300 zTXt of 7.9 MB", pngBook("zTXt", 300, false), player, {}, 60});
        all.push_back({"png 1000 zTXt of 7.9 MB", pngBook("zTXt", 1000, false), player, {}, 60});
    }
    all.push_back({"png 300 iTXt after the picture", [] {
                       makeCheckerBook(checkerPage("pico_name:text.png;\n"));
                       std::string itxt = packedText(7900000);
                       // zTXt's data is keyword, 0, method, text; iTXt's is keyword, 0,
                       // flag 1, method, language, 0, keyword, 0, text.
                       const std::size_t zero = itxt.find('\0');
                       itxt.insert(zero + 1, "\1");
                       itxt.insert(zero + 3, std::string("\0\0", 2));
                       writeFile("work/books/b/pico/text.png", pngWithChunks("iTXt", 300, itxt, true));
                   },
                   false, {}, 60});

    // The state file, for `quorvel --resume BOOK`.
    for (Thing thing : {Thing::Fifo, Thing::ZeroDevice}) {
        all.push_back({std::string("state file ") + nameOf(thing),
                       [thing] {
                           makeCheckerBook(checkerPage("text_main:Hello;\n"));
                           withOwnFont();
                           const std::string state = resumeFilePath(fs::absolute("work/books/b").string());
                           fs::create_directories(fs::path(state).parent_path());
                           makeThing(thing, state);
                       },
                       true, {"--resume"}, 30});
    }

    // Names that climb out of the book.
    const auto outside = [](const std::string& name) {
        return [name] {
            makeCheckerBook(checkerPage("pico_name:" + name + ";\n"));
            withOwnFont();
            fs::create_directories("elsewhere");
            copyFile("work/books/b/pico/bg.png", "elsewhere/secret.png");
        };
    };
    for (bool player : {false, true}) {
        all.push_back({"name ../../../../elsewhere/secret.png", outside("../../../../elsewhere/secret.png"),
                       player, {}, 30});
        all.push_back({"name ../../../../../../../../etc/passwd",
                       outside("../../../../../../../../etc/passwd"), player, {}, 30});
        all.push_back({"name ../../../../../../../../etc/nothing-here",
                       outside("../../../../../../../../etc/nothing-here"), player, {}, 30});
    }

    // Names resolved page by page.
    const auto named = [](int count) {
        return [count] {
            makeCheckerBook(pagesOf(count, [count](int i) {
                return "but1_text:on;\nbut1_goto:p" + std::to_string(i % count + 1) + ";\n";
            }));
            withOwnFont();
        };
    };
    all.push_back({"100,000 pages naming the next", named(100000), false, {}, 120});
    all.push_back({"100,000 pages naming the next", named(100000), true, {}, 120});
    all.push_back({"20,000 unknown names",
                   [] {
                       makeCheckerBook(pagesOf(20000, [](int i) {
                           return "but1_text:on;\nbut1_goto:q" + std::to_string(i) + "x;\n";
                       }));
                   },
                   false, {}, 60});
    all.push_back({"two names of 60,000 bytes",
                   [] {
                       makeCheckerBook("default_bg:bg.png;\npage_start:" + std::string(60000, 'n')
                                       + ";\nbut1_text:on;\nbut1_goto:" + std::string(60000, 'm')
                                       + ";\npage_end:;\n");
                   },
                   false, {}, 60});
    all.push_back({"--stats on a chain of 200,000 pages",
                   [] { makeCheckerBook(pagesOf(200000, [](int) { return "but1_text:on;\n"; })); },
                   false, {"--stats"}, 60});

    // A line of 200 MB.
    const auto longLine = [](const std::string& unit) {
        return [unit] {
            std::string text;
            text.reserve(200u << 20);
            while (text.size() < (200u << 20))
                text += unit;
            makeCheckerBook(checkerPage("text_main:" + text + ";\n"));
            withOwnFont();
        };
    };
    for (bool player : {false, true}) {
        all.push_back({"a line of 200 MB, Latin", longLine("a"), player, {}, 60});
        all.push_back({"a line of 200 MB, Cyrillic", longLine("\xd0\xb6"), player, {}, 60});
    }

    // Escapes in a name, and in the text report.
    all.push_back({"escapes in names",
                   [] {
                       makeCheckerBook("default_bg:bg.png;\npage_start:;\nroom_name:\x1b[2Jwiped\x07;\n"
                                       "text_main:a\x1b[2Jb;\nbut1_text:on;\nbut1_goto:\x1b[31mred;\n"
                                       "page_end:;\n");
                   },
                   false, {}, 30});
    all.push_back({"escapes in --text",
                   [] {
                       makeCheckerBook("default_bg:bg.png;\npage_start:;\nroom_name:\x1b]0;owned\x07;\n"
                                       "text_main:a\x1b[2Jb;\nbut1_text:on;\npage_end:;\n");
                   },
                   false, {"--text"}, 30});

    // Messages that misled.
    for (bool player : {false, true})
        all.push_back({"pages.dat in UTF-16 with its mark",
                       [] {
                           std::string utf16 = "\xff\xfe";
                           for (const char c : checkerPage("text_main:Hello;\n")) {
                               utf16 += c;
                               utf16 += '\0';
                           }
                           makeCheckerBook(utf16);
                           withOwnFont();
                       },
                       player, {}, 30});
    all.push_back({"FLAC stating no length",
                   [] {
                       makeCheckerBook(checkerPage("sound_name:s.flac;\n"));
                       fs::create_directories("made");
                       writeFile("work/books/b/audio/s.flac", withoutFlacLength(wavIn(SF_FORMAT_FLAC | SF_FORMAT_PCM_16)));
                   },
                   false, {}, 30});
    all.push_back({"Ogg Opus",
                   [] {
                       makeCheckerBook(checkerPage("sound_name:s.opus;\n"));
                       writeSoundFile("work/books/b/audio/s.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 2, 48000, 24000);
                   },
                   false, {}, 30});
    return all;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<Programs> programs;
    std::string only;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--before" && i + 1 < argc) {
            const std::string dir = fs::absolute(argv[++i]).string();
            programs.push_back({"before", dir + "/quorvel", dir + "/quorvel-check"});
        } else if (arg == "--only" && i + 1 < argc) {
            only = argv[++i];
        } else {
            std::fprintf(stderr, "usage: %s [--before DIR] [--only TEXT]\n", argv[0]);
            return 2;
        }
    }
    programs.push_back({"now", QUORVEL_PROGRAM, QUORVEL_CHECK});

    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "%s: no X display: run it under scripts/with-display.sh\n", argv[0]);
        return 1;
    }
    XSetErrorHandler(ignoreXErrors);
    startLibraryWithoutDisplay();
    signal(SIGCHLD, SIG_DFL); // the programs run are waited for, not reaped by the system
    const std::string scratch = enterScratchDir("bench-hostile");
    // Nothing of the reader's own: settings, state and shelf in the scratch folder.
    const std::vector<std::string> environment = {
        "HOME=" + scratch, "XDG_STATE_HOME=" + scratch + "/state", "XDG_CONFIG_HOME=" + scratch + "/config",
        "XDG_DATA_HOME=" + scratch + "/data", "PATH=" + scratch + "/no-programs", "LANG=C.UTF-8",
        "LC_ALL=C.UTF-8"};
    setenv("XDG_STATE_HOME", (scratch + "/state").c_str(), 1);

    std::printf("Each hostile book given to each build's %s (4 GB of address space; time: wall\n"
                "time to its end, or to its window shown and at rest; peak: its own peak resident\n"
                "memory; said: the line it said of the book, control characters written out here)\n\n",
                programs.size() > 1 ? "checker and player, before and now" : "checker and player");
    for (const Case& c : cases()) {
        const std::string label = c.name + (c.player ? " (player)" : " (checker)");
        if (!only.empty() && label.find(only) == std::string::npos)
            continue;
        std::printf("%s\n", label.c_str());
        for (const Programs& build : programs) {
            fs::remove_all("work");
            fs::remove_all("state");
            fs::remove_all("elsewhere");
            c.make();
            std::vector<std::string> argv = {c.player ? build.player : build.checker};
            if (c.player && c.args.empty()) {
                argv.push_back("--page");
                argv.push_back("1");
            }
            argv.insert(argv.end(), c.args.begin(), c.args.end());
            argv.push_back("work/books/b");
            const Run run = watch(argv, environment, c.player, c.limit, display);
            const bool escape = run.output.find('\x1b') != std::string::npos;
            std::printf("  %-6s %-16s %8.2f s %8.1f MB%s  %s\n", build.label.c_str(), run.ended.c_str(),
                        run.seconds, run.peakKb / 1024.0, escape ? "  RAW ESC IN OUTPUT" : "",
                        brief(saidLine(run.output), scratch).c_str());
            std::fflush(stdout);
        }
    }
    XCloseDisplay(display);
    fs::current_path("/");
    fs::remove_all(scratch);
    return 0;
}
