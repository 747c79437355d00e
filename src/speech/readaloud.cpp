#include "speech/readaloud.h"

#include "app/language.h"
#include "screen/display.h"
#include "screen/notice.h"
#include "speech/scriptruns.h"
#include "speech/speaker.h"

#include <cstdio>

namespace {

bool on = false;
bool started = false;
// The service's failure was told on standard error (once a run), and on
// the screen since reading aloud was last turned on.
bool failureToldOnStderr = false;
bool failureShown = false;

// How long the end of the run waits for the speech thread.
const int END_WAIT_MS = 200;

const char* const ON_TEXT = N_("Reading aloud: on");
const char* const OFF_TEXT = N_("Reading aloud: off");
const char* const MISSING_TEXT = N_("Reading aloud: no speech service answers");

bool serviceFailed()
{
    const SpeakerState state = speakerState();
    return state == SpeakerState::Missing || state == SpeakerState::Lost;
}

// Says the service failed: on the screen, and on standard error once a run.
void tellFailure()
{
    failureShown = true;
    showNotice(tr(MISSING_TEXT));
    if (failureToldOnStderr)
        return;
    failureToldOnStderr = true;
    std::fprintf(stderr,
                 "quorvel: reading aloud: %s; reading goes on silently (reading aloud needs"
                 " speech-dispatcher: apt-get install speech-dispatcher)\n",
                 speakerProblem().c_str());
    std::fflush(stderr);
}

// The display's look at the service, once a pass of every dialog loop.
void watchService()
{
    if (on && !failureShown && serviceFailed())
        tellFailure();
}

std::vector<Utterance> utterancesOf(const std::vector<std::string>& texts)
{
    const std::string language = readerLanguage();
    std::vector<Utterance> utterances;
    for (const std::string& text : texts)
        for (Utterance& run : splitByScript(text, language))
            utterances.push_back(std::move(run));
    return utterances;
}

} // namespace

void startReadingAloud(bool startOn)
{
    on = startOn;
    if (!started) {
        started = true;
        startSpeaker();
        setPassWatcher(watchService);
    }
}

void endReadingAloud()
{
    if (!started)
        return;
    setPassWatcher(nullptr);
    stopSpeaker(END_WAIT_MS);
    started = false;
    on = false;
}

bool readingAloud()
{
    return on;
}

void sayScreen(const std::vector<std::string>& texts)
{
    if (on)
        speakerSay(utterancesOf(texts), true);
}

void sayFocus(const std::string& text)
{
    sayScreen({text});
}

void silence()
{
    if (on)
        speakerCutOff();
}

void toggleReadingAloud()
{
    if (on) {
        sayScreen({tr(OFF_TEXT)});
        on = false;
        showNotice(tr(OFF_TEXT));
        return;
    }
    // A service found missing before is tried again: the notice that it is
    // missing follows this one when it still is.
    on = true;
    failureShown = false;
    speakerRetry();
    showNotice(tr(ON_TEXT));
    sayScreen({tr(ON_TEXT)});
}

void FocusSpeech::follow(int focused)
{
    if (focused == last_)
        return;
    last_ = focused;
    if (focused >= 0)
        sayFocus(textOf_(focused));
}

std::vector<std::string> readAloudOwnTexts()
{
    return {tr(ON_TEXT), tr(OFF_TEXT), tr(MISSING_TEXT)};
}
