// The signals that end a program: a crash (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) or a stop
// (SIGTERM, SIGINT, SIGHUP, SIGALRM, as `timeout` and Ctrl+C send). The handler runs on whichever
// thread the signal hits and calls only what is safe there (write, nanosleep, raise, atomics): its
// report lines are made beforehand, and the saving of the snapshots is handed to the renderer
// thread, waited for a bounded time (the thread that crashed may hold any lock), then the program
// ends by the same signal, so its exit status names it.
#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstddef>
#include <ctime>
#include <string>

#include "renderer/Renderer.h"
#include "shared/Diagnostics.h"

namespace {

struct EndingSignal {
    int number;
    bool crash;         // a fault, always reported; else a stop, reported only while grading
    const char* words;  // what the report calls it
};
constexpr EndingSignal ENDING_SIGNALS[] = {
    {SIGSEGV, true, "segmentation fault (SIGSEGV)"}, {SIGBUS, true, "bus error (SIGBUS)"},
    {SIGFPE, true, "arithmetic error (SIGFPE)"},     {SIGILL, true, "illegal instruction (SIGILL)"},
    {SIGABRT, true, "aborted (SIGABRT)"},            {SIGTERM, false, "terminated (SIGTERM)"},
    {SIGINT, false, "interrupted (SIGINT)"},         {SIGHUP, false, "hung up (SIGHUP)"},
    {SIGALRM, false, "alarm clock (SIGALRM)"},
};
constexpr std::size_t SIGNAL_COUNT = sizeof ENDING_SIGNALS / sizeof ENDING_SIGNALS[0];

// How long the handler waits for the renderer to save the snapshots. Saving takes milliseconds; a
// renderer held by a lock of the thread that crashed would never answer.
constexpr auto SAVE_WAIT = std::chrono::seconds(2);
// How large a stack a thread is given for its signal handlers, so that a stack overflow can be
// reported: the handler needs a few hundred bytes, the rest is room for the C library.
constexpr std::size_t SIGNAL_STACK = 64 * 1024;

// What the handler reads: built before any handler is installed, or atomics.
struct SignalState {
    std::string reports[SIGNAL_COUNT];  // each signal's report line, made before snapshotsTaken is set
    std::atomic<bool> snapshotsTaken{false};  // BRINDLEWOOD_SNAPSHOTS names a folder
    std::atomic<bool> scriptPlays{false};
    std::atomic<int> lastPlayedLine{0};
    std::atomic<int> lastLine{0};
    std::atomic<bool> rendererKnown{false};
    std::atomic<pthread_t> renderer{};
    std::atomic<bool> ending{false};      // a handler has begun
    std::atomic<bool> saveAsked{false};   // a handler waits for the snapshots
    std::atomic<bool> answered{false};    // they are saved, or the renderer saves nothing more
};

SignalState& signalState() {
    static SignalState* const state = new SignalState();  // never destroyed: a signal may come as statics die
    return *state;
}

void writeAll(const char* text, std::size_t size) {
    while (size > 0) {
        const ssize_t written = write(STDERR_FILENO, text, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        text += written;
        size -= static_cast<std::size_t>(written);
    }
}

// Appends the decimal digits of a number that is not negative at end, returning the new end.
char* appendNumber(char* end, int number) {
    char digits[16];
    int count = 0;
    do {
        digits[count++] = static_cast<char>('0' + number % 10);
        number /= 10;
    } while (number > 0);
    while (count > 0) *end++ = digits[--count];
    return end;
}

char* appendText(char* end, const char* text) {
    while (*text) *end++ = *text++;
    return end;
}

// The line beneath a report while a script plays: how far it had played.
void writeScriptProgress(const SignalState& state) {
    char line[96];
    char* end = appendText(line, "  after input-script line ");
    end = appendNumber(end, state.lastPlayedLine);
    end = appendText(end, " of ");
    end = appendNumber(end, state.lastLine);
    end = appendText(end, "\n");
    writeAll(line, static_cast<std::size_t>(end - line));
}

void waitUntilAnswered(const SignalState& state) {
    constexpr auto STEP = std::chrono::milliseconds(1);
    const timespec step{0, std::chrono::duration_cast<std::chrono::nanoseconds>(STEP).count()};
    for (auto waited = STEP; !state.answered && waited <= SAVE_WAIT; waited += STEP) nanosleep(&step, nullptr);
}

void endBySignal(int number) {
    const int interruptedErrno = errno;  // the interrupted code may be about to read it
    SignalState& state = signalState();
    const bool snapshotsTaken = state.snapshotsTaken;  // read first: the reports were made before it was set
    std::size_t which = 0;
    while (ENDING_SIGNALS[which].number != number) ++which;
    // A stop while another signal is handled (a second Ctrl+C as the snapshots are saved) is not
    // reported again. Nor is the abort of a FATAL ERROR, reported already, or a person's Ctrl+C at
    // a desktop, where nothing is graded.
    const bool first = !state.ending.exchange(true);
    const bool reported = ENDING_SIGNALS[which].crash ? !diagnostics::isHalting()
                                                      : first && (state.scriptPlays || snapshotsTaken);
    if (reported) {
        writeAll(state.reports[which].data(), state.reports[which].size());
        if (state.scriptPlays) writeScriptProgress(state);
    }
    // The renderer saves, unless it is the thread that the signal hit: then nothing is safe to save.
    if (snapshotsTaken && !(state.rendererKnown && pthread_equal(pthread_self(), state.renderer))) {
        state.saveAsked = true;
        waitUntilAnswered(state);
    }
    // The signal is blocked while its handler runs: raised again with the default action, it ends
    // the program as the handler returns (a fault by its instruction, run again).
    struct sigaction byDefault {};
    byDefault.sa_handler = SIG_DFL;
    sigemptyset(&byDefault.sa_mask);
    sigaction(number, &byDefault, nullptr);
    raise(number);
    errno = interruptedErrno;
}

// A thread whose stack has overflowed has none left to run a handler on: give it one of its own,
// unless it has one already (the sanitizers give theirs).
void giveSignalStack(char* stack) {
    stack_t current{};
    if (sigaltstack(nullptr, &current) != 0 || !(current.ss_flags & SS_DISABLE)) return;
    stack_t own{};
    own.ss_sp = stack;
    own.ss_size = SIGNAL_STACK;
    sigaltstack(&own, nullptr);
}

}  // namespace

void Renderer::handleEndingSignals(bool snapshotsTaken) {
    SignalState& state = signalState();
    for (std::size_t which = 0; which < SIGNAL_COUNT; ++which) {
        const EndingSignal& ending = ENDING_SIGNALS[which];
        state.reports[which] = diagnostics::reportLine(
            diagnostics::Kind::FATAL_ERROR, __FILE__, __LINE__,
            std::string(ending.crash ? "the program crashed: " : "the program was stopped: ") + ending.words);
    }
    state.snapshotsTaken = snapshotsTaken;
    static char firstThreadStack[SIGNAL_STACK];
    giveSignalStack(firstThreadStack);
    for (const EndingSignal& ending : ENDING_SIGNALS) {
        // A program's own handler, or a sanitizer's, is left alone: it knows what it wants.
        struct sigaction current {};
        if (sigaction(ending.number, nullptr, &current) != 0 || (current.sa_flags & SA_SIGINFO) ||
            current.sa_handler != SIG_DFL)
            continue;
        struct sigaction ours {};
        ours.sa_handler = endBySignal;
        sigemptyset(&ours.sa_mask);
        // The same signal again while it is handled (timeout sends its signal twice) waits its turn.
        ours.sa_flags = SA_ONSTACK;
        sigaction(ending.number, &ours, nullptr);
    }
}

void Renderer::prepareRendererForSignals() {
    SignalState& state = signalState();
    state.renderer = pthread_self();
    state.rendererKnown = true;
    static char rendererStack[SIGNAL_STACK];
    giveSignalStack(rendererStack);
    // A stop is handled on a thread of the program's, which waits while the renderer saves.
    sigset_t stops;
    sigemptyset(&stops);
    for (const EndingSignal& ending : ENDING_SIGNALS)
        if (!ending.crash) sigaddset(&stops, ending.number);
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);
}

void Renderer::publishScriptProgress() {
    SignalState& state = signalState();
    const platform::ScriptProgress progress = platform::windowSystem().scriptProgress();
    state.scriptPlays = inputSource() == platform::InputSource::SCRIPT;
    state.lastPlayedLine = progress.lastPlayedLine;
    state.lastLine = progress.lastLine;
}

void Renderer::answerEndingSignal() {
    SignalState& state = signalState();
    if (!state.saveAsked || state.answered) return;
    saveOpenWindowsSnapshots();
    state.answered = true;
}

void Renderer::stopAnsweringSignals() { signalState().answered = true; }
