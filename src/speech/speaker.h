// The desktop's speech service, speech-dispatcher, spoken to through
// libspeechd from a thread of its own, so that nothing the service does, or
// fails to do, ever holds up a screen: libspeechd's calls wait on a socket
// for the service's answer, and starting the service (its autospawn) may
// take long or never end.
//
// The screens only post requests to a small queue: say these utterances, or
// cut off what is being said. The thread connects on the first request and
// carries them out in order. A request to cut off drops the sayings still
// waiting in the queue; the queue holds at most MAX_WAITING requests, the
// oldest going first, so that a service that stops answering costs a
// bounded amount of memory while the reader reads on.
//
// Where the service is: libspeechd's own choice (SPEECHD_ADDRESS, else the
// user's socket). When SPEECHD_ADDRESS names one, no service is started:
// the address is meant, and a second service of the system's would answer
// in its place; otherwise libspeechd starts the user's own service when none
// runs, as every other client of it does (a screen reader, spd-say).
//
// States: NotTried -> Connected -> Lost, or NotTried -> Missing; retry()
// (the reader asking for speech again) lets the next request try again.
// Failing states are final until then: requests are dropped, silently.
#ifndef QUORVEL_SPEAKER_H
#define QUORVEL_SPEAKER_H

#include "speech/scriptruns.h"

#include <string>
#include <vector>

enum class SpeakerState {
    NotTried,  // no request yet, or retry() since the last failure
    Connected, // the service answered
    Missing,   // no service answered the connection (the reason in speakerProblem())
    Lost,      // the service stopped answering after it had
};

// Requests the queue holds at most.
const int MAX_WAITING = 64;

// Starts the thread, once; it connects on the first request.
void startSpeaker();

// Posts: cut off what is being said and what waits, when `cutOff`; then
// say `utterances` in order. Never waits on the service.
void speakerSay(const std::vector<Utterance>& utterances, bool cutOff);

// Posts: cut off what is being said and what waits.
void speakerCutOff();

// What the thread last learnt of the service.
SpeakerState speakerState();

// Why the service is Missing or Lost, in libspeechd's words where it gave
// any; empty otherwise.
std::string speakerProblem();

// After Missing or Lost: lets the next request connect again.
void speakerRetry();

// Ends the thread, waiting at most `waitMs` for it to close its connection;
// a thread still held by the service then is left to the end of the
// process, which owns nothing it uses. Requests after this are dropped.
void stopSpeaker(int waitMs);

#endif
