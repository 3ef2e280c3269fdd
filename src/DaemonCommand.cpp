// DaemonCommand: the record that carries one request from the user's thread to the renderer.
// Built on the producing thread, then used only by the renderer; it has no lock of its own.
// Its checks guard the agreement between the builders and the executor.
#include "DaemonCommand.h"

#include <cmath>
#include <limits>

#include "Color.h"
#include "Diagnostics.h"
#include "Image.h"

namespace {

template <typename T, typename Slot>
void answerThrough(const Slot& reply, const T& value) {
    Reply<T>* const* slot = std::get_if<Reply<T>*>(&reply);
    if (!slot) FATAL_ASSERTION("Tried to answer a command that awaits no such answer");
    (*slot)->put(value);
}

}  // namespace

DaemonCommand::DaemonCommand() : commandType(static_cast<DaemonCommand_t>(-1)), window(nullptr), style(Style::BLACK) {}

DaemonCommand::DaemonCommand(DaemonCommand_t type, Window* window)
    : commandType(type), window(window), style(Style::BLACK) {
    if (window == nullptr) {
        FATAL_ASSERTION("I seem to have recieved a NULL Window pointer");
    }
}

Window* DaemonCommand::getWindow() const {
    if (window == nullptr) {
        FATAL_ASSERTION("Tried to remove a NULL Window pointer from a command");
    }
    return window;
}

void DaemonCommand::addArgument(int value) {
    if (argumentCount < INLINE_ARGUMENTS) {
        inlineArguments[argumentCount++] = value;
        return;
    }
    if (spilled.empty()) spilled.assign(inlineArguments.begin(), inlineArguments.end());
    spilled.push_back(value);
    ++argumentCount;
}

int DaemonCommand::fixedPoint(double value, double scale) {
    const double scaled = std::trunc(value * scale);
    if (std::isnan(scaled)) return 0;
    if (scaled >= std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
    if (scaled <= std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
    return static_cast<int>(scaled);
}

int DaemonCommand::removeArgument() {
    if (nextArgument == argumentCount) {
        FATAL_ASSERTION("Tried to remove more arguments from a command than it contained");
    }
    const std::uint32_t n = nextArgument++;
    return spilled.empty() ? inlineArguments[n] : spilled[n];
}

void DaemonCommand::setString(const std::string& text) {
    if (!stringarg.empty()) {
        FATAL_ASSERTION("Tried to set a command's string argument more than once");
    }
    stringarg = text;
}

void DaemonCommand::answer(const Color& color) const { answerThrough(reply, color); }
void DaemonCommand::answer(const Image& image) const { answerThrough(reply, image); }
void DaemonCommand::answer(const ScreenPosition& position) const { answerThrough(reply, position); }
